# What the NSIS installer adds to CPack's template: a 64-bit installer for the
# 64-bit game (so it also writes the 64-bit "Program Files" and registry),
# version information on the installer itself, the game's shortcut and the
# Finish page's "run" box, and the uninstall entry that Windows' "Apps"
# settings read. The game sits at the top of its folder: CPack's own
# shortcuts would point into bin\.
set(chave_de_desinstalacao
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\${CPACK_PACKAGE_INSTALL_DIRECTORY}")
set(CPACK_NSIS_DEFINES "
  Target amd64-unicode
  BrandingText \"Trovelin ${PROJECT_VERSION}\"  ; not the builder's NSIS version
  !include FileFunc.nsh
  !define MUI_FINISHPAGE_RUN \"$INSTDIR\\trovelin.exe\"
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
