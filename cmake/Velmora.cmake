# Shared build rules: warnings, sanitizers, output folders and the helpers
# that turn a folder of sources into a library or a test program.

if(WIN32)
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  # Static runtime: the programs run under Wine and on Windows without extra DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
else()
  set(VELMORA_SANITIZE ON CACHE BOOL "Build native code with ASan and UBSan")
  if(VELMORA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  endif()
  # The fuzz preset: the portable libraries and the libFuzzer programs of
  # tests/fuzz instead of the unit tests (clang only).
  set(VELMORA_FUZZ OFF CACHE BOOL "Build the libFuzzer targets of tests/fuzz instead of the tests")
endif()

function(velmora_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 reports overlapping copies inside libstdc++'s own string code at
    # -O3 that cannot happen (a known false positive of that release).
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()

# velmora_library(NAME DIR [DEPS ...]): a static library from every .cpp in DIR
# except the program entry points named *Main.cpp. Its users also see the
# source root and the generated headers (the product version).
function(velmora_library name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  # Program entry points (*Main.cpp) belong to the program, not the library.
  list(FILTER sources EXCLUDE REGEX "Main\\.cpp$")
  if(NOT sources)
    message(FATAL_ERROR "velmora_library(${name}): no sources in ${dir}")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${VELMORA_GENERATED_DIR})
  if(ARGN)
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
  velmora_warnings(${name})
endfunction()

# velmora_test(NAME DIR [DEPS ...]): one GoogleTest program from every .cpp in
# DIR. Natively each test case becomes a ctest test; under Wine the whole
# program is one ctest test, since every Wine start costs time.
function(velmora_test name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT sources)
    message(FATAL_ERROR "velmora_test(${name}): no sources in ${dir}")
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE VELMORA_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  velmora_warnings(${name})
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name})
    # The build's shared prefix unless the test names its own afterwards.
    set_tests_properties(${name} PROPERTIES TIMEOUT 600
      ENVIRONMENT "VELMORA_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
  else()
    include(GoogleTest)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# velmora_wine_prefix(TEST NAME [SERVICE]): TEST runs in the Wine prefix
# wineprefix-NAME of its own, and a cleanup step (with SERVICE also a setup
# step) ends every process of that prefix, also when TEST fails. SERVICE:
# TEST installs the real service, which starts with its prefix's wineserver,
# so it and its steps hold the pipe-name lock.
function(velmora_wine_prefix test name)
  cmake_parse_arguments(PARSE_ARGV 2 arg "SERVICE" "" "")
  set(prefix ${CMAKE_BINARY_DIR}/wineprefix-${name})
  set(steps cleanup)
  set(lock "")
  if(arg_SERVICE)
    set(steps setup cleanup)
    set(lock RESOURCE_LOCK smart_velmora_pipe)
  endif()
  set_tests_properties(${test} PROPERTIES ENVIRONMENT "VELMORA_WINEPREFIX=${prefix}" FIXTURES_REQUIRED ${name} ${lock})
  foreach(step IN LISTS steps)
    add_test(NAME ${test}_prefix_${step} COMMAND sh -c "[ -d \"$0\" ] && WINEPREFIX=\"$0\" wineserver -k; true" ${prefix})
    string(TOUPPER ${step} kind)
    set_tests_properties(${test}_prefix_${step} PROPERTIES FIXTURES_${kind} ${name} ${lock})
  endforeach()
endfunction()
