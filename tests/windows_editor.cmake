# Both editors on Win32 under wine, compared with the Linux build's
# screenshots of the same states, which the Linux editor preview writes first
# (on the X display the whole test run has; wine draws on it too). Needs
# tamboro_windows_test and the wine fixture of windows.cmake.
set(linux_screenshots ${CMAKE_CURRENT_BINARY_DIR}/linux-screenshots)
set(preview ${TAMBORO_LINUX_BUILD}/host/tamboro_editor_preview)
# Tamboro with the settings of the README's screenshot; the transcriber as opened.
add_test(NAME linux_editor_screenshots
  COMMAND sh -c "mkdir -p '${linux_screenshots}' && \
'${preview}' --set 0=0.75 --set 1=0.5 --set 2=0.6666667 --set 3=1 --set 4=0.5 \
--screenshot '${linux_screenshots}/editor.png' && \
'${preview}' --transcriber --screenshot '${linux_screenshots}/transcriber-editor.png'")
# The preview reads its window back from the screen, so nothing else may be
# on it meanwhile: not the validator's editors, nor the dialog wine shows at
# the screen's centre while it sets up a new prefix (wine_start).
set_tests_properties(linux_editor_screenshots PROPERTIES FIXTURES_SETUP linux_screenshots
                                                         TIMEOUT 60 RESOURCE_LOCK windows_screen)

tamboro_windows_test(editor_win32_test 120 editor_win32_test.cpp)
target_link_libraries(editor_win32_test PRIVATE gdiplus)
target_compile_definitions(editor_win32_test PRIVATE
  TAMBORO_LINUX_SCREENSHOTS="Z:${linux_screenshots}")
set_tests_properties(editor_win32_test PROPERTIES FIXTURES_REQUIRED "wine;linux_screenshots"
                                                  LABELS windows_editor RESOURCE_LOCK windows_screen)

# The widget tree on the stub window system and the bitmaps, as on Linux, but
# drawn by the Windows picture from the program's own resources.
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/tamboro.rc PROPERTIES
  INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR}/resources)
add_executable(editor_unit_test editor_resources_test.cpp editor_toolkit_test.cpp
                                ${CMAKE_SOURCE_DIR}/resources/tamboro.rc
                                ${CMAKE_SOURCE_DIR}/shell/module_handle.cpp)
target_link_libraries(editor_unit_test PRIVATE tamboro_core GTest::gtest GTest::gtest_main)
add_test(NAME editor_unit_test COMMAND editor_unit_test)
tamboro_wine_test(editor_unit_test 60)
set_tests_properties(editor_unit_test PROPERTIES LABELS windows_editor)
