# Signs a Windows program in place with osslsigncode (Authenticode, SHA-256):
#   cmake -DARQUIVO=file.exe -DCERTIFICADO=cert.pfx [-DCARIMBO=url] -P assinar.cmake
# The certificate's password comes from TROVELIN_ASSINATURA_SENHA, handed to
# osslsigncode in a file that only we can read, never on a command line.
set(senha ${ARQUIVO}.senha)
file(WRITE ${senha} "")
file(CHMOD ${senha} PERMISSIONS OWNER_READ OWNER_WRITE)
file(APPEND ${senha} "$ENV{TROVELIN_ASSINATURA_SENHA}")
if(CARIMBO)
  set(carimbo -ts ${CARIMBO})
endif()
execute_process(
  COMMAND osslsigncode sign -pkcs12 ${CERTIFICADO} -readpass ${senha} -h sha256 -n Trovelin
          ${carimbo} -in ${ARQUIVO} -out ${ARQUIVO}.assinado
  RESULT_VARIABLE falhou)
file(REMOVE ${senha})
if(falhou)
  file(REMOVE ${ARQUIVO}.assinado)
  message(FATAL_ERROR "could not sign ${ARQUIVO}")
endif()
file(RENAME ${ARQUIVO}.assinado ${ARQUIVO})
