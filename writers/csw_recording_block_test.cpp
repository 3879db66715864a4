// writers/csw_recording_block_test.cpp: the TZX header and block 0x18.
#include <gtest/gtest.h>

#include "coding/little_endian.h"
#include "test_support/streams.h"
#include "test_support/tape_images.h"
#include "writers/block_writers.h"

namespace {

TEST(WriteTzxHeader, WritesVersionOnePointTwenty) {
  memory_stream out;
  ASSERT_EQ(write_tzx_header(out.get()), 0);
  EXPECT_EQ(out.bytes(), hex("5A 58 54 61 70 65 21 1A 01 14"));
}

TEST(WriteCswRecordingBlock, GivesTheWorked4053ByteFileForAnEmptyPayload) {
  memory_stream in;
  memory_stream out;
  ASSERT_EQ(write_tzx_header(out.get()), 0);
  ASSERT_EQ(write_csw_recording_block(in.get(), out.get(), 0, 0xFF, 0), 0);
  const byte_vector expected = concat({
      hex("5A 58 54 61 70 65 21 1A 01 14"),
      hex("18"             // block ID
          "C6 0F 00 00"    // 4038 bytes follow
          "00 00"          // no pause
          "44 AC 00"       // 44100 Hz
          "01"             // run-length
          "BC 0F 00 00"),  // 4028 pulses
      empty_raw_block_pulses(),
  });
  EXPECT_EQ(out.bytes().size(), 4053u);
  EXPECT_EQ(out.bytes(), expected);
  EXPECT_EQ(out.position(), out.bytes().size());
}

TEST(WriteCswRecordingBlock, CountsOnlyThePulsesWritten) {
  // Frame FF 00 01 03 ends in two 0-bits, which get no pulse.
  const auto block = run_block_writer(write_csw_recording_block, {0x00}, 0xFF, 0);
  ASSERT_EQ(block.status, 0);
  ASSERT_EQ(block.output.size(), 15u + 4032u);
  EXPECT_EQ(byte_vector(block.output.begin(), block.output.begin() + 15),
            hex("18 CA 0F 00 00 00 00 44 AC 00 01 C0 0F 00 00"));
  EXPECT_EQ(block.output[15 + 4030], 33);
  EXPECT_EQ(block.output[15 + 4031], 22);
}

TEST(WriteCswRecordingBlock, CarriesThePauseInTheHeadNotAsAPulse) {
  const auto block = run_block_writer(write_csw_recording_block, {}, 0xFF, 1000);
  ASSERT_EQ(block.status, 0);
  EXPECT_EQ(load_u16(&block.output[5]), 1000);
  EXPECT_EQ(block.output[5], 0xE8);
  EXPECT_EQ(block.output[6], 0x03);
  EXPECT_EQ(block.output.size(), 15u + 4028u);
}

TEST(WriteCswRecordingBlock, GivesEachOfSeveralBlocksItsOwnHead) {
  const std::vector<byte_vector> payloads = {random_bytes(300, 1), {}, random_bytes(5, 2)};
  memory_stream in(concat(payloads));
  memory_stream out;
  const std::uint16_t pauses[] = {0, 1000, 65535};
  for (std::size_t i = 0; i < payloads.size(); ++i) {
    ASSERT_EQ(
        write_csw_recording_block(in.get(), out.get(),
                                  static_cast<std::uint16_t>(payloads[i].size()), 0xFF, pauses[i]),
        0);
    EXPECT_EQ(out.position(), out.bytes().size()) << "back at the end after block " << i;
  }
  // Walk the file by its length fields: they must land exactly on each next head.
  const byte_vector& file = out.bytes();
  std::size_t at = 0;
  for (std::size_t i = 0; i < payloads.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "block " << i);
    ASSERT_LE(at + 15, file.size());
    EXPECT_EQ(file[at], 0x18);
    const std::uint32_t length = load_u32(&file[at + 1]);
    EXPECT_EQ(load_u16(&file[at + 5]), pauses[i]);
    EXPECT_EQ(load_u32(&file[at + 11]) + 10, length);
    at += 5 + length;
  }
  EXPECT_EQ(at, file.size());
}

TEST(WriteCswRecordingBlock, KeepsTheZeroHeadWhenThePulsesFail) {
  const auto good = run_block_writer(write_csw_recording_block, {1, 2, 3}, 0x00, 0);
  ASSERT_EQ(good.status, 0);
  for (std::size_t budget : {0u, 1u, 14u, 15u, 16u, 10040u, 10060u}) {
    SCOPED_TRACE(testing::Message() << "budget " << budget);
    const auto failed =
        run_block_writer(write_csw_recording_block, {1, 2, 3}, 0x00, 0, {.write_bytes = budget});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.printed.err, "Output file write error: No space left on device\n");
    ASSERT_EQ(failed.output.size(), budget);
    byte_vector zero_head_prefix = hex("18 00 00 00 00 00 00 44 AC 00 01 00 00 00 00");
    zero_head_prefix.insert(zero_head_prefix.end(), good.output.begin() + 15, good.output.end());
    EXPECT_EQ(failed.output,
              byte_vector(zero_head_prefix.begin(), zero_head_prefix.begin() + budget));
  }
}

TEST(WriteCswRecordingBlock, ReportsAFailedSeekOnTheOutput) {
  const auto good = run_block_writer(write_csw_recording_block, {1, 2, 3}, 0xFF, 0);
  ASSERT_EQ(good.status, 0);
  // Let each seek, position queries included, fail in turn until the block succeeds.
  std::size_t seeks = 0;
  for (;; ++seeks) {
    SCOPED_TRACE(testing::Message() << seeks << " seeks allowed");
    const auto block =
        run_block_writer(write_csw_recording_block, {1, 2, 3}, 0xFF, 0, {.seeks = seeks});
    if (block.status == 0) {
      EXPECT_EQ(block.output, good.output);
      break;
    }
    EXPECT_EQ(block.status, 1);
    EXPECT_EQ(block.printed.err, "Output file seek error\n");
    ASSERT_LT(seeks, 10u);
  }
  EXPECT_GE(seeks, 2u) << "the seek back to the head and the seek to the end";
}

}  // namespace
