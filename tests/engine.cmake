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
tamboro_test(engine_realtime_test engine_realtime_test.cpp)
set_target_properties(engine_realtime_test PROPERTIES ENABLE_EXPORTS ON)
