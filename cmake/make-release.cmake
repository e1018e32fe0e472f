# Run by release.cmake with cmake -P: fills the release folder and zips it.
#   PROGRAM    the built program (stripped on the way in)
#   HELP_FILE  the built help file
#   README     the read-me, UTF-8 with LF line ends; "@VERSION@" is replaced
#   VERSION    the program's version
#   FOLDER     the release folder, emptied first; its name is the zip's top folder
#   ZIP_FILE   the zip to write
#   STRIP, ICONV, ZIP  paths of the tools

cmake_minimum_required(VERSION 3.20)

foreach(var PROGRAM HELP_FILE README VERSION FOLDER ZIP_FILE STRIP ICONV ZIP)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "make-release.cmake: ${var} is not set")
    endif()
endforeach()

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "${command} failed (${result}):\n${output}")
    endif()
endfunction()

file(REMOVE_RECURSE ${FOLDER})
file(MAKE_DIRECTORY ${FOLDER})

run(${STRIP} --strip-all -o ${FOLDER}/korvelandis.exe ${PROGRAM})
file(COPY_FILE ${HELP_FILE} ${FOLDER}/korvelandis.chm)

# Notepad on older systems reads neither UTF-8 nor bare LF: Shift-JIS with CR LF.
file(READ ${README} text)
string(REPLACE "@VERSION@" "${VERSION}" text "${text}")
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${FOLDER}/readme.utf8 "${text}")
run(${ICONV} -f UTF-8 -t CP932 -o ${FOLDER}/readme.txt ${FOLDER}/readme.utf8)
file(REMOVE ${FOLDER}/readme.utf8)

# zip adds to an existing archive; start afresh. -X leaves out Unix owners and
# times that Windows has no use for.
file(REMOVE ${ZIP_FILE})
get_filename_component(parent ${FOLDER} DIRECTORY)
get_filename_component(name ${FOLDER} NAME)
execute_process(
    COMMAND ${ZIP} -q -X -9 -r ${ZIP_FILE} ${name}
    WORKING_DIRECTORY ${parent}
    RESULT_VARIABLE result
    ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "zip failed (${result}):\n${output}")
endif()
