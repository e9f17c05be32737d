# Robustness: a validator suite that drives tamboro.so as hosts do (and as
# careless hosts do), the real-time safety proof, and the replay of fuzzing
# finds. The run script builds the same tests again under the sanitizers.

add_library(validator_support STATIC validator_support.cpp)
target_link_libraries(validator_support PUBLIC tamboro_host GTest::gtest X11::X11)
target_compile_definitions(validator_support PUBLIC TAMBORO_PLUGIN_PATH="$<TARGET_FILE:tamboro>")

function(tamboro_validator_test name)
  tamboro_test(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE validator_support)
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
