# Run by cpack once the files are installed for an .rpm: each one dated
# SOURCE_DATE_EPOCH, as the .deb's are, for rpmbuild keeps the times it finds.
if(CPACK_GENERATOR STREQUAL "RPM")
  execute_process(COMMAND find ${CPACK_TEMPORARY_INSTALL_DIRECTORY} -exec
                          touch -h -d @$ENV{SOURCE_DATE_EPOCH} {} +
                  COMMAND_ERROR_IS_FATAL ANY)
endif()
