# Benchmarks of the list widgets; included from bench/CMakeLists.txt.
add_executable(bench_widgets ${CMAKE_CURRENT_LIST_DIR}/BenchListPaint.cpp)
target_link_libraries(bench_widgets PRIVATE sonvale_widgets benchmark::benchmark)
