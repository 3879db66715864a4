// writers/generalized_block_test.cpp: block 0x19, its tables and its packed bits.
#include <gtest/gtest.h>

#include "coding/line_code.h"
#include "coding/little_endian.h"
#include "test_support/streams.h"
#include "test_support/tape_images.h"
#include "writers/block_writers.h"

namespace {

TEST(WriteGeneralizedBlock, GivesThe63ByteFileForAnEmptyPayload) {
  memory_stream in;
  memory_stream out;
  ASSERT_EQ(write_tzx_header(out.get()), 0);
  ASSERT_EQ(write_generalized_block(in.get(), out.get(), 0, 0xFF, 0), 0);
  const byte_vector expected =
      hex("5A 58 54 61 70 65 21 1A 01 14"  // TZX 1.20
          "19"                             // block ID
          "30 00 00 00"                    // 48 bytes follow
          "00 00"                          // no pause
          "03 00 00 00"                    // TOTP: three pilot-and-sync entries
          "02 03"                          // NPP, ASP
          "1E 00 00 00"                    // TOTD: 30 line bits
          "01 02"                          // NPD, ASD
          "00 D6 06 00 00"                 // pilot symbol 0: one 1750-T pulse
          "00 6B 03 6B 03"                 // pilot symbol 1: two 875-T pulses
          "02 6B 03 00 00"                 // pilot symbol 2: one 875-T pulse, low
          "02 01 00"                       // symbol 2 once: the level starts low
          "01 A0 0F"                       // symbol 1 x 4000: the 2 s pilot
          "01 01 00"                       // symbol 1 once: the sync
          "02 6B 03"                       // data symbol 0: low for 875 T
          "03 6B 03"                       // data symbol 1: high for 875 T
          "AC 67 96 14");                  // 1010110001 1001111001 0110000101, 00
  EXPECT_EQ(out.bytes(), expected);
}

TEST(WriteGeneralizedBlock, GivesHeaderBlocksTheLongPilot) {
  const auto block = run_block_writer(write_generalized_block, {}, 0x00, 1000);
  ASSERT_EQ(block.status, 0);
  EXPECT_EQ(load_u16(&block.output[5]), 1000);
  EXPECT_EQ(byte_vector(block.output.begin() + 34, block.output.begin() + 43),
            hex("02 01 00 00 10 27 01 01 00"));  // low, symbol 0 x 10000, then the sync
}

// Reads the data stream back, bit by bit, most significant first.
std::vector<code_word> unpack_words(const byte_vector& block, std::size_t words) {
  std::vector<code_word> unpacked;
  for (std::size_t w = 0; w < words; ++w) {
    code_word word = 0;
    for (std::size_t i = 0; i < 10; ++i) {
      const std::size_t bit = w * 10 + i;
      word = static_cast<code_word>(word << 1 | (block[49 + bit / 8] >> (7 - bit % 8) & 1));
    }
    unpacked.push_back(word);
  }
  return unpacked;
}

TEST(WriteGeneralizedBlock, PacksTheFrameAndCountsItsLengthExactly) {
  for (std::size_t n : {0u, 1u, 2u, 3u, 5u, 100u, 4093u}) {
    SCOPED_TRACE(testing::Message() << n << " payload bytes");
    const byte_vector payload = random_bytes(n, static_cast<std::uint32_t>(n));
    const auto block = run_block_writer(write_generalized_block, payload, 0xFF, 0);
    ASSERT_EQ(block.status, 0);
    const std::size_t line_bits = 10 * (n + 3);
    EXPECT_EQ(load_u32(&block.output[13]), line_bits);
    EXPECT_EQ(load_u32(&block.output[1]), block.output.size() - 5) << "length = bytes after it";
    EXPECT_EQ(block.output.size(), 49 + (line_bits + 7) / 8);
    if (line_bits % 8 != 0) {
      EXPECT_EQ(block.output.back() & ((1u << (8 - line_bits % 8)) - 1), 0u) << "fill bits are 0";
    }

    EXPECT_EQ(unpack_words(block.output, n + 3), frame_code_words(0xFF, payload));
  }
}

TEST(WriteGeneralizedBlock, EndsOnAByteBoundaryWhenTheFrameIsAMultipleOfFour) {
  const auto block =
      run_block_writer(write_generalized_block, {0x42}, 0xFF, 0);  // 4 characters, 40 bits
  ASSERT_EQ(block.status, 0);
  EXPECT_EQ(block.output.size(), 49u + 5u);
}

TEST(WriteGeneralizedBlock, KeepsOnlyWholeBytesWhenTheInputRunsOut) {
  // Flag and one of three payload bytes arrive: 20 bits, so two whole bytes.
  const auto good = run_block_writer(write_generalized_block, {0x10, 0x20, 0x30}, 0xFF, 0);
  const auto cut = run_on_streams({0x10}, [](std::FILE* in, std::FILE* out) {
    return write_generalized_block(in, out, 3, 0xFF, 0);
  });
  EXPECT_EQ(cut.status, 1);
  EXPECT_EQ(cut.printed.err, "Unexpected end of input file\n");
  EXPECT_EQ(cut.output, byte_vector(good.output.begin(), good.output.begin() + 49 + 2))
      << "the length field still claims the whole block";
}

TEST(WriteGeneralizedBlock, StopsAtAFailedWriteWhateverTheBudget) {
  const byte_vector payload = random_bytes(9, 3);
  const auto good = run_block_writer(write_generalized_block, payload, 0x00, 500);
  ASSERT_EQ(good.status, 0);
  for (std::size_t budget = 0; budget < good.output.size(); ++budget) {
    SCOPED_TRACE(testing::Message() << "budget " << budget);
    const auto failed =
        run_block_writer(write_generalized_block, payload, 0x00, 500, {.write_bytes = budget});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.printed.err, "Output file write error: No space left on device\n");
    EXPECT_EQ(failed.output, byte_vector(good.output.begin(), good.output.begin() + budget));
  }
}

}  // namespace
