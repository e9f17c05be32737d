# The editor: the widget tree on a stub window system, the embedded bitmaps
# and read-out texts, and the real plug-in's editor on a private X server.
# Text drawing fills fontconfig's caches, which live until the process ends;
# sanitizer builds are told so (valgrind gets editor_valgrind.supp below).
set(editor_test_environment
  "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/editor_lsan.supp")

add_executable(editor_unit_test editor_resources_test.cpp editor_toolkit_test.cpp)
target_link_libraries(editor_unit_test PRIVATE tamboro_core GTest::gtest GTest::gtest_main)
gtest_discover_tests(editor_unit_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES ENVIRONMENT "${editor_test_environment}")

# The real editor on a private X server (each program starts its own Xvfb,
# so injected input can never reach other windows). One ctest test per
# program: one server start each.
add_library(editor_x11_input STATIC fake_x_input.cpp private_x_server.cpp)
target_link_libraries(editor_x11_input PUBLIC tamboro_editor_host_window GTest::gtest X11::X11 Xtst)
add_library(editor_x11_fixture STATIC editor_x11_fixture.cpp)
target_link_libraries(editor_x11_fixture PUBLIC editor_x11_input tamboro_host tamboro_core)
target_compile_definitions(editor_x11_fixture PUBLIC TAMBORO_PLUGIN_PATH="$<TARGET_FILE:tamboro>")
foreach(name editor_window_test editor_input_test)
  add_executable(${name} ${name}.cpp)
  target_link_libraries(${name} PRIVATE editor_x11_fixture GTest::gtest_main)
  add_dependencies(${name} tamboro)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${editor_test_environment}")
endforeach()
target_link_libraries(editor_window_test PRIVATE PkgConfig::CAIRO)
target_compile_definitions(editor_window_test PRIVATE
  TAMBORO_EDITOR_PREVIEW="$<TARGET_FILE:tamboro_editor_preview>")
add_dependencies(editor_window_test tamboro_editor_preview)

# Tamboro Transcriber's editor: its parts without a window, then the whole
# through the plug-in library only.
add_executable(transcriber_editor_parts_test transcriber_editor_parts_test.cpp)
target_link_libraries(transcriber_editor_parts_test PRIVATE tamboro_transcriber_shell GTest::gtest
                                                            GTest::gtest_main)
gtest_discover_tests(transcriber_editor_parts_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES ENVIRONMENT "${editor_test_environment}")

add_executable(transcriber_editor_test transcriber_editor_test.cpp)
target_link_libraries(transcriber_editor_test PRIVATE editor_x11_input tamboro_host GTest::gtest_main)
target_compile_definitions(transcriber_editor_test PRIVATE
  TAMBORO_PLUGIN_PATH="$<TARGET_FILE:tamboro>"
  TAMBORO_TRANSCRIBER_PLUGIN_PATH="$<TARGET_FILE:tamboro_transcriber_plugin>")
add_dependencies(transcriber_editor_test tamboro tamboro_transcriber_plugin)
add_test(NAME transcriber_editor_test COMMAND transcriber_editor_test)
set_tests_properties(transcriber_editor_test PROPERTIES ENVIRONMENT "${editor_test_environment}")

# Opening and closing again and again leaks nothing: the lifecycle cases once
# more under valgrind (fontconfig's once-per-process caches aside).
find_program(VALGRIND valgrind)
if(VALGRIND AND NOT TAMBORO_SANITIZE)
  add_test(NAME editor_lifecycle_under_valgrind
    COMMAND ${VALGRIND} --error-exitcode=1 --leak-check=full
            --errors-for-leak-kinds=definite,indirect
            --suppressions=${CMAKE_CURRENT_SOURCE_DIR}/editor_valgrind.supp
            $<TARGET_FILE:editor_window_test>
            --gtest_filter=EditorTest.ManyOpenCloseCycles:EditorTest.OpeningTwice*:EditorTest.SurvivesTheHost*:EditorTest.ClosingThePlugin*:EditorTest.Refuses*:EditorTest.ChangesFromAnotherThread*)
  set_tests_properties(editor_lifecycle_under_valgrind PROPERTIES
    ENVIRONMENT TAMBORO_EDITOR_CYCLES=20)
  add_test(NAME transcriber_editor_lifecycle_under_valgrind
    COMMAND ${VALGRIND} --error-exitcode=1 --leak-check=full
            --errors-for-leak-kinds=definite,indirect
            --suppressions=${CMAKE_CURRENT_SOURCE_DIR}/editor_valgrind.supp
            $<TARGET_FILE:transcriber_editor_test>
            --gtest_filter=*HostChangesWhileClosed*:*HostChangesShowAtIdle*)
  # Its careless-host cases live in the suite both plug-ins share.
  add_test(NAME transcriber_editor_careless_hosts_under_valgrind
    COMMAND ${VALGRIND} --error-exitcode=1 --leak-check=full
            --errors-for-leak-kinds=definite,indirect
            --suppressions=${CMAKE_CURRENT_SOURCE_DIR}/editor_valgrind.supp
            $<TARGET_FILE:validator_lifecycle_test>
            --gtest_filter=EditorLifecycle.*/TamboroTranscriber:EveryPluginLifecycle.EditorRequests*/TamboroTranscriber)
endif()
