# Run by cpack after it packs. CPack writes the .deb's ar members with the
# builder's umask for their modes; rewrite the archive deterministically
# (modes 644, owner and times 0), the same whatever the umask.
foreach(pacote IN LISTS CPACK_PACKAGE_FILES)
  if(NOT pacote MATCHES "\\.deb$")
    continue()
  endif()
  set(pasta ${pacote}.membros)
  file(REMOVE_RECURSE ${pasta})
  file(MAKE_DIRECTORY ${pasta})
  execute_process(COMMAND ar t ${pacote} OUTPUT_VARIABLE membros COMMAND_ERROR_IS_FATAL ANY)
  string(REPLACE "\n" ";" membros "${membros}")
  list(REMOVE_ITEM membros "")
  execute_process(COMMAND ar x ${pacote} WORKING_DIRECTORY ${pasta} COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE ${pacote})
  execute_process(COMMAND ar rcD ${pacote} ${membros} WORKING_DIRECTORY ${pasta}
                  COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${pasta})
endforeach()
