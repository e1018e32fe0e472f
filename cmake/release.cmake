# The download: korvelandis-<version>-win32.zip (x86) or -win64.zip (x64) with the stripped program, the help
# file and the Japanese read-me in one folder, ready to unzip and run. The folder
# stays in build/release as well, so that tests can run what the zip holds.
#
# Needs KORV_HELP_FILE (help/help.cmake). Provides:
#   KORV_RELEASE_ZIP      path of the zip
#   KORV_RELEASE_FOLDER   the unpacked folder it is made from
#   korvelandis_release   target that makes both (part of ALL)

find_program(KORV_ZIP zip)
find_program(KORV_UNZIP unzip)
find_program(KORV_CHMLS chmls)
if(NOT KORV_ZIP OR NOT KORV_UNZIP OR NOT KORV_CHMLS OR NOT CMAKE_STRIP OR NOT KORV_ICONV)
    message(FATAL_ERROR "The release needs zip, unzip, chmls (fp-utils), iconv and ${CMAKE_STRIP}.")
endif()

set(KORV_RELEASE_NAME korvelandis-${PROJECT_VERSION})
set(KORV_RELEASE_ZIP ${CMAKE_BINARY_DIR}/${KORV_RELEASE_NAME}-${KORV_RELEASE_PLATFORM}.zip)
set(KORV_RELEASE_FOLDER ${CMAKE_BINARY_DIR}/release/${KORV_RELEASE_NAME})
set(KORV_RELEASE_README ${CMAKE_SOURCE_DIR}/help/readme-ja.txt)

add_custom_command(
    OUTPUT ${KORV_RELEASE_ZIP}
    COMMAND ${CMAKE_COMMAND}
        -DPROGRAM=$<TARGET_FILE:korvelandis>
        -DHELP_FILE=${KORV_HELP_FILE}
        -DREADME=${KORV_RELEASE_README}
        -DVERSION=${PROJECT_VERSION}
        -DFOLDER=${KORV_RELEASE_FOLDER}
        -DZIP_FILE=${KORV_RELEASE_ZIP}
        -DSTRIP=${CMAKE_STRIP}
        -DICONV=${KORV_ICONV}
        -DZIP=${KORV_ZIP}
        -P ${CMAKE_SOURCE_DIR}/cmake/make-release.cmake
    DEPENDS korvelandis ${KORV_HELP_FILE} ${KORV_RELEASE_README} ${CMAKE_SOURCE_DIR}/cmake/make-release.cmake
    COMMENT "Packing ${KORV_RELEASE_NAME}-${KORV_RELEASE_PLATFORM}.zip"
    VERBATIM)
add_custom_target(korvelandis_release ALL DEPENDS ${KORV_RELEASE_ZIP})
add_dependencies(korvelandis_release korvelandis_help)
# The tests start the unpacked program to see its help open.
add_dependencies(korvelandis_tests korvelandis_release)

add_test(NAME package.zip_holds_program_help_and_readme
    COMMAND ${CMAKE_COMMAND}
        -DCHECK=zip
        -DZIP_FILE=${KORV_RELEASE_ZIP}
        -DPROGRAM=$<TARGET_FILE:korvelandis>
        -DHELP_FILE=${KORV_HELP_FILE}
        -DROOT_FOLDER=${KORV_RELEASE_NAME}
        -DUNZIP=${KORV_UNZIP}
        -DICONV=${KORV_ICONV}
        -DOBJDUMP=${CMAKE_OBJDUMP}
        -DMANIFEST_ARCH=${KORV_MANIFEST_ARCH}
        -DWORK_DIR=${CMAKE_BINARY_DIR}/package-check/zip
        -P ${CMAKE_SOURCE_DIR}/tests/package/check_package.cmake)
add_test(NAME package.help_file_holds_every_listed_page
    COMMAND ${CMAKE_COMMAND}
        -DCHECK=help
        -DHELP_FILE=${KORV_HELP_FILE}
        -DCHMLS=${KORV_CHMLS}
        -DICONV=${KORV_ICONV}
        -DWORK_DIR=${CMAKE_BINARY_DIR}/package-check/help
        -P ${CMAKE_SOURCE_DIR}/tests/package/check_package.cmake)
