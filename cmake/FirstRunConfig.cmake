# A new user's first Config.ini: a few conservative junk filters. A file already in the program
# folder is the user's and is never replaced.
if(NOT EXISTS "${DEST}/Config.ini")
    file(MAKE_DIRECTORY "${DEST}")
    file(COPY_FILE "${SOURCE}" "${DEST}/Config.ini")
endif()
