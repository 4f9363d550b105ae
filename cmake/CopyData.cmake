# Copies the shipped data into the program folder. A file is copied when it is missing there or
# when the shipped one is newer, so what the program wrote in its folder (edits, downloads) is
# kept across rebuilds unless the shipped file itself changed since.
file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*)
foreach(f ${files})
  if(NOT EXISTS ${DST}/${f} OR ${SRC}/${f} IS_NEWER_THAN ${DST}/${f})
    get_filename_component(dir ${DST}/${f} DIRECTORY)
    file(MAKE_DIRECTORY ${dir})
    file(COPY_FILE ${SRC}/${f} ${DST}/${f})
  endif()
endforeach()
