# Puts the Windows programs in one folder a user can unzip and run, and zips
# it: run with cmake -P and
#   PACKAGE_DIR  the folder to fill (made afresh)
#   ZIP_FILE     the zip to write
#   FILES        the programs, separated by '|' (each keeps its name)
#   README       the quick start, written as README-windows.txt with CR LF
#                line ends (Notepad of older Windows shows no other)
foreach(variable PACKAGE_DIR ZIP_FILE FILES README)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "windows_package.cmake needs ${variable}")
  endif()
endforeach()
string(REPLACE "|" ";" FILES "${FILES}")
file(REMOVE_RECURSE ${PACKAGE_DIR})
file(MAKE_DIRECTORY ${PACKAGE_DIR})
foreach(program IN LISTS FILES)
  if(NOT EXISTS ${program})
    message(FATAL_ERROR "missing for the Windows package: ${program}")
  endif()
  file(COPY ${program} DESTINATION ${PACKAGE_DIR})
endforeach()
file(READ ${README} text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${PACKAGE_DIR}/README-windows.txt "${text}")
file(REMOVE ${ZIP_FILE})
# zip stores the folder's files at the top of the archive, without the
# build's times of day in extra fields (-X).
execute_process(COMMAND zip -q -X -r ${ZIP_FILE} .
                WORKING_DIRECTORY ${PACKAGE_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "zip failed (${status}); is Debian's zip package installed?")
endif()
