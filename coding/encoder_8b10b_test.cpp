// coding/encoder_8b10b_test.cpp: code words, disparity and the run limit.
#include "coding/encoder_8b10b.h"

#include <gtest/gtest.h>

#include <bit>
#include <set>
#include <string>

namespace {

code_word bits(const char* text) { return static_cast<code_word>(std::stoul(text, nullptr, 2)); }

std::string disparity_name(running_disparity d) { return d == rd_minus ? "RD-" : "RD+"; }

TEST(Encode8b10b, GivesTheStandardDataCodeWords) {
  struct row {
    std::uint8_t byte;
    running_disparity before;
    const char* word;
    running_disparity after;
  };
  const row rows[] = {
      {0x00, rd_minus, "1001110100", rd_minus},
      {0x00, rd_plus, "0110001011", rd_plus},
      {0x01, rd_minus, "1001111001", rd_plus},
      {0xFF, rd_minus, "1010110001", rd_minus},
      {0xFF, rd_plus, "0101001110", rd_plus},
      {0x38, rd_minus, "1110001011", rd_plus},  // D.7's two balanced forms
      {0x3B, rd_plus, "0001110011", rd_plus},
      {0x8F, rd_minus, "1000110111", rd_plus},  // x = 17: A7 under RD-
      {0x8F, rd_plus, "1000110001", rd_minus},  // ... but P7 under RD+
      {0x97, rd_minus, "0100110111", rd_plus},  // x = 18: A7
      {0x5F, rd_plus, "1101001000", rd_minus},  // x = 11: A7 under RD+
      {0x5F, rd_minus, "1101001110", rd_plus},  // ... but P7 under RD-
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message()
                 << "byte 0x" << std::hex << int{r.byte} << " under " << disparity_name(r.before));
    running_disparity d = r.before;
    EXPECT_EQ(encode_8b10b(r.byte, &d), bits(r.word));
    EXPECT_EQ(d, r.after);
  }
}

// Running disparity is the sign of the running count of 1-bits minus 0-bits: a
// word that leaves it alone is balanced, one that turns RD- into RD+ has two
// more 1-bits than 0-bits, and the reverse.
TEST(Encode8b10b, KeepsTheLineBalanced) {
  for (running_disparity before : {rd_minus, rd_plus}) {
    for (int b = 0; b < 256; ++b) {
      SCOPED_TRACE(testing::Message() << "byte " << b << " under " << disparity_name(before));
      running_disparity d = before;
      const int ones = std::popcount(unsigned{encode_8b10b(static_cast<std::uint8_t>(b), &d)});
      const int balance = ones - (10 - ones);
      const int expected = d == before ? 0 : (before == rd_minus ? 2 : -2);
      EXPECT_EQ(balance, expected);
    }
  }
}

TEST(Encode8b10b, GivesEveryByteItsOwnWordUnderEachDisparity) {
  for (running_disparity before : {rd_minus, rd_plus}) {
    std::set<code_word> words;
    for (int b = 0; b < 256; ++b) {
      running_disparity d = before;
      words.insert(encode_8b10b(static_cast<std::uint8_t>(b), &d));
    }
    EXPECT_EQ(words.size(), 256u) << disparity_name(before);
  }
}

int longest_run(std::uint32_t line_bits, int count) {
  int longest = 0;
  int run = 0;
  for (int i = count - 1; i >= 0; --i) {
    const bool same = i < count - 1 && (line_bits >> i & 1) == (line_bits >> (i + 1) & 1);
    run = same ? run + 1 : 1;
    longest = std::max(longest, run);
  }
  return longest;
}

// No run can span a whole word, so every run lies within two successive words.
TEST(Encode8b10b, NeverSendsSixEqualBitsOverAnyPairOfBytes) {
  for (running_disparity start : {rd_minus, rd_plus}) {
    for (int a = 0; a < 256; ++a) {
      running_disparity after_a = start;
      const code_word first = encode_8b10b(static_cast<std::uint8_t>(a), &after_a);
      for (int b = 0; b < 256; ++b) {
        running_disparity d = after_a;
        const code_word second = encode_8b10b(static_cast<std::uint8_t>(b), &d);
        const std::uint32_t line = std::uint32_t{first} << 10 | second;
        ASSERT_LE(longest_run(line, 20), 5)
            << "bytes " << a << ", " << b << " from " << disparity_name(start);
      }
    }
  }
}

}  // namespace
