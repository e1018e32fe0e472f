# Run by help.cmake with cmake -P: stages the help sources in Shift-JIS and
# compiles them into the help file.
#   SOURCE_DIR  the help sources (UTF-8)
#   STAGE_DIR   scratch folder in the build tree, emptied on every run
#   ICONV       path of iconv
#   CHMCMD      path of chmcmd
#   OUTPUT      path of the help file to write

cmake_minimum_required(VERSION 3.20)

foreach(var SOURCE_DIR STAGE_DIR ICONV CHMCMD OUTPUT)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "build-help.cmake: ${var} is not set")
    endif()
endforeach()

file(REMOVE_RECURSE ${STAGE_DIR})
file(MAKE_DIRECTORY ${STAGE_DIR})

file(GLOB sources RELATIVE ${SOURCE_DIR}
    ${SOURCE_DIR}/*.html ${SOURCE_DIR}/*.css
    ${SOURCE_DIR}/*.hhp ${SOURCE_DIR}/*.hhc ${SOURCE_DIR}/*.hhk)

foreach(name IN LISTS sources)
    # The pages declare UTF-8 in the source tree; the staged copy is Shift-JIS.
    file(READ ${SOURCE_DIR}/${name} text)
    string(REPLACE "charset=UTF-8" "charset=Shift_JIS" text "${text}")
    file(WRITE ${STAGE_DIR}/${name}.utf8 "${text}")
    execute_process(
        COMMAND ${ICONV} -f UTF-8 -t CP932 -o ${STAGE_DIR}/${name} ${STAGE_DIR}/${name}.utf8
        RESULT_VARIABLE result
        ERROR_VARIABLE error)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "Cannot convert help/${name} to Shift-JIS: ${error}")
    endif()
    file(REMOVE ${STAGE_DIR}/${name}.utf8)
endforeach()

# Every file that the contents, the index and the pages point to must be one of
# the project's files: chmcmd runs without its own scan and would leave it out.
file(STRINGS ${SOURCE_DIR}/korvelandis.hhp project_lines)
set(listed "")
set(in_files FALSE)
foreach(line IN LISTS project_lines)
    string(STRIP "${line}" line)
    if(line MATCHES "^\\[")
        set(in_files FALSE)
        if(line STREQUAL "[FILES]")
            set(in_files TRUE)
        endif()
    elseif(in_files AND NOT line STREQUAL "")
        list(APPEND listed "${line}")
    endif()
endforeach()
set(broken "")
foreach(name IN LISTS sources)
    file(READ ${SOURCE_DIR}/${name} text)
    string(REGEX MATCHALL "(name=\"Local\" value|href)=\"[^\"#]*" links "${text}")
    foreach(link IN LISTS links)
        string(REGEX REPLACE "^.*=\"" "" target "${link}")
        if(NOT target STREQUAL "" AND NOT target IN_LIST listed)
            list(APPEND broken "${name} -> ${target}")
        endif()
    endforeach()
endforeach()
foreach(name IN LISTS listed)
    if(NOT EXISTS ${SOURCE_DIR}/${name})
        list(APPEND broken "korvelandis.hhp -> ${name}")
    endif()
endforeach()
if(broken)
    list(JOIN broken "\n  " broken)
    message(FATAL_ERROR "Help links to files that are not in the help project:\n  ${broken}")
endif()

execute_process(
    COMMAND ${CHMCMD} --no-html-scan --verbosity 1 korvelandis.hhp
    WORKING_DIRECTORY ${STAGE_DIR}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS ${STAGE_DIR}/korvelandis.chm)
    message(FATAL_ERROR "chmcmd failed (${result}):\n${output}")
endif()
file(RENAME ${STAGE_DIR}/korvelandis.chm ${OUTPUT})
