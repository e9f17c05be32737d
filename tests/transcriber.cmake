# The transcriber's tests: its own interface, on synthetic drums.
add_executable(transcriber_test transcriber_test.cpp)
target_link_libraries(transcriber_test PRIVATE tamboro_transcriber GTest::gtest GTest::gtest_main)
gtest_discover_tests(transcriber_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# Replaces the allocator, so it cannot run beside a sanitizer's own.
if(NOT TAMBORO_SANITIZE)
  add_executable(transcriber_realtime_test transcriber_realtime_test.cpp)
  target_link_libraries(transcriber_realtime_test PRIVATE tamboro_transcriber GTest::gtest GTest::gtest_main)
  gtest_discover_tests(transcriber_realtime_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
endif()

# Tamboro Transcriber, the plug-in, loaded through the host library.
add_executable(transcriber_plugin_test transcriber_plugin_test.cpp)
target_link_libraries(transcriber_plugin_test PRIVATE tamboro_host tamboro_transcriber_shell GTest::gtest
                                                      GTest::gtest_main)
target_compile_definitions(transcriber_plugin_test PRIVATE
  TAMBORO_PLUGIN_PATH="$<TARGET_FILE:tamboro>"
  TAMBORO_TRANSCRIBER_PLUGIN_PATH="$<TARGET_FILE:tamboro_transcriber_plugin>")
add_dependencies(transcriber_plugin_test tamboro tamboro_transcriber_plugin)
gtest_discover_tests(transcriber_plugin_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# The plug-in in a host against `tamboro convert` on the same recording.
tamboro_cli_test(transcriber_plugin_command_test transcriber_plugin_command_test.cpp)
