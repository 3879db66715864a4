// cli/conversion.h: one conversion, from opening the files to the exit status.
#pragma once

#include <cstdio>

#include "cli/command_line.h"

// Prints the conversion line, opens the input and then the output (the only
// place files are opened and closed), writes the output's file header, runs the
// reader for the input kind, and prints "Complete." once the output is safely
// written and closed. Returns the exit status: 0 complete, 1 a failure already
// reported, 2 raw input too big, 3 internal encoding error. A failed conversion
// leaves in the output whatever was written before the failure.
[[nodiscard]] int run_conversion(const conversion_request& request);

// The conversion itself, on two open streams it borrows: the output's file
// header, then the reader for `from`. Returns the reader's status; prints
// nothing but the report of its own failure.
[[nodiscard]] int convert_streams(input_kind from, output_kind to, std::FILE* in, std::FILE* out);
