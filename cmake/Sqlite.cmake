# SQLite, the history database's engine, from Debian: natively the system
# library (libsqlite3-dev); the Windows build compiles Debian's source
# package, which scripts/install-deps.sh unpacks into build/deps/sqlite3.
# Both give the target velmora_sqlite3.
add_library(velmora_sqlite3 INTERFACE)
if(NOT WIN32)
  find_package(SQLite3 REQUIRED)
  target_link_libraries(velmora_sqlite3 INTERFACE SQLite::SQLite3)
  return()
endif()

set(VELMORA_SQLITE_SOURCE "${PROJECT_SOURCE_DIR}/build/deps/sqlite3" CACHE PATH
    "Debian's sqlite3 source package, unpacked with its patches (scripts/install-deps.sh does it)")
if(NOT EXISTS "${VELMORA_SQLITE_SOURCE}/configure" OR NOT EXISTS "${VELMORA_SQLITE_SOURCE}/.debian-version")
  message(FATAL_ERROR "SQLite's source package is missing from ${VELMORA_SQLITE_SOURCE}: "
                      "run scripts/install-deps.sh (or set VELMORA_SQLITE_SOURCE)")
endif()
# SQLite's own make target writes the amalgamation (see SqliteAmalgamation.cmake).
find_program(VELMORA_HOST_CC NAMES gcc cc REQUIRED)
find_program(VELMORA_MAKE NAMES make REQUIRED)
find_program(VELMORA_TCLSH NAMES tclsh8.6 tclsh REQUIRED)

set(amalgamation ${CMAKE_BINARY_DIR}/sqlite3-amalgamation)
add_custom_command(
  OUTPUT ${amalgamation}/sqlite3.c ${amalgamation}/sqlite3.h
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${VELMORA_SQLITE_SOURCE} -DOUTPUT=${amalgamation}
          -DHOST_CC=${VELMORA_HOST_CC} -DTCLSH=${VELMORA_TCLSH} -DMAKE=${VELMORA_MAKE}
          -P ${CMAKE_CURRENT_LIST_DIR}/SqliteAmalgamation.cmake
  DEPENDS ${VELMORA_SQLITE_SOURCE}/.debian-version ${CMAKE_CURRENT_LIST_DIR}/SqliteAmalgamation.cmake
  COMMENT "Generating SQLite's amalgamation from Debian's source package"
  VERBATIM)

add_library(velmora_sqlite3_amalgamation STATIC ${amalgamation}/sqlite3.c)
target_include_directories(velmora_sqlite3_amalgamation SYSTEM PUBLIC ${amalgamation})
# Safe from more than one thread; no extension loading (a library loaded by
# name is a way in); double-quoted text is an identifier only, so a typo in a
# column name fails instead of turning into a string.
target_compile_definitions(velmora_sqlite3_amalgamation PRIVATE
  SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION SQLITE_DQS=0)
# SQLite's own file is not held to the project's warnings.
target_compile_options(velmora_sqlite3_amalgamation PRIVATE -O2 -w)
target_link_libraries(velmora_sqlite3 INTERFACE velmora_sqlite3_amalgamation)
