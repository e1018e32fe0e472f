# The help file korvelandis.chm, built from the pages in this folder.
#
# The sources are kept in UTF-8. The help viewer reads the contents, the index and
# the project's title in the code page of the help file's language (Japanese,
# code page 932), so the build copies every source into the build tree, converts it
# to Shift-JIS there (iconv) and compiles the copy with chmcmd (package fp-utils).
# The source tree is never written to.
#
# Provides:
#   KORV_HELP_FILE     path of the built help file
#   korvelandis_help   target that builds it (part of ALL)

find_program(KORV_CHMCMD chmcmd)
find_program(KORV_ICONV iconv)
if(NOT KORV_CHMCMD OR NOT KORV_ICONV)
    message(FATAL_ERROR "The help file needs chmcmd (package fp-utils) and iconv.")
endif()

set(KORV_HELP_DIR ${CMAKE_CURRENT_LIST_DIR})
set(KORV_HELP_FILE ${CMAKE_BINARY_DIR}/korvelandis.chm)
set(KORV_HELP_STAGE ${CMAKE_BINARY_DIR}/help-stage)

file(GLOB KORV_HELP_SOURCES CONFIGURE_DEPENDS
    ${KORV_HELP_DIR}/*.html ${KORV_HELP_DIR}/*.css
    ${KORV_HELP_DIR}/*.hhp ${KORV_HELP_DIR}/*.hhc ${KORV_HELP_DIR}/*.hhk)

add_custom_command(
    OUTPUT ${KORV_HELP_FILE}
    COMMAND ${CMAKE_COMMAND}
        -DSOURCE_DIR=${KORV_HELP_DIR}
        -DSTAGE_DIR=${KORV_HELP_STAGE}
        -DICONV=${KORV_ICONV}
        -DCHMCMD=${KORV_CHMCMD}
        -DOUTPUT=${KORV_HELP_FILE}
        -P ${KORV_HELP_DIR}/build-help.cmake
    DEPENDS ${KORV_HELP_SOURCES} ${KORV_HELP_DIR}/build-help.cmake
    COMMENT "Building the help file korvelandis.chm"
    VERBATIM)

add_custom_target(korvelandis_help ALL DEPENDS ${KORV_HELP_FILE})
