# What the Windows build's tests compare its libraries' outputs with.
add_executable(platform_outputs platform_outputs.cpp reference_signals.cpp)
target_link_libraries(platform_outputs PRIVATE tamboro_host tamboro_drums)
