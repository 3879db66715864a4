// fuzz/fuzz_raw_input.cpp: any bytes as a raw input, into every output kind.
#include <cstddef>
#include <cstdint>

#include "fuzz/conversion_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  check_conversion(input_kind::bin, data, size);
  return 0;
}
