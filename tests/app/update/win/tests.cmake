# Windows test programs of the update checker, run under Wine.
# HTTP client: real Winsock and message pump against a loopback server.
velmora_test(http_win_tests ${PROJECT_SOURCE_DIR}/tests/app/update/win/http velmora_update_win velmora_fakes)
set_tests_properties(http_win_tests PROPERTIES
  ENVIRONMENT "VELMORA_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-http")
# The same program through a real HTTP proxy (tinyproxy), started around it.
add_test(NAME http_win_proxy_tests
  COMMAND sh ${PROJECT_SOURCE_DIR}/tests/app/update/win/http/with-proxy.sh
          ${PROJECT_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:http_win_tests> --gtest_filter=*Proxy*)
set_tests_properties(http_win_proxy_tests PROPERTIES TIMEOUT 600
  ENVIRONMENT "VELMORA_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-http")
