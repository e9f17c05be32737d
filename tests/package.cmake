# The release archive: packed into the build tree by the dist target's own
# command, then unpacked and used as a user would.
if(WIN32)
  # The Windows zip's test (its DLLs loaded from the unpacked zip under wine)
  # belongs with the cross build's wine fixture.
  return()
endif()
set(package_test_folder ${CMAKE_CURRENT_BINARY_DIR}/package)
add_test(NAME package_archive_packs
  COMMAND ${CMAKE_COMMAND} -DOUTPUT_DIR=${package_test_folder} ${TAMBORO_PACKAGE_ARGUMENTS})
set_tests_properties(package_archive_packs PROPERTIES FIXTURES_SETUP package_archive)

add_executable(package_test package_test.cpp)
target_link_libraries(package_test PRIVATE tamboro_host GTest::gtest GTest::gtest_main)
target_compile_definitions(package_test PRIVATE
  TAMBORO_PLUGIN_PATH="$<TARGET_FILE:tamboro>"
  TAMBORO_TRANSCRIBER_PLUGIN_PATH="$<TARGET_FILE:tamboro_transcriber_plugin>"
  TAMBORO_CLI_PATH="$<TARGET_FILE:tamboro_cli>"
  TAMBORO_CMAKE="${CMAKE_COMMAND}"
  TAMBORO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  TAMBORO_PACKAGE_NAME="${TAMBORO_PACKAGE_NAME}"
  TAMBORO_PACKAGE_ARCHIVE="${package_test_folder}/${TAMBORO_PACKAGE_FILE}")
add_dependencies(package_test tamboro tamboro_transcriber_plugin tamboro_cli)
# The sanitizer build's command, run from the archive, is told of
# fontconfig's caches as in the command's own tests.
gtest_discover_tests(package_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES FIXTURES_REQUIRED package_archive
                     ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/cli_lsan.supp")
