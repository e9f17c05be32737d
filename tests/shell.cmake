tamboro_test(shell_boundary_test
  shell_record_test.cpp
  shell_dispatcher_test.cpp
  shell_parameters_test.cpp)
tamboro_unit_test(shell_unit_test
  float_to_string_test.cpp
  shell_null_host_test.cpp)
tamboro_test(shell_allocation_test shell_allocation_test.cpp)
set_target_properties(shell_allocation_test PROPERTIES ENABLE_EXPORTS ON)

# A host sees exactly the two entry names and nothing else of ours.
add_test(NAME plugin_exports_only_entry_names
  COMMAND sh -c "test \"$(nm -D --defined-only '$<TARGET_FILE:tamboro>' | awk '{print $3}' | sort | xargs)\" = 'VSTPluginMain main'")
add_test(NAME transcriber_plugin_exports_only_entry_names
  COMMAND sh -c "test \"$(nm -D --defined-only '$<TARGET_FILE:tamboro_transcriber_plugin>' | awk '{print $3}' | sort | xargs)\" = 'VSTPluginMain main'")
