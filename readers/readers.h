// readers/readers.h: the two ways of finding data blocks in the input.
//
// Each reader hands every block it finds to write_data_block with the input
// positioned at the block's first payload byte, and returns 0 when the input is
// used up, or the first failure's status (1, 2 or 3), already reported. Streams
// are borrowed.
#pragma once

#include <cstdio>

#include "cli/command_line.h"  // output_kind

// A TZX image of standard-speed data blocks (ID 0x10) only. A clean end of
// input where a block ID would be is the end of the tape.
[[nodiscard]] int read_tzx(std::FILE* in, std::FILE* out, output_kind kind);

// One standard-speed block, the input just after its ID byte.
[[nodiscard]] int read_tzx_data_block(std::FILE* in, std::FILE* out, output_kind kind);

// Any file as the payload of one block with flag 0xFF and no pause. Measures
// the input by seeking to its end; refuses inputs over 65535 bytes with 2.
[[nodiscard]] int read_bin(std::FILE* in, std::FILE* out, output_kind kind);
