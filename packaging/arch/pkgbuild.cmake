# Run by the dist target once the tarball TARBALL is written: Arch's PKGBUILD
# and .SRCINFO beside it, naming its checksum.
file(SHA256 ${TARBALL} SHA256)
get_filename_component(pasta ${TARBALL} DIRECTORY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/PKGBUILD.in ${pasta}/PKGBUILD @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/SRCINFO.in ${pasta}/.SRCINFO @ONLY)
