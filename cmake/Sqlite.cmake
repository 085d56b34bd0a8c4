# SQLite, the history database's engine, from Debian: natively the system
# library (libsqlite3-dev); the Windows build compiles Debian's source
# package (see scripts/install-deps.sh). Both give the target velmora_sqlite3.
add_library(velmora_sqlite3 INTERFACE)
if(NOT WIN32)
  find_package(SQLite3 REQUIRED)
  target_link_libraries(velmora_sqlite3 INTERFACE SQLite::SQLite3)
endif()
