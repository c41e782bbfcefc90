# Copies SRC to DST unless DST exists: the build never overwrites the user's copy.
if(NOT EXISTS "${DST}")
  file(COPY_FILE "${SRC}" "${DST}")
endif()
