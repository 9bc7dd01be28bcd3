# The .rpm for Fedora and openSUSE (cpack -G RPM), and the build recipe,
# trovelin.spec, with which their packagers build the release tarball
# (rpmbuild -ta).
include(${CMAKE_CURRENT_LIST_DIR}/changelog.cmake)
changelog_rpm(${CMAKE_CURRENT_LIST_DIR}/../debian/changelog TROVELIN_CHANGELOG_RPM)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/changelog.rpm "${TROVELIN_CHANGELOG_RPM}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/receita.in ${CMAKE_CURRENT_BINARY_DIR}/trovelin.spec
               @ONLY)

set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP "Amusements/Games")
set(CPACK_RPM_PACKAGE_URL ${TROVELIN_PAGINA_INICIAL})
set(CPACK_RPM_NO_INSTALL_PREFIX_RELOCATION ON)
set(CPACK_RPM_CHANGELOG_FILE ${CMAKE_CURRENT_BINARY_DIR}/changelog.rpm)
# The build's own date from SOURCE_DATE_EPOCH (the files' come from datas.cmake), and the
# machine's name left out, so that two builds of one commit give the same bytes;
# no build-id links, which belong in a debuginfo package, not in the game's;
# and no second pass over the files, which cpack has stripped and compressed
# already (and, cross-built, with the target's tools).
set(CPACK_RPM_SPEC_MORE_DEFINE
    "%define packager ${CPACK_PACKAGE_CONTACT}
%define _build_id_links none
%define __os_install_post %{nil}
%define use_source_date_epoch_as_buildtime 1
%define _buildhost reproducible")
# The folders the system owns.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
    /usr/share/applications /usr/share/icons /usr/share/icons/hicolor /usr/share/icons/hicolor/scalable
    /usr/share/icons/hicolor/scalable/apps /usr/share/licenses /usr/share/man /usr/share/man/man6
    /usr/share/man/pt /usr/share/man/pt/man6 /usr/share/metainfo)
if(CMAKE_CROSSCOMPILING)  # the target's architecture as RPM names it
  set(CPACK_RPM_PACKAGE_ARCHITECTURE ${CMAKE_SYSTEM_PROCESSOR})
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "arm")
    set(CPACK_RPM_PACKAGE_ARCHITECTURE armv7hl)
  endif()
endif()
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/datas.cmake)
