# The shared service host's parts under Wine, in-process: the service
# object's control handling and the installer, which registers a scripted
# service (never started) in a prefix of its own.
velmora_test(servicehost_win_tests ${PROJECT_SOURCE_DIR}/tests/servicehost/win velmora_servicehost_win velmora_fakes)
velmora_wine_prefix(servicehost_win_tests servicehost)
