# The whole program beside a minimal JACK MIDI window and a minimal Qt window: start-up time, resident
# memory and idle CPU. Not a test: run build/<x>/bin/bench_whole_program by hand (about two minutes).
add_executable(bench_minimal_qt_window ${CMAKE_CURRENT_LIST_DIR}/MinimalQtWindow.cpp)
target_link_libraries(bench_minimal_qt_window PRIVATE Qt6::Widgets Qt6::Network)

add_executable(bench_minimal_jack_qt_window ${CMAKE_CURRENT_LIST_DIR}/MinimalJackQtWindow.cpp)
target_link_libraries(bench_minimal_jack_qt_window PRIVATE Qt6::Widgets Qt6::Network PkgConfig::JACK)

add_executable(bench_whole_program ${CMAKE_CURRENT_LIST_DIR}/BenchWholeProgram.cpp)
target_link_libraries(bench_whole_program PRIVATE sonvale_test_process)
target_compile_definitions(bench_whole_program PRIVATE
  SONVALE_PROGRAM_PATH="$<TARGET_FILE:sonvale-data-manager>"
  MINIMAL_QT_WINDOW_PATH="$<TARGET_FILE:bench_minimal_qt_window>"
  MINIMAL_JACK_QT_WINDOW_PATH="$<TARGET_FILE:bench_minimal_jack_qt_window>")
add_dependencies(bench_whole_program sonvale-data-manager bench_minimal_qt_window bench_minimal_jack_qt_window)
