// coding/block_frame.h: the frame of one block, and its two check bytes.
//
// A block travels as its frame: the flag byte, the payload bytes, then two check
// bytes, `sum_a` and `sum_b`, made here rather than the tape's own checksum.
// Both start at 1. sum_a is the ones' complement sum (a carry out of bit 7
// comes back into bit 0) of the flag and the payload; sum_b is the ones'
// complement sum of every value sum_a took, so it also catches bytes that
// arrive in the wrong order.
//
// Starting at 1, a ones' complement byte sum never falls to 0: each step gives
// the value in 1..255 that is congruent to the plain sum modulo 255. So the
// sums are kept as plain totals, two additions per byte, and folded once at
// the end. The coding state belongs to one block; nothing is carried from one
// block to the next. Everything here runs once per payload byte, inside the
// loops of the block writers, and is inline.
#pragma once

#include <stdio.h>  // getc_unlocked

#include <cstdint>
#include <cstdio>

#include "cli/error_report.h"

// The check byte of a plain total that started at 1: its value in 1..255.
[[nodiscard]] constexpr std::uint8_t fold_check_sum(std::uint64_t total) {
  return static_cast<std::uint8_t>((total - 1) % 255 + 1);
}

// The check sums of one frame as it stands: a_total is 1 plus the characters
// so far, b_total 1 plus every a_total. 65537 characters keep b_total below
// 2^41.
struct frame_sums {
  std::uint32_t a_total = 1;
  std::uint64_t b_total = 1;
};

inline void add_to_sums(std::uint8_t c, frame_sums* sums) {
  sums->a_total += c;
  sums->b_total += sums->a_total;
}

// Walks the frame of one block: the flag, `payload_length` bytes read from `in`
// one at a time as their turn comes, `sum_a` and `sum_b`. Each character goes
// to `send(character)`, which codes it; `send` returns a status, and the first
// non-zero one ends the walk and is returned unchanged. A sender may hold what
// it makes for a while: `flush()` hands it to the output, and is called before
// a missing payload byte is reported, so that the output has everything made
// before it. Its failure, reported by itself, is then the block's one failure.
template <class Send, class Flush>
[[nodiscard]] int walk_block_frame(std::FILE* in, std::uint16_t payload_length, std::uint8_t flag,
                                   Send&& send, Flush&& flush) {
  frame_sums sums;
  add_to_sums(flag, &sums);
  if (int rc = send(flag); rc != 0) return rc;
  for (unsigned i = 0; i < payload_length; ++i) {
    // The stream is this thread's alone: no lock per byte.
    const int c = getc_unlocked(in);
    if (c == EOF) {
      if (int rc = flush(); rc != 0) return rc;
      report_read_error(in);
      return status_reported;
    }
    const auto byte = static_cast<std::uint8_t>(c);
    add_to_sums(byte, &sums);
    if (int rc = send(byte); rc != 0) return rc;
  }
  // The check bytes are sent but not folded into themselves.
  if (int rc = send(fold_check_sum(sums.a_total)); rc != 0) return rc;
  return send(fold_check_sum(sums.b_total));
}
