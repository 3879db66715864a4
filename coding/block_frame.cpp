// coding/block_frame.cpp: the two check bytes of a block frame, and the reading
// of its payload.
//
// sum_a and sum_b start at 1. sum_a is the ones' complement sum of the flag and
// the payload; sum_b is the ones' complement sum of every value sum_a took, so
// it also catches bytes that arrive in the wrong order.
#include "coding/line_code.h"

std::uint8_t end_around_add(std::uint8_t s, std::uint8_t v) {
  const unsigned t = unsigned{s} + v;
  return static_cast<std::uint8_t>(t + (t >> 8));
}

void update_sums(std::uint8_t c, std::uint8_t* sum_a, std::uint8_t* sum_b) {
  *sum_a = end_around_add(*sum_a, c);
  *sum_b = end_around_add(*sum_b, *sum_a);
}

int read_payload_byte(std::FILE* in, std::uint8_t* byte) {
  const int c = std::getc(in);
  if (c == EOF) {
    report_read_error(in);
    return status_reported;
  }
  *byte = static_cast<std::uint8_t>(c);
  return status_ok;
}
