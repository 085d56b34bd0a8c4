# The toolbox's windows under Wine. app_win_tests: the parts that need no
# display. app_gui_tests: the message box, gauge and update dialogs in this
# process, and the real SMART_VELMORA.exe with the real service on the
# example drive set (with a loopback update server for its update side, and
# the reference update server for its downloads); it runs on an Xvfb display
# of its own (xvfb-run -a), in a prefix of its own, holding the pipe-name
# lock since it installs the service.
# app_gui_tests_192dpi: its display-scaling tests in a prefix at 192 DPI.
velmora_test(app_win_tests ${PROJECT_SOURCE_DIR}/tests/app/win velmora_app_win velmora_fakes)
target_compile_definitions(app_win_tests PRIVATE VELMORA_PICTURES="${PROJECT_SOURCE_DIR}/app/win/res")

file(GLOB gui_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/app/win/gui/*.cpp)
# The toolbox's pictures (not its manifest): its main window can be made in
# this process.
add_executable(app_gui_tests ${gui_sources} ${PROJECT_SOURCE_DIR}/app/win/res/ToolboxPictures.rc)
set_source_files_properties(${PROJECT_SOURCE_DIR}/app/win/res/ToolboxPictures.rc PROPERTIES OBJECT_DEPENDS
  "${PROJECT_SOURCE_DIR}/app/win/res/toolbar.bmp;${PROJECT_SOURCE_DIR}/app/win/res/toolbar_150.bmp;${PROJECT_SOURCE_DIR}/app/win/res/toolbar_200.bmp")
target_include_directories(app_gui_tests PRIVATE ${PROJECT_SOURCE_DIR}/app/win/res)
target_link_libraries(app_gui_tests PRIVATE velmora_app_win velmora_service_win velmora_fakes
  GTest::gmock GTest::gtest_main)
target_include_directories(app_gui_tests PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(app_gui_tests PRIVATE VELMORA_EXAMPLES="${PROJECT_SOURCE_DIR}/examples")
velmora_warnings(app_gui_tests)
add_dependencies(app_gui_tests SMART_VELMORA SMART_VELMORA_SV)

# The screen holds the main window at 200 %: the DPI-change test asks for it.
add_test(NAME app_gui_tests
  COMMAND xvfb-run -a -s "-screen 0 1600x1200x24"
          bash ${PROJECT_SOURCE_DIR}/tests/app/win/run-gui-test.sh
          ${PROJECT_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:app_gui_tests>)
set_tests_properties(app_gui_tests PROPERTIES
  ENVIRONMENT "VELMORA_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-app;VELMORA_UPDATE_SERVER_SOURCE=${PROJECT_SOURCE_DIR}"
  RESOURCE_LOCK smart_velmora_pipe
  TIMEOUT 900)

# The windows' layout at 200 % scaling: the display-scaling tests again, in
# a prefix of its own whose LogPixels is 192 before the program starts.
add_test(NAME app_gui_tests_192dpi
  COMMAND xvfb-run -a -s "-screen 0 1600x1200x24"
          bash ${PROJECT_SOURCE_DIR}/tests/app/win/run-gui-test.sh
          ${PROJECT_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:app_gui_tests> --gtest_filter=DisplayScaling.*)
set_tests_properties(app_gui_tests_192dpi PROPERTIES
  ENVIRONMENT "VELMORA_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-app-192dpi;VELMORA_LOGPIXELS=192;VELMORA_EXPECT_DPI=192"
  TIMEOUT 300)

# The history the pictures of the "Health history" window show, written into
# a prefix's history database by scripts/screenshot.sh.
add_executable(history_demo ${PROJECT_SOURCE_DIR}/tests/app/win/demo/HistoryDemoMain.cpp)
target_link_libraries(history_demo PRIVATE velmora_history velmora_common_win)
target_include_directories(history_demo PRIVATE ${PROJECT_SOURCE_DIR})
velmora_warnings(history_demo)
