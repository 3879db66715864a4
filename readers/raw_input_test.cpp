// readers/raw_input_test.cpp: any file as one 0xFF block.
#include <gtest/gtest.h>

#include "coding/little_endian.h"
#include "readers/readers.h"
#include "test_support/streams.h"
#include "test_support/tape_images.h"

namespace {

stream_run convert(const byte_vector& input, output_kind kind, fault_plan in_plan = {}) {
  return run_on_streams(
      input, [&](std::FILE* in, std::FILE* out) { return read_bin(in, out, kind); }, in_plan);
}

TEST(ReadBin, TurnsAnEmptyFileIntoTheFrameFF0102) {
  const auto csw = convert({}, output_kind::csw);
  ASSERT_EQ(csw.status, 0);
  EXPECT_EQ(csw.output, empty_raw_block_pulses()) << "no pause pulse: raw input has pause 0";

  const auto gen = convert({}, output_kind::tzxgen);
  ASSERT_EQ(gen.status, 0);
  ASSERT_EQ(gen.output.size(), 53u);
  EXPECT_EQ(byte_vector(gen.output.begin() + 37, gen.output.begin() + 40), hex("01 A0 0F"))
      << "flag 0xFF: the 2 s pilot";
  EXPECT_EQ(byte_vector(gen.output.end() - 4, gen.output.end()), hex("AC 67 96 14"));
}

TEST(ReadBin, TakesUpTo65535Bytes) {
  const byte_vector largest = random_bytes(65535, 7);
  const auto result = convert(largest, output_kind::tzxgen);
  ASSERT_EQ(result.status, 0);
  EXPECT_EQ(load_u32(&result.output[13]), 10u * (65535 + 3));
  EXPECT_EQ(result.output.size(), 49u + (10u * (65535 + 3) + 7) / 8);

  for (output_kind kind : {output_kind::csw, output_kind::tzxgen, output_kind::tzxcsw}) {
    SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(kind));
    const auto too_big = convert(byte_vector(65536), kind);
    EXPECT_EQ(too_big.status, 2);
    EXPECT_EQ(too_big.printed.err, "Input file is too big, must be <65536 bytes\n");
    EXPECT_EQ(too_big.output, byte_vector{});
  }
}

TEST(ReadBin, ReportsAnInputThatCannotBeSought) {
  const auto result = convert({1, 2, 3}, output_kind::csw, {.seeks = 0});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.printed.err, "Input file seek error\n");
  EXPECT_EQ(result.output, byte_vector{});

  // The seek to the end works but the position cannot be told.
  const auto untold = convert({1, 2, 3}, output_kind::csw, {.seeks = 1});
  EXPECT_EQ(untold.status, 1);
  EXPECT_EQ(untold.printed.err, "Input file seek error\n");
}

TEST(ReadBin, ReportsAReadFailureInThePayload) {
  const auto result = convert({1, 2, 3}, output_kind::tzxgen, {.read_bytes = 2});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.printed.err, "Input file read error: Input/output error\n");
}

}  // namespace
