# The plug-in's speed per processing path on a given audio file, for the
# side-by-side comparison in aubio_compare.sh.
pkg_check_modules(BENCH_SNDFILE REQUIRED IMPORTED_TARGET sndfile)
add_executable(file_bench file_bench.cpp)
target_link_libraries(file_bench PRIVATE tamboro_host benchmark::benchmark PkgConfig::BENCH_SNDFILE)
target_compile_definitions(file_bench PRIVATE TAMBORO_PLUGIN_PATH="$<TARGET_FILE:tamboro>")
add_dependencies(file_bench tamboro)
