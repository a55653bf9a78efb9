# What tests and benchmarks share to run programs and a private JACK server: the child-process
# helper, the server, and (for test suites) the fixture that reaches the driver module by class
# identifier. Consumers get the include folder, the emulator's path and the build order with them.
add_library(sonvale_test_process STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ChildProcess.cpp
  ${CMAKE_CURRENT_LIST_DIR}/JackTestServer.cpp)
target_include_directories(sonvale_test_process PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(sonvale_test_process PUBLIC PkgConfig::JACK vorn_midi sonvale_files)
target_compile_definitions(sonvale_test_process PUBLIC OSTRA_EMULATOR_PATH="$<TARGET_FILE:ostra-emulator>")
add_dependencies(sonvale_test_process vorn_jack ostra-emulator)

if(TARGET GTest::gtest)
  add_library(sonvale_jack_fixture STATIC ${CMAKE_CURRENT_LIST_DIR}/JackFixture.cpp)
  target_link_libraries(sonvale_jack_fixture PUBLIC sonvale_test_process sonvale_platform GTest::gtest)
endif()
