# Run by cpack before it packs the static build's archive: every file and
# folder gets the commit's time, so that two builds of one commit give the
# same bytes (the .deb and .rpm take it from SOURCE_DATE_EPOCH themselves).
execute_process(COMMAND find ${CPACK_TEMPORARY_DIRECTORY} -exec touch -h -d @$ENV{SOURCE_DATE_EPOCH} {} +
                COMMAND_ERROR_IS_FATAL ANY)
