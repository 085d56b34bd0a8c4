# The service program's tests under Wine: in-process tests of the pipe
# service and end-to-end tests that install, start, talk to and remove the real
# SMART_VELMORA_SV.exe, in a prefix of their own.
velmora_test(service_win_tests ${PROJECT_SOURCE_DIR}/tests/service/win velmora_service_win velmora_fakes)
add_dependencies(service_win_tests SMART_VELMORA_SV)
set_tests_properties(service_win_tests PROPERTIES TIMEOUT 900)
velmora_wine_prefix(service_win_tests service SERVICE)

add_executable(service_bench ${PROJECT_SOURCE_DIR}/tests/service/win/bench/ServiceBench.cpp)
target_link_libraries(service_bench PRIVATE velmora_service_win)
target_include_directories(service_bench PRIVATE ${PROJECT_SOURCE_DIR})
velmora_warnings(service_bench)

# The floor the benchmark compares the service with: the same pipe code
# without the data source, the SCM or the flush bound.
add_executable(service_floor ${PROJECT_SOURCE_DIR}/tests/service/win/bench/ServiceFloor.cpp)
target_link_libraries(service_floor PRIVATE velmora_service_win)
target_include_directories(service_floor PRIVATE ${PROJECT_SOURCE_DIR})
velmora_warnings(service_floor)
