# The library against an independent model of its processing, bit for bit.
tamboro_unit_test(reference_test
  reference_test.cpp
  reference_lockstep.cpp
  reference_model.cpp
  reference_signals.cpp)
