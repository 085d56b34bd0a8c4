# The console program end to end against the real service, in a prefix of
# its own; it installs the service, so it holds the pipe-name lock.
add_test(NAME cli_end_to_end
  COMMAND bash ${PROJECT_SOURCE_DIR}/tests/cli/win/cli-end-to-end.sh
          ${CMAKE_BINARY_DIR}/bin ${CMAKE_BINARY_DIR}/wineprefix-cli ${PROJECT_SOURCE_DIR})
set_tests_properties(cli_end_to_end PROPERTIES TIMEOUT 600 RESOURCE_LOCK smart_velmora_pipe)

# "forecast --json" on a history seeded with Debian's sqlite3, in a prefix of
# its own; no service runs, so no lock is held.
find_program(VELMORA_SQLITE3 sqlite3 REQUIRED)
add_test(NAME cli_forecast_under_wine
  COMMAND bash ${PROJECT_SOURCE_DIR}/tests/cli/win/forecast-under-wine.sh
          ${CMAKE_BINARY_DIR}/bin ${CMAKE_BINARY_DIR}/wineprefix-forecast ${PROJECT_SOURCE_DIR} ${VELMORA_SQLITE3})
set_tests_properties(cli_forecast_under_wine PROPERTIES TIMEOUT 300)
