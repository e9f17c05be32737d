tamboro_test(engine_boundary_test
  engine_processing_test.cpp
  engine_notes_test.cpp
  engine_learning_test.cpp
  engine_double_test.cpp)
tamboro_unit_test(engine_unit_test
  engine_filter_test.cpp
  engine_filter_bank_test.cpp
  engine_velocity_test.cpp
  engine_hit_detection_test.cpp
  engine_templates_test.cpp
  engine_double_path_test.cpp)

# The plug-in loads and runs on processors without 256-bit vectors: their
# instructions (every VEX-encoded one) appear only in the wide pipeline, which
# runs where the processor has them: runWide and, where a compiler keeps them
# apart from it, the functions that take the 256-bit vectors.
add_test(NAME wide_instructions_only_in_the_wide_pipeline
  COMMAND sh -c "objdump -d --no-show-raw-insn -C '$<TARGET_FILE:tamboro>' | awk '/^[0-9a-f]+ <.*>:$/ { fn = $0 } $2 ~ /^v[a-z]/ && fn !~ /runWide|__vector\\(4\\)/ { print fn; bad = 1 } END { exit bad }'")
