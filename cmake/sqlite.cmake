# SQLite 3.52.0 from the amalgamation inside the npm package sqlite3@6.0.1.
# Fetched once into the deps folder and checked against its sha256; never committed.
set(KORV_SQLITE_PACKAGE_URL "https://registry.npmjs.org/sqlite3/-/sqlite3-6.0.1.tgz")
set(KORV_SQLITE_PACKAGE_SHA256 "ab8d044a93e05bd031d7ea75547c7fa60387cdc259d27f93c0e3e2832c4b1df9")
set(KORV_SQLITE_AUTOCONF "sqlite-autoconf-3520000")

if(NOT KORV_DEPS_DIR)
    set(KORV_DEPS_DIR "${CMAKE_SOURCE_DIR}/build/deps")
endif()
set(KORV_SQLITE_DIR "${KORV_DEPS_DIR}/${KORV_SQLITE_AUTOCONF}")

if(NOT EXISTS "${KORV_SQLITE_DIR}/sqlite3.c")
    set(tarball "${KORV_DEPS_DIR}/sqlite3-6.0.1.tgz")
    if(NOT EXISTS "${tarball}")
        message(STATUS "Fetching ${KORV_SQLITE_PACKAGE_URL}")
        file(DOWNLOAD "${KORV_SQLITE_PACKAGE_URL}" "${tarball}.part"
             EXPECTED_HASH SHA256=${KORV_SQLITE_PACKAGE_SHA256}
             STATUS status TLS_VERIFY ON)
        list(GET status 0 code)
        if(NOT code EQUAL 0)
            file(REMOVE "${tarball}.part")
            message(FATAL_ERROR "Could not fetch the SQLite package: ${status}")
        endif()
        file(RENAME "${tarball}.part" "${tarball}")
    endif()
    file(SHA256 "${tarball}" actual)
    if(NOT actual STREQUAL KORV_SQLITE_PACKAGE_SHA256)
        file(REMOVE "${tarball}")
        message(FATAL_ERROR "SQLite package checksum mismatch: ${actual}")
    endif()
    set(unpack "${KORV_DEPS_DIR}/unpack")
    file(REMOVE_RECURSE "${unpack}")
    file(ARCHIVE_EXTRACT INPUT "${tarball}" DESTINATION "${unpack}"
         PATTERNS "package/deps/${KORV_SQLITE_AUTOCONF}.tar.gz")
    file(ARCHIVE_EXTRACT INPUT "${unpack}/package/deps/${KORV_SQLITE_AUTOCONF}.tar.gz"
         DESTINATION "${unpack}"
         PATTERNS "${KORV_SQLITE_AUTOCONF}/sqlite3.c" "${KORV_SQLITE_AUTOCONF}/sqlite3.h")
    file(MAKE_DIRECTORY "${KORV_SQLITE_DIR}")
    file(RENAME "${unpack}/${KORV_SQLITE_AUTOCONF}/sqlite3.h" "${KORV_SQLITE_DIR}/sqlite3.h")
    file(RENAME "${unpack}/${KORV_SQLITE_AUTOCONF}/sqlite3.c" "${KORV_SQLITE_DIR}/sqlite3.c")
    file(REMOVE_RECURSE "${unpack}")
endif()

add_library(sqlite3 STATIC "${KORV_SQLITE_DIR}/sqlite3.c")
target_include_directories(sqlite3 SYSTEM PUBLIC "${KORV_SQLITE_DIR}")
target_compile_definitions(sqlite3 PRIVATE SQLITE_THREADSAFE=0 SQLITE_OMIT_LOAD_EXTENSION)
# The amalgamation is third-party code: build it optimised and without our warning set.
set_source_files_properties("${KORV_SQLITE_DIR}/sqlite3.c" PROPERTIES COMPILE_OPTIONS "-O2;-w")
