# The whole product end to end under Wine and Xvfb (xvfb-run -a): the setup
# program in a fresh prefix of its own, the service, the console, the
# toolbox's window read from another process, the update check against the
# reference server, and the uninstaller. It installs the service, so it holds
# the pipe-name lock.
add_executable(window_probe ${CMAKE_CURRENT_LIST_DIR}/window_probe.cpp)
target_include_directories(window_probe PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(window_probe PRIVATE velmora_common user32 advapi32)
velmora_warnings(window_probe)

# Building the probe builds the setup program it tests (made by installer/).
add_dependencies(window_probe velmora_setup)

add_test(NAME product_end_to_end
  COMMAND xvfb-run -a -s "${VELMORA_XVFB_SCREEN}"
          bash ${CMAKE_CURRENT_LIST_DIR}/product-end-to-end.sh
          ${CMAKE_BINARY_DIR}/bin ${CMAKE_BINARY_DIR}/wineprefix-e2e ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION})
set_tests_properties(product_end_to_end PROPERTIES TIMEOUT 900 RESOURCE_LOCK smart_velmora_pipe)

# The setup program over a running toolbox: every file replaced, or a
# failing exit status. It installs the service too.
find_program(VELMORA_MAKENSIS makensis REQUIRED)
add_test(NAME setup_over_running_toolbox
  COMMAND xvfb-run -a -s "${VELMORA_XVFB_SCREEN}"
          bash ${CMAKE_CURRENT_LIST_DIR}/setup-over-running-toolbox.sh
          ${CMAKE_BINARY_DIR}/bin ${CMAKE_BINARY_DIR}/wineprefix-setup-over ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION})
set_tests_properties(setup_over_running_toolbox PROPERTIES TIMEOUT 600 RESOURCE_LOCK smart_velmora_pipe)

# The health watch end to end: its own prefix; it installs the data service too.
find_program(VELMORA_SQLITE3 sqlite3 REQUIRED)
add_test(NAME watch_end_to_end
  COMMAND xvfb-run -a -s "${VELMORA_XVFB_SCREEN}"
          bash ${CMAKE_CURRENT_LIST_DIR}/watch-end-to-end.sh
          ${CMAKE_BINARY_DIR}/bin ${CMAKE_BINARY_DIR}/wineprefix-watch-e2e ${PROJECT_SOURCE_DIR})
set_tests_properties(watch_end_to_end PROPERTIES TIMEOUT 900 RESOURCE_LOCK smart_velmora_pipe)

# The monitoring chain on loopback: the watch's metrics file through a node
# exporter's textfile collector, Prometheus with the example alert rules, and
# Alertmanager to a webhook receiver. It installs the services too.
foreach(program prometheus prometheus-node-exporter prometheus-alertmanager promtool curl)
  string(MAKE_C_IDENTIFIER "VELMORA_${program}" variable)
  find_program(${variable} ${program} REQUIRED)
endforeach()
add_test(NAME monitoring_chain
  COMMAND xvfb-run -a -s "${VELMORA_XVFB_SCREEN}"
          bash ${CMAKE_CURRENT_LIST_DIR}/monitoring-chain.sh
          ${CMAKE_BINARY_DIR}/bin ${CMAKE_BINARY_DIR}/wineprefix-monitoring ${PROJECT_SOURCE_DIR})
set_tests_properties(monitoring_chain PROPERTIES TIMEOUT 600 RESOURCE_LOCK smart_velmora_pipe)
