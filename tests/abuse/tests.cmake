# Abuse and audit programs under Wine, each one ctest test in a prefix of its
# own. The pipe program installs the real service (hence the dependency on it).
velmora_test(pipe_abuse_tests ${PROJECT_SOURCE_DIR}/tests/abuse/pipe velmora_service_win velmora_fakes psapi)
add_dependencies(pipe_abuse_tests SMART_VELMORA_SV)
set_tests_properties(pipe_abuse_tests PROPERTIES TIMEOUT 600)
velmora_wine_prefix(pipe_abuse_tests abuse-pipe SERVICE)

# Hostile HTTP servers against the update client; no service, so no lock.
# VELMORA_ABUSE_LONG=1 (scripts/robustness.sh) runs the cases at the real
# 60 s and 30 s limits instead of shortened ones.
velmora_test(http_abuse_tests ${PROJECT_SOURCE_DIR}/tests/abuse/http velmora_update_win velmora_fakes)
set_tests_properties(http_abuse_tests PROPERTIES TIMEOUT 300)
velmora_wine_prefix(http_abuse_tests abuse-http)
