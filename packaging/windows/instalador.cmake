# What the NSIS installer adds to CPack's template: a 64-bit installer for the
# 64-bit game (so that it writes the 64-bit registry), version information on
# the installer itself, the game's shortcut and the Finish page's "run" box,
# and the uninstall entry that Windows' "Apps" settings read. The game sits at
# the top of its folder: CPack's own shortcuts would point into bin\. It goes
# to the 64-bit "Program Files" (CPack's default for win64, said here), and a
# new version first removes the old one, so that none of its files stays.
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(chave_de_desinstalacao
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\${CPACK_PACKAGE_INSTALL_DIRECTORY}")
set(CPACK_NSIS_DEFINES "
  Target amd64-unicode
  BrandingText \"Trovelin ${PROJECT_VERSION}\"  ; not the builder's NSIS version
  !include FileFunc.nsh
  ; The Finish page starts the game through the shell, with the user's own
  ; rights, not the installer's administrator ones.
  !define MUI_FINISHPAGE_RUN
  !define MUI_FINISHPAGE_RUN_FUNCTION JogarComoUsuario
  Function JogarComoUsuario
    Exec '\"$WINDIR\\explorer.exe\" \"$INSTDIR\\trovelin.exe\"'
  FunctionEnd
  VIProductVersion ${PROJECT_VERSION}.0
  VIAddVersionKey /LANG=1033 ProductName Trovelin
  VIAddVersionKey /LANG=1033 ProductVersion ${PROJECT_VERSION}
  VIAddVersionKey /LANG=1033 FileVersion ${PROJECT_VERSION}
  VIAddVersionKey /LANG=1033 FileDescription \"Instalador do Trovelin\"
  VIAddVersionKey /LANG=1033 CompanyName \"${CPACK_PACKAGE_VENDOR}\"
  VIAddVersionKey /LANG=1033 LegalCopyright \"Copyright (c) The Trovelin authors. MIT License.\"

  ; The template removes our own key, but not the publisher's above it.
  Function un.onUninstSuccess
    DeleteRegKey /ifempty SHCTX \"Software\\${CPACK_PACKAGE_VENDOR}\"
  FunctionEnd")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
  WriteRegStr SHCTX \"${chave_de_desinstalacao}\" InstallLocation \"$INSTDIR\"
  WriteRegStr SHCTX \"${chave_de_desinstalacao}\" QuietUninstallString '\"$INSTDIR\\Uninstall.exe\" /S'
  \${GetSize} \"$INSTDIR\" /S=0K $0 $1 $2
  WriteRegDWORD SHCTX \"${chave_de_desinstalacao}\" EstimatedSize $0")
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "  CreateShortCut \"$SMPROGRAMS\\$STARTMENU_FOLDER\\Trovelin.lnk\" \"$INSTDIR\\trovelin.exe\"")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "  Delete \"$SMPROGRAMS\\$MUI_TEMP\\Trovelin.lnk\"")

# With a code-signing certificate, the game, the installer and the uninstaller
# are signed as they are made; without one, nothing changes.
set(TROVELIN_ASSINATURA "" CACHE FILEPATH
    "PKCS#12 code-signing certificate (password in TROVELIN_ASSINATURA_SENHA)")
set(TROVELIN_CARIMBO "" CACHE STRING "Timestamp server (RFC 3161) for the signatures")
if(TROVELIN_ASSINATURA)
  set(assinar ${CMAKE_COMMAND} -DCERTIFICADO=${TROVELIN_ASSINATURA} -DCARIMBO=${TROVELIN_CARIMBO})
  set(script ${CMAKE_CURRENT_LIST_DIR}/assinar.cmake)
  # In the program's own directory, as a build step of its target must be; a
  # deferred call expands its arguments late, so they are written out now.
  cmake_language(EVAL CODE "cmake_language(DEFER DIRECTORY [[${PROJECT_SOURCE_DIR}]] CALL
    add_custom_command TARGET trovelin POST_BUILD COMMAND ${assinar}
    -DARQUIVO=$<TARGET_FILE:trovelin> -P [[${script}]] VERBATIM)")
  list(JOIN assinar "\" \"" assinar)
  string(APPEND CPACK_NSIS_DEFINES "
  !uninstfinalize '\"${assinar}\" \"-DARQUIVO=%1\" -P \"${script}\"' = 0
  !finalize '\"${assinar}\" \"-DARQUIVO=%1\" -P \"${script}\"' = 0")
endif()
