// readers/tzx_input_test.cpp: the TZX header, the block loop and every way a
// tape can be cut short or malformed.
#include <gtest/gtest.h>

#include <set>

#include "readers/readers.h"
#include "test_support/streams.h"
#include "test_support/tape_images.h"
#include "writers/block_writers.h"

namespace {

constexpr output_kind all_kinds[] = {output_kind::csw, output_kind::tzxgen, output_kind::tzxcsw};

stream_run convert(const byte_vector& image, output_kind kind = output_kind::csw,
                   fault_plan in_plan = {}) {
  return run_on_streams(
      image, [&](std::FILE* in, std::FILE* out) { return read_tzx(in, out, kind); }, in_plan);
}

// A header block, a data block and a block of data length 2 (flag and checksum only).
const std::vector<byte_vector> three_blocks = {
    data_block(1000, 0x00,
               {0x00, 'h', 'e', 'l', 'l', 'o', ' ', ' ', ' ', ' ', ' ', 5, 0, 0, 0, 0, 0x80}),
    data_block(0, 0xFF, {0xF3, 0xAF, 0x01, 0x02, 0x03}),
    data_block(250, 0x42, {}),
};

TEST(ReadTzx, ChecksTheHeaderButNotTheMinorVersion) {
  struct row {
    const char* why;
    byte_vector image;
    int status;
    const char* message;
  };
  const row rows[] = {
      {"shorter than a header", hex("5A 58 54 61 70 65 21 1A 01"), 1,
       "Unexpected end of input file\n"},
      {"empty", {}, 1, "Unexpected end of input file\n"},
      {"major version 2", tzx_header(2, 0), 1, "Input file format error\n"},
      {"not a tape", hex("5A 58 54 61 70 65 3F 1A 01 14"), 1, "Input file format error\n"},
      {"minor version 0", tzx_header(1, 0), 0, ""},
      {"minor version 21", tzx_header(1, 21), 0, ""},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.why);
    const auto result = convert(r.image);
    EXPECT_EQ(result.status, r.status);
    EXPECT_EQ(result.printed.err, r.message);
    EXPECT_EQ(result.output, byte_vector{}) << "the reader writes no file header";
  }
}

TEST(ReadTzx, RefusesEveryBlockButStandardSpeedData) {
  struct row {
    std::uint8_t id;
    const char* message;
  };
  const row rows[] = {
      {0x11, "Unsupported block type 0x11. Only standard data blocks are supported\n"},
      {0x30, "Unsupported block type 0x30. Only standard data blocks are supported\n"},
      {0xAB, "Unsupported block type 0xAB. Only standard data blocks are supported\n"},
      {0x00, "Unsupported block type 0x00. Only standard data blocks are supported\n"},
  };
  const auto first = convert(tzx_image({three_blocks[0]}));
  ASSERT_EQ(first.status, 0);
  for (const auto& r : rows) {
    SCOPED_TRACE(r.message);
    const auto result = convert(concat({tzx_image({three_blocks[0]}), {r.id, 0, 0, 0, 0}}));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.printed.err, r.message);
    EXPECT_EQ(result.output, first.output) << "the block before stays in the output";
  }
}

TEST(ReadTzx, RefusesDataBlocksShorterThanTwoBytes) {
  for (const char* block : {"10 00 00 01 00 FF", "10 00 00 00 00"}) {
    SCOPED_TRACE(block);
    const auto result = convert(concat({tzx_header(), hex(block)}));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.printed.err, "Data blocks of length <2 are not supported\n");
    EXPECT_EQ(result.output, byte_vector{});
  }
}

TEST(ReadTzx, ConvertsEveryBlockOfTheTapeInOrder) {
  for (output_kind kind : all_kinds) {
    SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(kind));
    const auto whole = convert(tzx_image(three_blocks), kind);
    ASSERT_EQ(whole.status, 0);
    EXPECT_EQ(whole.printed.out + whole.printed.err, "");
    // The same blocks one at a time, straight to the writer.
    byte_vector expected;
    for (const auto& block : three_blocks) {
      const byte_vector payload(block.begin() + 6, block.end() - 1);
      memory_stream in(payload);
      memory_stream out;
      ASSERT_EQ(write_data_block(kind, static_cast<std::uint16_t>(block[1] | block[2] << 8),
                                 static_cast<std::uint16_t>(payload.size()), out.get(), in.get(),
                                 block[5]),
                0);
      expected = concat({expected, out.bytes()});
    }
    EXPECT_EQ(whole.output, expected);
  }
}

TEST(ReadTzx, IgnoresTheTapesOwnChecksum) {
  byte_vector bad = data_block(1000, 0xFF, {1, 2, 3});
  bad.back() ^= 0x5A;
  const auto good = convert(tzx_image({data_block(1000, 0xFF, {1, 2, 3})}));
  const auto result = convert(tzx_image({bad}));
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, good.output);
}

// Cut the tape at every length: only a cut at a block boundary is a whole tape.
TEST(ReadTzx, EndsCleanlyOnlyAtBlockBoundaries) {
  const byte_vector image = tzx_image(three_blocks);
  std::set<std::size_t> boundaries = {10};
  std::size_t at = 10;
  for (const auto& block : three_blocks) boundaries.insert(at += block.size());

  for (output_kind kind : all_kinds) {
    const auto whole = convert(image, kind);
    ASSERT_EQ(whole.status, 0);
    for (std::size_t cut = 0; cut < image.size(); ++cut) {
      SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(kind) << ", cut at " << cut);
      const auto result = convert(byte_vector(image.begin(), image.begin() + cut), kind);
      const bool boundary = boundaries.count(cut) != 0;
      ASSERT_EQ(result.status, boundary ? 0 : 1);
      ASSERT_EQ(result.printed.err, boundary ? "" : "Unexpected end of input file\n");
      ASSERT_EQ(result.printed.out, "");
      ASSERT_LE(result.output.size(), whole.output.size());
      // Block 0x18 keeps a zero head when it fails; the other forms are written
      // straight through, so what is there is the start of the whole output.
      if (kind != output_kind::tzxcsw) {
        ASSERT_EQ(result.output,
                  byte_vector(whole.output.begin(), whole.output.begin() + result.output.size()));
      }
    }
  }
}

TEST(ReadTzx, ReportsAReadErrorWhereABlockCouldStart) {
  const byte_vector image = tzx_image(three_blocks);
  const std::size_t after_first = 10 + three_blocks[0].size();
  const auto result = convert(image, output_kind::csw, {.read_bytes = after_first});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.printed.err, "Input file read error: Input/output error\n");
  EXPECT_EQ(result.output, convert(tzx_image({three_blocks[0]})).output);
}

TEST(ReadTzx, KeepsTheWholeBlockWhenOnlyItsChecksumIsMissing) {
  const byte_vector image = tzx_image({three_blocks[1]});
  const auto whole = convert(image);
  const auto result = convert(byte_vector(image.begin(), image.end() - 1));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.printed.err, "Unexpected end of input file\n");
  EXPECT_EQ(result.output, whole.output);
}

}  // namespace
