# The Windows build's tests, run under wine: each DLL's boundary (exports,
# imports), the bit-exact comparison with the reference model, the core of
# the validator suite, and the outputs of the DLLs beside those of the Linux
# build (TAMBORO_LINUX_BUILD) on the same inputs.

# Debian's GoogleTest sources, compiled with the cross compiler.
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(TAMBORO_LINUX_BUILD ${CMAKE_SOURCE_DIR}/build CACHE PATH "The Linux build to compare with")
# Windows names the libraries by drive; wine's Z: is the file system root.
set(plugin_paths TAMBORO_PLUGIN_PATH="Z:$<TARGET_FILE:tamboro>"
                 TAMBORO_TRANSCRIBER_PLUGIN_PATH="Z:$<TARGET_FILE:tamboro_transcriber_plugin>")

# One prefix for this build tree, one persistent server for the whole run.
set(wine_environment WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all
                     "WINEDLLOVERRIDES=mscoree,mshtml=")
add_test(NAME wine_start COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/wine_server.sh start
                                 ${CMAKE_BINARY_DIR}/wineserver.log)
add_test(NAME wine_stop COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/wine_server.sh stop
                                ${CMAKE_BINARY_DIR}/wineserver.log)
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
set_tests_properties(wine_start wine_stop PROPERTIES ENVIRONMENT "${wine_environment}" TIMEOUT 60)
# A new prefix's setup dialog covers the screen's centre until wine_start ends.
set_tests_properties(wine_start PROPERTIES RESOURCE_LOCK windows_screen)

function(tamboro_wine_test name timeout)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT ${timeout}
                                          ENVIRONMENT "${wine_environment}")
endfunction()

# A test program of the validator or reference suites: one test per program
# (starting a Windows program costs more than most of its cases take).
function(tamboro_windows_test name timeout)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE tamboro_host tamboro_frame tamboro_drums GTest::gtest
                                        GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE ${plugin_paths})
  add_dependencies(${name} tamboro tamboro_transcriber_plugin)
  add_test(NAME ${name} COMMAND ${name})
  tamboro_wine_test(${name} ${timeout})
endfunction()

tamboro_windows_test(reference_test 300
  reference_test.cpp reference_lockstep.cpp reference_model.cpp reference_signals.cpp)
# About two minutes under wine with a display: the editor lifecycle cases
# open editors of both plug-ins many times.
tamboro_windows_test(validator_core_test 300
  validator_support.cpp validator_parent_window_win32.cpp
  validator_lifecycle_test.cpp validator_dispatcher_test.cpp validator_parameters_test.cpp
  validator_processing_test.cpp validator_threads_test.cpp)
# Its editors' windows share the display with the editor test, whose captures
# read the screen: the two never run at once.
set_tests_properties(validator_core_test PROPERTIES RESOURCE_LOCK windows_screen)

# Each DLL exports exactly the entry names and imports only system libraries.
foreach(plugin tamboro tamboro_transcriber_plugin)
  add_test(NAME ${plugin}_dll_boundary
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/windows_dll_boundary.sh $<TARGET_FILE:${plugin}>)
endforeach()

# As on Linux, the DLL runs on processors without 256-bit vectors: their
# instructions appear only in the wide pipeline (see engine.cmake).
add_test(NAME wide_instructions_only_in_the_wide_pipeline
  COMMAND sh -c "x86_64-w64-mingw32-objdump -d --no-show-raw-insn -C '$<TARGET_FILE:tamboro>' | awk '/^[0-9a-f]+ <.*>:$/ { fn = $0 } $2 ~ /^v[a-z]/ && fn !~ /runWide|__vector\\(4\\)/ { print fn; bad = 1 } END { exit bad }'")

# The same outputs as the Linux build's libraries.
add_executable(platform_outputs platform_outputs.cpp reference_signals.cpp)
target_link_libraries(platform_outputs PRIVATE tamboro_host tamboro_drums)
set(compare ${CMAKE_CURRENT_SOURCE_DIR}/compare_platform_outputs.sh)
add_test(NAME tamboro_same_outputs_as_linux
  COMMAND ${compare} ${TAMBORO_LINUX_BUILD}/tests/platform_outputs ${TAMBORO_LINUX_BUILD}/tamboro.so
          $<TARGET_FILE:platform_outputs> $<TARGET_FILE:tamboro> platform/tamboro --vary)
add_test(NAME transcriber_same_outputs_as_linux
  COMMAND ${compare} ${TAMBORO_LINUX_BUILD}/tests/platform_outputs
          ${TAMBORO_LINUX_BUILD}/tamboro-transcriber.so $<TARGET_FILE:platform_outputs>
          $<TARGET_FILE:tamboro_transcriber_plugin> platform/transcriber --teach)
tamboro_wine_test(tamboro_same_outputs_as_linux 120)
tamboro_wine_test(transcriber_same_outputs_as_linux 120)

# Both editors on Win32 (see windows_editor.cmake).
include(windows_editor.cmake)

# The release zip, unpacked, its DLLs loaded from there.
include(${CMAKE_CURRENT_SOURCE_DIR}/package.cmake)
