# The editor: the widget tree on a stub window system, the embedded bitmaps
# and read-out texts, and the real plug-in's editor on a private X server.
tamboro_unit_test(editor_unit_test
  editor_resources_test.cpp
  editor_toolkit_test.cpp)

# The real editor on a private X server (each program starts its own Xvfb,
# so injected input can never reach other windows). One ctest test per
# program: one server start each.
add_library(editor_x11_fixture STATIC editor_x11_fixture.cpp private_x_server.cpp)
target_link_libraries(editor_x11_fixture PUBLIC tamboro_host tamboro_editor_host_window
                                                tamboro_core GTest::gtest X11::X11 Xtst)
target_compile_definitions(editor_x11_fixture PUBLIC TAMBORO_PLUGIN_PATH="$<TARGET_FILE:tamboro>")
foreach(name editor_window_test editor_input_test)
  add_executable(${name} ${name}.cpp)
  target_link_libraries(${name} PRIVATE editor_x11_fixture GTest::gtest_main)
  add_dependencies(${name} tamboro)
  add_test(NAME ${name} COMMAND ${name})
endforeach()
target_link_libraries(editor_window_test PRIVATE PkgConfig::CAIRO)
target_compile_definitions(editor_window_test PRIVATE
  TAMBORO_EDITOR_PREVIEW="$<TARGET_FILE:tamboro_editor_preview>")
add_dependencies(editor_window_test tamboro_editor_preview)

# Opening and closing again and again leaks nothing: the lifecycle cases once
# more under valgrind (fontconfig's once-per-process caches aside).
find_program(VALGRIND valgrind)
if(VALGRIND)
  add_test(NAME editor_lifecycle_under_valgrind
    COMMAND ${VALGRIND} --error-exitcode=1 --leak-check=full
            --errors-for-leak-kinds=definite,indirect
            --suppressions=${CMAKE_CURRENT_SOURCE_DIR}/editor_valgrind.supp
            $<TARGET_FILE:editor_window_test>
            --gtest_filter=EditorTest.ManyOpenCloseCycles:EditorTest.OpeningTwice*:EditorTest.SurvivesTheHost*:EditorTest.ClosingThePlugin*:EditorTest.Refuses*:EditorTest.ChangesFromAnotherThread*)
  set_tests_properties(editor_lifecycle_under_valgrind PROPERTIES
    ENVIRONMENT TAMBORO_EDITOR_CYCLES=20)
endif()
