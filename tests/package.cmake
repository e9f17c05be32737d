# The release archive of this build (the Linux tar.gz, or the Windows zip in
# the cross build), as a user gets it: packed into the build tree by the dist
# target's own command and unpacked there (a fixture), then its plug-ins
# loaded from there, its note and licences read, and on Linux its command run.
set(package_test_folder ${CMAKE_CURRENT_BINARY_DIR}/package)
add_test(NAME package_archive_packs
  COMMAND ${CMAKE_COMMAND} -DOUTPUT_DIR=${package_test_folder} ${TAMBORO_PACKAGE_ARGUMENTS})
add_test(NAME package_archive_unpacks
  COMMAND ${CMAKE_COMMAND} -E tar xf ${TAMBORO_PACKAGE_FILE} WORKING_DIRECTORY ${package_test_folder})
set_tests_properties(package_archive_packs PROPERTIES FIXTURES_SETUP package_packed)
set_tests_properties(package_archive_unpacks PROPERTIES FIXTURES_REQUIRED package_packed
                                                       FIXTURES_SETUP package_unpacked)

# Under wine, Z: is the file system's root.
set(package_drive "$<$<BOOL:${WIN32}>:Z:>")
add_executable(package_test package_test.cpp)
target_link_libraries(package_test PRIVATE tamboro_host GTest::gtest GTest::gtest_main)
target_compile_definitions(package_test PRIVATE
  TAMBORO_UNPACKED="${package_drive}${package_test_folder}/${TAMBORO_PACKAGE_NAME}"
  TAMBORO_SOURCE_DIR="${package_drive}${CMAKE_SOURCE_DIR}"
  TAMBORO_PLUGIN_FILE="$<TARGET_FILE_NAME:tamboro>"
  TAMBORO_TRANSCRIBER_FILE="$<TARGET_FILE_NAME:tamboro_transcriber_plugin>")
add_dependencies(package_test tamboro tamboro_transcriber_plugin)
if(WIN32)
  add_test(NAME package_test COMMAND package_test)
  tamboro_wine_test(package_test 120)
  set_tests_properties(package_test PROPERTIES FIXTURES_REQUIRED "wine;package_unpacked")
else()
  target_compile_definitions(package_test PRIVATE TAMBORO_COMMAND_FILE="$<TARGET_FILE_NAME:tamboro_cli>")
  add_dependencies(package_test tamboro_cli)
  # The sanitizer build's command, run from the archive, is told of
  # fontconfig's caches as in the command's own tests.
  gtest_discover_tests(package_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES FIXTURES_REQUIRED package_unpacked
                       ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/cli_lsan.supp")
endif()
