# Round trip through the driver module and an emulated console at three JACK periods, and the driver
# thread's idle CPU. Not a test: run build/<x>/bin/bench_jack_round_trip by hand.
add_executable(bench_jack_round_trip
  ${CMAKE_CURRENT_LIST_DIR}/BenchJackRoundTrip.cpp
  ${PROJECT_SOURCE_DIR}/tests/drivers/JackTestServer.cpp
  ${PROJECT_SOURCE_DIR}/tests/drivers/ChildProcess.cpp)
target_include_directories(bench_jack_round_trip PRIVATE ${PROJECT_SOURCE_DIR}/tests/drivers)
target_link_libraries(bench_jack_round_trip PRIVATE sonvale_midi sonvale_data PkgConfig::JACK benchmark::benchmark)
target_compile_definitions(bench_jack_round_trip PRIVATE OSTRA_EMULATOR_PATH="$<TARGET_FILE:ostra-emulator>")
add_dependencies(bench_jack_round_trip vorn_jack ostra-emulator)
