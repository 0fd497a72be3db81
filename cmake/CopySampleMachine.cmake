# Puts a fresh copy of the sample machine into the program folder. file(COPY) keeps the
# dosdevices links as links.
file(REMOVE_RECURSE "${DEST}/machine")
file(COPY "${SOURCE}" DESTINATION "${DEST}")
file(MAKE_DIRECTORY "${DEST}/Backups" "${DEST}/Converts")
