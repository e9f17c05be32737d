# The command-line host: its parts, the command as a user runs it, and its
# MIDI files read back by an independent parser.
# The plot's text fills fontconfig's caches, which live until the process ends;
# sanitizer builds are told so, also in the tamboro processes the tests start.
function(tamboro_cli_test name)
  add_executable(${name} ${ARGN} cli_test_support.cpp)
  target_link_libraries(${name} PRIVATE tamboro_cli_core GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/cli_lsan.supp")
  add_dependencies(${name} tamboro tamboro_transcriber_plugin)
  target_compile_definitions(${name} PRIVATE
    TAMBORO_PLUGIN_PATH="$<TARGET_FILE:tamboro>"
    TAMBORO_TRANSCRIBER_PLUGIN_PATH="$<TARGET_FILE:tamboro_transcriber_plugin>"
    TAMBORO_CLI_PATH="$<TARGET_FILE:tamboro_cli>"
    TAMBORO_DEMO_FOLDER="${CMAKE_SOURCE_DIR}/tests/data/synth_demo"
    TAMBORO_RECORDED_DEMO_FOLDER="${CMAKE_SOURCE_DIR}/demo")
  add_dependencies(${name} tamboro_cli)
endfunction()

tamboro_cli_test(cli_unit_test
  cli_midi_file_test.cpp
  cli_note_timeline_test.cpp
  cli_values_test.cpp
  cli_outputs_test.cpp
  cli_demo_material_test.cpp)
tamboro_cli_test(cli_command_test cli_command_test.cpp cli_conventions_test.cpp)
tamboro_cli_test(cli_conversion_test cli_conversion_test.cpp cli_learning_test.cpp cli_transcriber_test.cpp)

# Debian's python3 with python3-mido, not whatever python3 comes first on PATH.
find_program(TAMBORO_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
add_test(NAME cli_midi_readback
  COMMAND ${TAMBORO_SYSTEM_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/cli_midi_readback.py
          $<TARGET_FILE:tamboro_cli> ${CMAKE_SOURCE_DIR}/demo)
set_tests_properties(cli_midi_readback PROPERTIES
  ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/cli_lsan.supp")
