# The health watch's Windows side under Wine, in a prefix of its own: the
# service object in this process, the alert command runner with real
# commands, the DACLs and the history folder, and SMART_VELMORA_WATCH.exe and
# watch_probe.exe (the watch's service with a work that ignores the stop)
# registered, controlled and stopped through the SCM. The watch has no pipe,
# so no lock is held.
add_executable(watch_probe ${PROJECT_SOURCE_DIR}/tests/watch/win/probe/WatchProbeMain.cpp)
target_link_libraries(watch_probe PRIVATE velmora_watch_win)
target_include_directories(watch_probe PRIVATE ${PROJECT_SOURCE_DIR})
set_target_properties(watch_probe PROPERTIES WIN32_EXECUTABLE TRUE)
velmora_warnings(watch_probe)

# The watch's footprint benchmark: built on request, run by scripts/bench-watch.sh.
add_executable(watch_footprint_bench EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/tests/watch/win/bench/WatchFootprintBench.cpp)
target_link_libraries(watch_footprint_bench PRIVATE velmora_watch_win psapi)
target_include_directories(watch_footprint_bench PRIVATE ${PROJECT_SOURCE_DIR})
velmora_warnings(watch_footprint_bench)

velmora_test(watch_win_tests ${PROJECT_SOURCE_DIR}/tests/watch/win velmora_watch_win velmora_fakes)
add_dependencies(watch_win_tests SMART_VELMORA_WATCH watch_probe)
velmora_wine_prefix(watch_win_tests watch)
