# Abuse and audit programs under Wine, each one ctest test in a prefix of its
# own. The pipe program installs the real service (hence the pipe-name lock
# and the dependency on it); a setup and a cleanup step end every process of
# its prefix, also when the program fails.
velmora_test(pipe_abuse_tests ${PROJECT_SOURCE_DIR}/tests/abuse/pipe velmora_service_win velmora_fakes psapi)
add_dependencies(pipe_abuse_tests SMART_VELMORA_SV)
set(abuse_pipe_prefix ${CMAKE_BINARY_DIR}/wineprefix-abuse-pipe)
set_tests_properties(pipe_abuse_tests PROPERTIES
  ENVIRONMENT "VELMORA_WINEPREFIX=${abuse_pipe_prefix}"
  RESOURCE_LOCK smart_velmora_pipe
  FIXTURES_REQUIRED abuse_pipe_prefix
  TIMEOUT 600)
foreach(step setup cleanup)
  add_test(NAME pipe_abuse_prefix_${step}
    COMMAND sh -c "[ -d \"$0\" ] && WINEPREFIX=\"$0\" wineserver -k; true" ${abuse_pipe_prefix})
  set_tests_properties(pipe_abuse_prefix_${step} PROPERTIES RESOURCE_LOCK smart_velmora_pipe)
endforeach()
set_tests_properties(pipe_abuse_prefix_setup PROPERTIES FIXTURES_SETUP abuse_pipe_prefix)
set_tests_properties(pipe_abuse_prefix_cleanup PROPERTIES FIXTURES_CLEANUP abuse_pipe_prefix)

# Hostile HTTP servers against the update client; no service, so no lock.
# VELMORA_ABUSE_LONG=1 (scripts/robustness.sh) runs the cases at the real
# 60 s and 30 s limits instead of shortened ones.
velmora_test(http_abuse_tests ${PROJECT_SOURCE_DIR}/tests/abuse/http velmora_update_win velmora_fakes)
set(abuse_http_prefix ${CMAKE_BINARY_DIR}/wineprefix-abuse-http)
set_tests_properties(http_abuse_tests PROPERTIES
  ENVIRONMENT "VELMORA_WINEPREFIX=${abuse_http_prefix}"
  FIXTURES_REQUIRED abuse_http_prefix
  TIMEOUT 300)
add_test(NAME http_abuse_prefix_cleanup
  COMMAND sh -c "[ -d \"$0\" ] && WINEPREFIX=\"$0\" wineserver -k; true" ${abuse_http_prefix})
set_tests_properties(http_abuse_prefix_cleanup PROPERTIES FIXTURES_CLEANUP abuse_http_prefix)
