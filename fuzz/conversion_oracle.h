// fuzz/conversion_oracle.h: what must hold for a conversion of any input.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cli/command_line.h"

// Converts `data` as input kind `from` into every output kind, reading it from
// memory and writing a temporary file, and aborts, saying why on standard
// error, unless:
// - the status is 0 or 1 (or 2, for a raw input only), and 0 exactly when
//   the input is one the converter must take (a TZX image of whole
//   standard-speed blocks, or a raw file of at most 65535 bytes);
// - after 0 nothing was printed and the output decodes back to exactly the
//   input's blocks;
// - after a failure exactly one line was printed, on standard error.
void check_conversion(input_kind from, const std::uint8_t* data, std::size_t size);
