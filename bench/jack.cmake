# Round trip through the driver module and an emulated console at three JACK periods, and the driver
# thread's idle CPU. Not a test: run build/<x>/bin/bench_jack_round_trip by hand.
add_executable(bench_jack_round_trip ${CMAKE_CURRENT_LIST_DIR}/BenchJackRoundTrip.cpp)
target_link_libraries(bench_jack_round_trip PRIVATE sonvale_test_process sonvale_midi sonvale_data benchmark::benchmark)
