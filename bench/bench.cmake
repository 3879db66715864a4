# The benchmark program, where Google Benchmark is installed
# (apt-get install -y libbenchmark-dev). It borrows the tests' fixture builders.
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(morvane_bench bench/morvane_bench.cpp)
  target_link_libraries(morvane_bench PRIVATE morvane_test_support benchmark::benchmark)
else()
  message(STATUS "No Google Benchmark: morvane_bench is not built")
endif()
