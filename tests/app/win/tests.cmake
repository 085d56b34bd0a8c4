# The toolbox's windows under Wine. app_win_tests: the parts that need no
# display. app_gui_tests: the message box, gauge and update dialogs in this
# process, and the real SMART_VELMORA.exe with the real service on the
# example drive set (with a loopback update server for its update side); it
# runs on an Xvfb display of its own (xvfb-run -a), in a prefix of its own,
# holding the pipe-name lock since it installs the service.
velmora_test(app_win_tests ${PROJECT_SOURCE_DIR}/tests/app/win velmora_app_win velmora_fakes)
target_compile_definitions(app_win_tests PRIVATE VELMORA_PICTURES="${PROJECT_SOURCE_DIR}/app/win/res")

file(GLOB gui_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/app/win/gui/*.cpp)
add_executable(app_gui_tests ${gui_sources})
target_link_libraries(app_gui_tests PRIVATE velmora_app_win velmora_service_win velmora_fakes
  GTest::gmock GTest::gtest_main)
target_include_directories(app_gui_tests PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(app_gui_tests PRIVATE VELMORA_EXAMPLES="${PROJECT_SOURCE_DIR}/examples")
velmora_warnings(app_gui_tests)
add_dependencies(app_gui_tests SMART_VELMORA SMART_VELMORA_SV)

add_test(NAME app_gui_tests
  COMMAND xvfb-run -a -s "${VELMORA_XVFB_SCREEN}"
          bash ${PROJECT_SOURCE_DIR}/tests/app/win/run-gui-test.sh
          ${PROJECT_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:app_gui_tests>)
set_tests_properties(app_gui_tests PROPERTIES
  ENVIRONMENT "VELMORA_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-app"
  RESOURCE_LOCK smart_velmora_pipe
  TIMEOUT 900)

# The history the pictures of the "Health history" window show, written into
# a prefix's history database by scripts/screenshot.sh.
add_executable(history_demo ${PROJECT_SOURCE_DIR}/tests/app/win/demo/HistoryDemoMain.cpp)
target_link_libraries(history_demo PRIVATE velmora_history velmora_common_win)
target_include_directories(history_demo PRIVATE ${PROJECT_SOURCE_DIR})
velmora_warnings(history_demo)
