// coding/line_code.h: what the bytes of one block become on the line.
//
// Every character of a block's frame is sent as a 10-bit 8b/10b data code
// word, with one running disparity threaded through the frame, so the line
// never holds one level for more than five bit cells.
#pragma once

#include <cstdint>

// 0 is RD- (the start of every block), 1 is RD+.
using running_disparity = int;
inline constexpr running_disparity rd_minus = 0;
inline constexpr running_disparity rd_plus = 1;

// Ten bits, sent from bit 9 down to bit 0: bits 9..4 are the six-bit sub-block
// abcdei, bits 3..0 the four-bit sub-block fghj.
using code_word = std::uint16_t;
