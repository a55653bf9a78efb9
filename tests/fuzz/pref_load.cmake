# libFuzzer target for the preference file's Load (fuzz_pref_load, seed corpus corpus/pref_load).
# For coverage inside the libraries, configure the build with -DSANITIZE=fuzzer-no-link,address,undefined
# and clang.
add_executable(fuzz_pref_load ${CMAKE_CURRENT_LIST_DIR}/fuzz_pref_load.cpp)
target_compile_options(fuzz_pref_load PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(fuzz_pref_load PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(fuzz_pref_load PRIVATE sonvale_prefs)
