# Windows test programs of the update checker, run under Wine.
# HTTP client: real Winsock and message pump against a loopback server.
velmora_test(http_win_tests ${PROJECT_SOURCE_DIR}/tests/update/win/http velmora_update_win velmora_fakes)
set_tests_properties(http_win_tests PROPERTIES
  ENVIRONMENT "VELMORA_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-http")
# The same program through a real HTTP proxy (tinyproxy), started around it.
add_test(NAME http_win_proxy_tests
  COMMAND sh ${PROJECT_SOURCE_DIR}/tests/update/win/http/with-proxy.sh
          ${PROJECT_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:http_win_tests> --gtest_filter=*Proxy*)
set_tests_properties(http_win_proxy_tests PROPERTIES TIMEOUT 600
  ENVIRONMENT "VELMORA_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-http")
# Download benchmark (scripts/bench-http.sh runs it beside curl).
add_executable(http_bench ${PROJECT_SOURCE_DIR}/tests/update/win/bench/HttpBench.cpp)
target_link_libraries(http_bench PRIVATE velmora_update_win psapi)
velmora_warnings(http_bench)
# Update settings and the update host in the real registry; a prefix of its
# own, since it also writes the toolbox's own settings key.
velmora_test(update_settings_win_tests ${PROJECT_SOURCE_DIR}/tests/update/win/settings velmora_update_win velmora_fakes)
set_tests_properties(update_settings_win_tests PROPERTIES
  ENVIRONMENT "VELMORA_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-update-settings")
# The system's SHA-256 and ECDSA verification (Wine's CNG needs GnuTLS),
# against vectors Debian's openssl makes at each run.
add_executable(update_crypto_win_tests ${PROJECT_SOURCE_DIR}/tests/update/win/crypto/CngCryptoTest.cpp)
target_link_libraries(update_crypto_win_tests PRIVATE velmora_update_win GTest::gmock GTest::gtest_main)
target_include_directories(update_crypto_win_tests PRIVATE ${PROJECT_SOURCE_DIR})
velmora_warnings(update_crypto_win_tests)
add_test(NAME update_crypto_win_tests
  COMMAND sh ${PROJECT_SOURCE_DIR}/tests/update/win/crypto/with-openssl-vectors.sh
          ${PROJECT_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:update_crypto_win_tests>)
set_tests_properties(update_crypto_win_tests PROPERTIES TIMEOUT 600
  ENVIRONMENT "VELMORA_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
