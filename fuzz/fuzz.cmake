# The libFuzzer targets, one per reader, each converting its input into every
# output kind, and make_seeds, which writes the tests' fixtures as their first
# inputs. Only the converter carries the fuzzer's coverage counters: the
# decoder that checks its output is not what is being explored.
target_compile_options(morvane_core PRIVATE -fsanitize=fuzzer-no-link)
foreach(reader tzx raw)
  add_executable(fuzz_${reader}_input fuzz/fuzz_${reader}_input.cpp fuzz/conversion_oracle.cpp)
  target_link_libraries(fuzz_${reader}_input PRIVATE morvane_test_support)
  target_link_options(fuzz_${reader}_input PRIVATE -fsanitize=fuzzer)
endforeach()

add_executable(make_seeds fuzz/make_seeds.cpp)
target_link_libraries(make_seeds PRIVATE morvane_test_support)
