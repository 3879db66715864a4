// test_support/tape_decoder_8b10b.cpp: the 8b/10b data code words as the
// standard tables give them, and the check of one block frame.
//
// The tables below are the standard code's, written out with both columns:
// D.x's six-bit sub-block abcdei for EDCBA = x, and D.x.y's four-bit sub-block
// fghj for HGF = y, each as sent under RD- and under RD+. A data byte b is
// D.(b >> 3).(b & 7): its bits 7..3 are EDCBA and its bits 2..0 HGF. Nothing
// here comes from the encoder under test.
#include <array>
#include <bit>
#include <map>
#include <utility>

#include "test_support/tape_decoder.h"

namespace {

struct sub_block {
  const char* rd_minus;
  const char* rd_plus;
};

// clang-format off
constexpr std::array<sub_block, 32> five_b_six_b = {{
    {"100111", "011000"}, {"011101", "100010"}, {"101101", "010010"}, {"110001", "110001"},
    {"110101", "001010"}, {"101001", "101001"}, {"011001", "011001"}, {"111000", "000111"},
    {"111001", "000110"}, {"100101", "100101"}, {"010101", "010101"}, {"110100", "110100"},
    {"001101", "001101"}, {"101100", "101100"}, {"011100", "011100"}, {"010111", "101000"},
    {"011011", "100100"}, {"100011", "100011"}, {"010011", "010011"}, {"110010", "110010"},
    {"001011", "001011"}, {"101010", "101010"}, {"011010", "011010"}, {"111010", "000101"},
    {"110011", "001100"}, {"100110", "100110"}, {"010110", "010110"}, {"110110", "001001"},
    {"001110", "001110"}, {"101110", "010001"}, {"011110", "100001"}, {"101011", "010100"},
}};

// D.x.P7 for y = 7; D.x.A7 (below) replaces it where P7 would make a run of
// five equal bits with the end of the six-bit sub-block.
constexpr std::array<sub_block, 8> three_b_four_b = {{
    {"1011", "0100"}, {"1001", "1001"}, {"0101", "0101"}, {"1100", "0011"},
    {"1101", "0010"}, {"1010", "1010"}, {"0110", "0110"}, {"1110", "0001"},
}};
// clang-format on
constexpr sub_block alternate_seven = {"0111", "1000"};

// A7 is sent for x = 17, 18, 20 under RD- and for x = 11, 13, 14 under RD+.
bool uses_alternate_seven(unsigned x, int disparity) {
  if (disparity == 0) return x == 17 || x == 18 || x == 20;
  return x == 11 || x == 13 || x == 14;
}

unsigned bits_of(const char* text) {
  unsigned value = 0;
  for (; *text != '\0'; ++text) value = value << 1 | (*text == '1' ? 1u : 0u);
  return value;
}

// More ones than zeros leaves RD+, more zeros RD-, a balanced sub-block the
// disparity it found.
int disparity_after(unsigned bits, int width, int disparity) {
  const int ones = std::popcount(bits);
  if (2 * ones > width) return 1;
  if (2 * ones < width) return 0;
  return disparity;
}

struct decoding {
  std::uint8_t byte;
  int disparity_after;
};

using decode_table = std::map<std::pair<int, unsigned>, decoding>;  // (disparity, word)

decode_table make_decode_table() {
  decode_table table;
  for (int disparity = 0; disparity < 2; ++disparity) {
    for (unsigned byte = 0; byte < 256; ++byte) {
      const unsigned x = byte >> 3;
      const unsigned y = byte & 7;
      const sub_block six = five_b_six_b[x];
      const unsigned abcdei = bits_of(disparity == 0 ? six.rd_minus : six.rd_plus);
      const int middle = disparity_after(abcdei, 6, disparity);
      const sub_block four =
          y == 7 && uses_alternate_seven(x, middle) ? alternate_seven : three_b_four_b[y];
      const unsigned fghj = bits_of(middle == 0 ? four.rd_minus : four.rd_plus);
      const decoding d = {static_cast<std::uint8_t>(byte), disparity_after(fghj, 4, middle)};
      table.emplace(std::pair{disparity, abcdei << 4 | fghj}, d);
    }
  }
  return table;
}

std::string word_text(unsigned word) {
  std::string text;
  for (int bit = 9; bit >= 0; --bit) text += (word >> bit & 1) ? '1' : '0';
  return text;
}

// Ones' complement: a sum past 255 comes round to 1.
unsigned ones_complement_add(unsigned s, unsigned v) { return s + v > 255 ? s + v - 255 : s + v; }

}  // namespace

std::optional<std::uint8_t> decode_8b10b(std::uint16_t word, int* disparity) {
  static const decode_table table = make_decode_table();
  const auto found = table.find({*disparity, word});
  if (found == table.end()) return std::nullopt;
  *disparity = found->second.disparity_after;
  return found->second.byte;
}

std::string decode_frame(const std::vector<std::uint8_t>& bits, decoded_block* block) {
  if (bits.size() % 10 != 0)
    return std::to_string(bits.size()) + " line bits are not a whole number of code words";
  const std::size_t characters = bits.size() / 10;
  if (characters < 3) return "a frame of " + std::to_string(characters) + " characters";
  if (characters > 65535 + 3) return "a payload of more than 65535 bytes";
  byte_vector frame;
  int disparity = 0;
  for (std::size_t i = 0; i < characters; ++i) {
    unsigned word = 0;
    for (std::size_t k = 0; k < 10; ++k) word = word << 1 | bits[10 * i + k];
    const int before = disparity;
    const auto byte = decode_8b10b(static_cast<std::uint16_t>(word), &disparity);
    if (!byte)
      return "character " + std::to_string(i) + ": " + word_text(word) +
             " is not a data code word under RD" + (before == 0 ? "-" : "+");
    frame.push_back(*byte);
  }
  unsigned sum_a = 1;
  unsigned sum_b = 1;
  for (std::size_t i = 0; i + 2 < characters; ++i) {
    sum_a = ones_complement_add(sum_a, frame[i]);
    sum_b = ones_complement_add(sum_b, sum_a);
  }
  if (frame[characters - 2] != sum_a || frame[characters - 1] != sum_b)
    return "wrong check bytes " + std::to_string(frame[characters - 2]) + ", " +
           std::to_string(frame[characters - 1]) + " (the frame sums to " + std::to_string(sum_a) +
           ", " + std::to_string(sum_b) + ")";
  block->flag = frame[0];
  block->payload.assign(frame.begin() + 1, frame.end() - 2);
  return "";
}
