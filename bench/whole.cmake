# The whole program beside a stock-widget window with the same JACK work, a minimal JACK MIDI window and a
# minimal Qt window: start-up time, resident memory and idle CPU. Not a test: run
# build/<x>/bin/bench_whole_program by hand (about three minutes); scripts/test.d/zz-startup.sh runs a
# short one.
add_executable(bench_minimal_qt_window ${CMAKE_CURRENT_LIST_DIR}/MinimalQtWindow.cpp)
target_link_libraries(bench_minimal_qt_window PRIVATE Qt6::Widgets Qt6::Network)

add_executable(bench_minimal_jack_qt_window ${CMAKE_CURRENT_LIST_DIR}/MinimalJackQtWindow.cpp)
target_link_libraries(bench_minimal_jack_qt_window PRIVATE Qt6::Widgets Qt6::Network PkgConfig::JACK)

add_executable(bench_stock_jack_window ${CMAKE_CURRENT_LIST_DIR}/StockJackWindow.cpp)
target_link_libraries(bench_stock_jack_window PRIVATE Qt6::Widgets Qt6::Network PkgConfig::JACK)

add_executable(bench_whole_program ${CMAKE_CURRENT_LIST_DIR}/BenchWholeProgram.cpp)
target_link_libraries(bench_whole_program PRIVATE sonvale_test_process)
target_compile_definitions(bench_whole_program PRIVATE
  SONVALE_PROGRAM_PATH="$<TARGET_FILE:sonvale-data-manager>"
  STOCK_JACK_WINDOW_PATH="$<TARGET_FILE:bench_stock_jack_window>"
  MINIMAL_QT_WINDOW_PATH="$<TARGET_FILE:bench_minimal_qt_window>"
  MINIMAL_JACK_QT_WINDOW_PATH="$<TARGET_FILE:bench_minimal_jack_qt_window>")
add_dependencies(bench_whole_program sonvale-data-manager bench_stock_jack_window bench_minimal_qt_window bench_minimal_jack_qt_window)
