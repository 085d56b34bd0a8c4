# The toolbox's Windows code under Wine. The pipe client tests create the
# service's pipe name, so they run in a prefix of their own and hold the
# pipe-name lock.
velmora_test(app_win_tests ${PROJECT_SOURCE_DIR}/tests/app/win velmora_app_win velmora_fakes)
if(TARGET app_win_tests)
  set_tests_properties(app_win_tests PROPERTIES
    RESOURCE_LOCK velmora_pipe_name
    ENVIRONMENT "VELMORA_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-app-win")
endif()
