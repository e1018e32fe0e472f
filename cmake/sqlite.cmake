# SQLite 3.52.0 from the amalgamation inside the npm package sqlite3@6.0.1.
# Fetched once into the deps folder and checked against its sha256; never committed.
set(KORV_SQLITE_PACKAGE "sqlite3@6.0.1")
set(KORV_SQLITE_PACKAGE_SHA256 "ab8d044a93e05bd031d7ea75547c7fa60387cdc259d27f93c0e3e2832c4b1df9")
set(KORV_SQLITE_AUTOCONF "sqlite-autoconf-3520000")

if(NOT KORV_DEPS_DIR)
    set(KORV_DEPS_DIR "${CMAKE_SOURCE_DIR}/build/deps")
endif()
set(KORV_SQLITE_DIR "${KORV_DEPS_DIR}/${KORV_SQLITE_AUTOCONF}")

if(NOT EXISTS "${KORV_SQLITE_DIR}/sqlite3.c")
    set(tarball "${KORV_DEPS_DIR}/sqlite3-6.0.1.tgz")
    if(NOT EXISTS "${tarball}")
        # npm fetches from whichever registry this machine is set up for.
        find_program(KORV_NPM npm)
        if(NOT KORV_NPM)
            message(FATAL_ERROR "SQLite comes from the npm package ${KORV_SQLITE_PACKAGE}, "
                "and npm is not installed. Run scripts/install-deps.sh (or apt-get install npm), "
                "then build again.")
        endif()
        message(STATUS "Fetching ${KORV_SQLITE_PACKAGE} with npm pack")
        file(MAKE_DIRECTORY "${KORV_DEPS_DIR}")
        set(fetch "${KORV_DEPS_DIR}/fetch")
        file(REMOVE_RECURSE "${fetch}")
        file(MAKE_DIRECTORY "${fetch}")
        execute_process(
            COMMAND "${KORV_NPM}" pack "${KORV_SQLITE_PACKAGE}" --silent
            WORKING_DIRECTORY "${fetch}"
            RESULT_VARIABLE result
            OUTPUT_VARIABLE output
            ERROR_VARIABLE output)
        if(NOT result EQUAL 0 OR NOT EXISTS "${fetch}/sqlite3-6.0.1.tgz")
            file(REMOVE_RECURSE "${fetch}")
            message(FATAL_ERROR "Could not fetch the npm package ${KORV_SQLITE_PACKAGE} "
                "(npm pack exited with ${result}):\n${output}\n"
                "Check that 'npm pack ${KORV_SQLITE_PACKAGE}' works on this machine, then build again.")
        endif()
        file(RENAME "${fetch}/sqlite3-6.0.1.tgz" "${tarball}")
        file(REMOVE_RECURSE "${fetch}")
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
# The modules and functions that databases in the wild rely on, as SQLite's own
# shell has them: full-text (FTS3/4 with parenthesised queries, FTS5), spatial
# indexes (R*Tree), the math functions and the dbstat table.
target_compile_definitions(sqlite3 PRIVATE
    SQLITE_ENABLE_FTS3 SQLITE_ENABLE_FTS4 SQLITE_ENABLE_FTS3_PARENTHESIS SQLITE_ENABLE_FTS5
    SQLITE_ENABLE_RTREE SQLITE_ENABLE_MATH_FUNCTIONS SQLITE_ENABLE_DBSTAT_VTAB)
# Undo and redo record each change of records as a changeset; our code sees the
# session functions in the header through the same definitions.
target_compile_definitions(sqlite3 PUBLIC SQLITE_ENABLE_SESSION SQLITE_ENABLE_PREUPDATE_HOOK)
# A page of a table of 2,000 columns (the most a table may have) reads its row id
# or key with them: the program lets its page statement, and nothing else, go past
# 2,000 result columns.
target_compile_definitions(sqlite3 PRIVATE SQLITE_MAX_COLUMN=4096)
# Memory-mapped reads may cover a whole large file where the address space has
# room for it (64-bit builds); SQLite's own ceiling is 2 GiB.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    target_compile_definitions(sqlite3 PRIVATE SQLITE_MAX_MMAP_SIZE=0x1000000000)
endif()
# The amalgamation is third-party code: build it optimised and without our warning set.
set_source_files_properties("${KORV_SQLITE_DIR}/sqlite3.c" PROPERTIES COMPILE_OPTIONS "-O2;-w")
