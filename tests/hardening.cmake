# Robustness: a validator suite that drives tamboro.so as hosts do (and as
# careless hosts do), the real-time safety proof, and the replay of fuzzing
# finds. The run script builds the same tests again under the sanitizers.

add_library(validator_support STATIC validator_support.cpp validator_parent_window_x11.cpp)
target_link_libraries(validator_support PUBLIC tamboro_host tamboro_drums GTest::gtest X11::X11)
target_compile_definitions(validator_support PUBLIC TAMBORO_PLUGIN_PATH="$<TARGET_FILE:tamboro>"
  TAMBORO_TRANSCRIBER_PLUGIN_PATH="$<TARGET_FILE:tamboro_transcriber_plugin>")

# The editor's text drawing fills fontconfig's caches, which live until the
# process ends; the leak checker of the sanitizer build is told so.
set(validator_environment
  "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/hardening_lsan.supp")

function(tamboro_validator_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE validator_support GTest::gtest_main)
  add_dependencies(${name} tamboro tamboro_transcriber_plugin)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "${validator_environment}")
endfunction()

tamboro_validator_test(validator_lifecycle_test validator_lifecycle_test.cpp)
tamboro_validator_test(validator_dispatcher_test validator_dispatcher_test.cpp)
tamboro_validator_test(validator_parameters_test validator_parameters_test.cpp)
tamboro_validator_test(validator_processing_test validator_processing_test.cpp)
tamboro_validator_test(validator_threads_test validator_threads_test.cpp)

# Replaces the allocator, so it cannot run beside a sanitizer's own.
if(NOT TAMBORO_SANITIZE)
  tamboro_validator_test(hardening_realtime_test hardening_realtime_test.cpp)
  set_target_properties(hardening_realtime_test PROPERTIES ENABLE_EXPORTS ON)
endif()

# Every seed and every past finding of the fuzzer, replayed against tamboro.so.
tamboro_validator_test(hardening_fuzz_replay_test hardening_fuzz_replay_test.cpp
                       ${CMAKE_SOURCE_DIR}/fuzz/host_actions.cpp)
target_compile_definitions(hardening_fuzz_replay_test PRIVATE
  TAMBORO_FUZZ_DIR="${CMAKE_SOURCE_DIR}/fuzz")

# Replays what Ardour gave the plug-in through our host, for the real-host check.
pkg_check_modules(HARDENING_SNDFILE REQUIRED IMPORTED_TARGET sndfile)
add_executable(real_host_reference real_host/reference_host.cpp)
target_link_libraries(real_host_reference PRIVATE tamboro_host PkgConfig::HARDENING_SNDFILE)
