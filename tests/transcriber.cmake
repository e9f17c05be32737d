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
