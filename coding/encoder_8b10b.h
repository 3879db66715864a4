// coding/encoder_8b10b.h: the 8b/10b data code, as compile-time tables.
//
// A byte b is split into x = b >> 3, which picks a six-bit sub-block (5b/6b),
// and y = b & 7, which picks a four-bit sub-block (3b/4b). The tables hold the
// standard RD- forms. An entry that is not balanced, or balanced but with two
// forms (D.7's 111000/000111 and D.x.3's 1100/0011), is sent complemented under
// RD+; an unbalanced one flips the disparity. With that rule the code never sends
// six equal bits in a row, inside a code word or across two.
//
// Each entry is one byte: the sub-block in the high bits (7..2 for six bits,
// 7..4 for four), bit 1 set when the entry is sent as listed whatever the
// disparity, and bit 0 the disparity after sending the RD- form. Complementing
// the whole byte under RD+ then leaves the new disparity in bit 0 as well.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "coding/line_code.h"

namespace encoder_8b10b_detail {

constexpr std::uint8_t fixed_form = 0b10;

enum sub_block_form {
  balanced,    // sent as listed under either disparity
  two_forms,   // balanced, complemented under RD+, disparity unchanged
  unbalanced,  // one 1-bit too many in the RD- form: complemented under RD+, disparity flipped
};

constexpr std::uint8_t entry(sub_block_form form, unsigned code, int shift) {
  const unsigned flags = form == balanced ? fixed_form : form == unbalanced ? 1u : 0u;
  return static_cast<std::uint8_t>(code << shift | flags);
}
constexpr std::uint8_t six(sub_block_form form, unsigned code) { return entry(form, code, 2); }
constexpr std::uint8_t four(sub_block_form form, unsigned code) { return entry(form, code, 4); }

// 5b/6b, abcdei, indexed by x.
constexpr std::array<std::uint8_t, 32> six_bit_table = {
    six(unbalanced, 0b100111), six(unbalanced, 0b011101),  // D.0, D.1
    six(unbalanced, 0b101101), six(balanced, 0b110001),    // D.2, D.3
    six(unbalanced, 0b110101), six(balanced, 0b101001),    // D.4, D.5
    six(balanced, 0b011001),   six(two_forms, 0b111000),   // D.6, D.7
    six(unbalanced, 0b111001), six(balanced, 0b100101),    // D.8, D.9
    six(balanced, 0b010101),   six(balanced, 0b110100),    // D.10, D.11
    six(balanced, 0b001101),   six(balanced, 0b101100),    // D.12, D.13
    six(balanced, 0b011100),   six(unbalanced, 0b010111),  // D.14, D.15
    six(unbalanced, 0b011011), six(balanced, 0b100011),    // D.16, D.17
    six(balanced, 0b010011),   six(balanced, 0b110010),    // D.18, D.19
    six(balanced, 0b001011),   six(balanced, 0b101010),    // D.20, D.21
    six(balanced, 0b011010),   six(unbalanced, 0b111010),  // D.22, D.23
    six(unbalanced, 0b110011), six(balanced, 0b100110),    // D.24, D.25
    six(balanced, 0b010110),   six(unbalanced, 0b110110),  // D.26, D.27
    six(balanced, 0b001110),   six(unbalanced, 0b101110),  // D.28, D.29
    six(unbalanced, 0b011110), six(unbalanced, 0b101011),  // D.30, D.31
};

// 3b/4b, fghj, indexed by y.
constexpr std::array<std::uint8_t, 8> four_bit_table = {
    four(unbalanced, 0b1011), four(balanced, 0b1001),    // D.x.0, D.x.1
    four(balanced, 0b0101),   four(two_forms, 0b1100),   // D.x.2, D.x.3
    four(unbalanced, 0b1101), four(balanced, 0b1010),    // D.x.4, D.x.5
    four(balanced, 0b0110),   four(unbalanced, 0b1110),  // D.x.6, D.x.P7
};

// D.x.A7 replaces D.x.P7 where P7 would make five equal bits with the end of
// the six-bit sub-block: after e = i = 1 under RD-, or e = i = 0 under RD+.
constexpr std::uint8_t four_bit_alternate_7 = four(unbalanced, 0b0111);

constexpr int ones_in_code(std::uint8_t entry, int shift) {
  return std::popcount(static_cast<unsigned>(entry >> shift));
}

constexpr bool classes_match_weights() {
  for (std::uint8_t e : six_bit_table) {
    const int ones = ones_in_code(e, 2);
    if ((e & 1) ? ones != 4 : ones != 3) return false;
  }
  for (std::uint8_t e : four_bit_table) {
    const int ones = ones_in_code(e, 4);
    if ((e & 1) ? ones != 3 : ones != 2) return false;
  }
  return ones_in_code(four_bit_alternate_7, 4) == 3;
}
static_assert(classes_match_weights(),
              "every unbalanced RD- form has one 1-bit too many, every other is balanced");

// Sends a table entry under `*disparity` and returns the entry as sent.
constexpr std::uint8_t send_sub_block(std::uint8_t sub_block, running_disparity* disparity) {
  if (sub_block & fixed_form) return sub_block;
  if (*disparity == rd_plus) sub_block = static_cast<std::uint8_t>(~sub_block);
  *disparity = sub_block & 1;
  return sub_block;
}

// The code word of `byte` under `*disparity`, from the sub-block tables.
constexpr code_word encode_by_sub_blocks(std::uint8_t byte, running_disparity* disparity) {
  const unsigned x = byte >> 3;
  const unsigned y = byte & 7u;

  const std::uint8_t six_entry = six_bit_table[x];
  const std::uint8_t six_sent = send_sub_block(six_entry, disparity);

  std::uint8_t four_entry = four_bit_table[y];
  if (y == 7 && (six_entry & fixed_form)) {
    const unsigned e_i = (six_sent >> 2) & 0b11u;
    if ((*disparity == rd_minus && e_i == 0b11u) || (*disparity == rd_plus && e_i == 0))
      four_entry = four_bit_alternate_7;
  }
  const std::uint8_t four_sent = send_sub_block(four_entry, disparity);

  return static_cast<code_word>((six_sent >> 2 & 0x3Fu) << 4 | (four_sent >> 4 & 0xFu));
}

constexpr std::array<std::uint16_t, 512> build_code_table() {
  std::array<std::uint16_t, 512> table{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    for (running_disparity before : {rd_minus, rd_plus}) {
      running_disparity after = before;
      const code_word word = encode_by_sub_blocks(static_cast<std::uint8_t>(byte), &after);
      table[byte * 2 + static_cast<unsigned>(before)] =
          static_cast<std::uint16_t>(word | static_cast<unsigned>(after) << 15);
    }
  }
  return table;
}

}  // namespace encoder_8b10b_detail

// Every data code word: entry byte * 2 + disparity holds the word in bits
// 9..0 and the disparity after it in bit 15.
inline constexpr std::array<std::uint16_t, 512> code_table =
    encoder_8b10b_detail::build_code_table();

// The 8b/10b data code word of `byte`, whose five high bits select the six-bit
// sub-block and whose three low bits select the four-bit one (the standard code
// applied to the byte rotated right by three). Updates `*disparity`.
[[nodiscard]] constexpr code_word encode_8b10b(std::uint8_t byte, running_disparity* disparity) {
  const std::uint16_t entry = code_table[byte * 2u + static_cast<unsigned>(*disparity)];
  *disparity = entry >> 15;
  return static_cast<code_word>(entry & 0x3FFu);
}
