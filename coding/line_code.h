// coding/line_code.h: what the bytes of one block become on the line.
//
// A block travels as its frame: the flag byte, the payload bytes, then two check
// bytes, `sum_a` and `sum_b`, made here rather than the tape's own checksum.
// Every character of the frame is sent as a 10-bit 8b/10b data code word, with
// one running disparity threaded through the frame, so the line never holds one
// level for more than five bit cells. The coding state lives in `block_frame`
// and belongs to one block; nothing is carried from one block to the next.
#pragma once

#include <cstdint>
#include <cstdio>

#include "cli/error_report.h"

// 0 is RD- (the start of every block), 1 is RD+.
using running_disparity = int;
inline constexpr running_disparity rd_minus = 0;
inline constexpr running_disparity rd_plus = 1;

// Ten bits, sent from bit 9 down to bit 0: bits 9..4 are the six-bit sub-block
// abcdei, bits 3..0 the four-bit sub-block fghj.
using code_word = std::uint16_t;

// The 8b/10b data code word of `byte`, whose five high bits select the six-bit
// sub-block and whose three low bits select the four-bit one (the standard code
// applied to the byte rotated right by three). Updates `*disparity`.
[[nodiscard]] code_word encode_8b10b(std::uint8_t byte, running_disparity* disparity);

// Ones' complement addition of two bytes: a carry out of bit 7 comes back into bit 0.
[[nodiscard]] std::uint8_t end_around_add(std::uint8_t s, std::uint8_t v);

// Folds one frame character into both check bytes: sum_a += c, then sum_b += sum_a.
void update_sums(std::uint8_t c, std::uint8_t* sum_a, std::uint8_t* sum_b);

// The coding state of one block frame, as it stands before the flag.
struct block_frame {
  std::uint8_t sum_a = 1;
  std::uint8_t sum_b = 1;
  running_disparity disparity = rd_minus;
};

// One byte of the payload, read when its turn comes. Reports a missing byte.
[[nodiscard]] int read_payload_byte(std::FILE* in, std::uint8_t* byte);

// Walks the frame of one block: the flag, `payload_length` bytes read from `in`
// one at a time, `sum_a` and `sum_b`. Each character's code word goes to
// `send(code_word)` the moment it is made; `send` returns a status, and the
// first non-zero status (a send failure or a missing payload byte, already
// reported) ends the walk and is returned unchanged.
template <class Send>
[[nodiscard]] int walk_block_frame(std::FILE* in, std::uint16_t payload_length, std::uint8_t flag,
                                   Send&& send) {
  block_frame frame;
  update_sums(flag, &frame.sum_a, &frame.sum_b);
  if (int rc = send(encode_8b10b(flag, &frame.disparity)); rc != 0) return rc;
  for (unsigned i = 0; i < payload_length; ++i) {
    std::uint8_t byte = 0;
    if (int rc = read_payload_byte(in, &byte); rc != 0) return rc;
    update_sums(byte, &frame.sum_a, &frame.sum_b);
    if (int rc = send(encode_8b10b(byte, &frame.disparity)); rc != 0) return rc;
  }
  // The check bytes are sent but not folded into themselves.
  if (int rc = send(encode_8b10b(frame.sum_a, &frame.disparity)); rc != 0) return rc;
  return send(encode_8b10b(frame.sum_b, &frame.disparity));
}
