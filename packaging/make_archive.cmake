# Packs one release archive (run with cmake -P):
#   NAME        the archive's name without extension, also its top folder
#   OUTPUT_DIR  where the archive goes
#   FORMAT      tar.gz or zip
#   PROGRAMS    programs and plug-ins to put in the top folder, separated
#               by |, there stripped of their debugging information by STRIP
#   FILES       other files to put there, separated by |
#   FOLDERS     folders to put there whole, separated by | (may be empty)
#   NOTE        the install note, written as INSTALL.txt with @VERSION@,
#               @PLUGIN@ and @TRANSCRIBER@ (the plug-ins' file names) filled in
#   VERSION, PLUGIN, TRANSCRIBER  for the note
#   STRIP       the strip program of the build's toolchain
cmake_minimum_required(VERSION 3.25)

foreach(required NAME OUTPUT_DIR FORMAT PROGRAMS FILES NOTE VERSION PLUGIN TRANSCRIBER STRIP)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "make_archive.cmake: ${required} is not set")
  endif()
endforeach()
string(REPLACE "|" ";" programs "${PROGRAMS}")
string(REPLACE "|" ";" files "${FILES}")
string(REPLACE "|" ";" folders "${FOLDERS}")

# A staging folder of its own, so that an archive never holds leftovers of
# an earlier one.
set(staging ${OUTPUT_DIR}/${NAME}.staging)
set(top ${staging}/${NAME})
file(REMOVE_RECURSE ${staging})
file(MAKE_DIRECTORY ${top})
file(COPY ${programs} ${files} DESTINATION ${top})
# The build keeps its debugging information; users need none of it.
foreach(program ${programs})
  get_filename_component(name ${program} NAME)
  execute_process(COMMAND ${STRIP} --strip-debug ${top}/${name} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "make_archive.cmake: cannot strip ${name}")
  endif()
endforeach()
if(folders)
  file(COPY ${folders} DESTINATION ${top})
endif()
get_filename_component(PLUGIN ${PLUGIN} NAME)
get_filename_component(TRANSCRIBER ${TRANSCRIBER} NAME)

if(FORMAT STREQUAL "zip")
  # Windows editors show the note's lines only with CR LF endings.
  configure_file(${NOTE} ${top}/INSTALL.txt @ONLY NEWLINE_STYLE CRLF)
  set(tar_arguments cf ${NAME}.zip --format=zip)
elseif(FORMAT STREQUAL "tar.gz")
  configure_file(${NOTE} ${top}/INSTALL.txt @ONLY NEWLINE_STYLE LF)
  set(tar_arguments czf ${NAME}.tar.gz)
else()
  message(FATAL_ERROR "make_archive.cmake: FORMAT ${FORMAT} is neither tar.gz nor zip")
endif()

set(archive ${OUTPUT_DIR}/${NAME}.${FORMAT})
file(REMOVE ${archive})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar ${tar_arguments} ${NAME}
                WORKING_DIRECTORY ${staging} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "make_archive.cmake: packing ${NAME} failed")
endif()
file(RENAME ${staging}/${NAME}.${FORMAT} ${archive})
file(REMOVE_RECURSE ${staging})
message(STATUS "Wrote ${archive}")
