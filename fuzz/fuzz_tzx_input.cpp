// fuzz/fuzz_tzx_input.cpp: any bytes as a TZX input, into every output kind.
#include <cstddef>
#include <cstdint>

#include "fuzz/conversion_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  check_conversion(input_kind::tzx, data, size);
  return 0;
}
