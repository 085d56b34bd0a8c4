# The service program's tests under Wine: in-process tests of the host's
# parts and end-to-end tests that install, start, talk to and remove the real
# SMART_VELMORA_SV.exe. They use a prefix of their own and hold the pipe-name
# lock, since an auto-start service starts with its prefix's wineserver; a
# setup and a cleanup step end every process of that prefix.
velmora_test(service_win_tests ${PROJECT_SOURCE_DIR}/tests/service/win velmora_service_win velmora_fakes)
add_dependencies(service_win_tests SMART_VELMORA_SV)
set(service_prefix ${CMAKE_BINARY_DIR}/wineprefix-service)
set_tests_properties(service_win_tests PROPERTIES
  ENVIRONMENT "VELMORA_WINEPREFIX=${service_prefix}"
  RESOURCE_LOCK smart_velmora_pipe
  FIXTURES_REQUIRED service_prefix
  TIMEOUT 900)
foreach(step setup cleanup)
  add_test(NAME service_win_prefix_${step}
    COMMAND sh -c "[ -d \"$0\" ] && WINEPREFIX=\"$0\" wineserver -k; true" ${service_prefix})
  set_tests_properties(service_win_prefix_${step} PROPERTIES RESOURCE_LOCK smart_velmora_pipe)
endforeach()
set_tests_properties(service_win_prefix_setup PROPERTIES FIXTURES_SETUP service_prefix)
set_tests_properties(service_win_prefix_cleanup PROPERTIES FIXTURES_CLEANUP service_prefix)

add_executable(service_bench ${PROJECT_SOURCE_DIR}/tests/service/win/bench/ServiceBench.cpp)
target_link_libraries(service_bench PRIVATE velmora_service_win)
target_include_directories(service_bench PRIVATE ${PROJECT_SOURCE_DIR})
velmora_warnings(service_bench)
