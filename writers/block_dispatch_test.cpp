// writers/block_dispatch_test.cpp: each output kind gets its form, and the
// input moves by exactly the payload.
#include <gtest/gtest.h>

#include <algorithm>

#include "coding/pulse_stream.h"
#include "test_support/streams.h"
#include "test_support/tape_images.h"
#include "writers/block_writers.h"

namespace {

constexpr output_kind all_kinds[] = {output_kind::csw, output_kind::tzxgen, output_kind::tzxcsw};

// The same block written by the form's own writer, as the oracle for dispatch.
byte_vector form_of(output_kind kind, const byte_vector& payload, std::uint16_t pause_ms) {
  memory_stream in(payload);
  memory_stream out;
  const auto n = static_cast<std::uint16_t>(payload.size());
  std::uint32_t count = 0;
  int rc = 0;
  switch (kind) {
    case output_kind::csw:
      rc = write_block_pulses(&count, in.get(), out.get(), n, 0x00);
      if (rc == 0) rc = write_csw_pause(out.get(), pause_ms);
      break;
    case output_kind::tzxgen:
      rc = write_generalized_block(in.get(), out.get(), n, 0x00, pause_ms);
      break;
    case output_kind::tzxcsw:
      rc = write_csw_recording_block(in.get(), out.get(), n, 0x00, pause_ms);
      break;
  }
  EXPECT_EQ(rc, 0);
  return out.bytes();
}

TEST(WriteDataBlock, WritesTheFormTheKindAsksForAndReadsExactlyThePayload) {
  const byte_vector payload = {0x12, 0x34, 0x56};
  for (output_kind kind : all_kinds) {
    SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(kind));
    // Bytes after the payload belong to the next block and must stay unread.
    memory_stream in(concat({payload, {0xAA, 0xBB}}));
    memory_stream out;
    ASSERT_EQ(write_data_block(kind, 1000, 3, out.get(), in.get(), 0x00), 0);
    EXPECT_EQ(in.position(), 3u);
    EXPECT_EQ(out.bytes(), form_of(kind, payload, 1000));
  }
}

TEST(WriteDataBlock, FollowsCswPulsesWithThePauseOnly) {
  memory_stream in({0x00, 0x00});
  memory_stream out;
  ASSERT_EQ(write_data_block(output_kind::csw, 1000, 1, out.get(), in.get(), 0x00), 0);
  const std::size_t first_block = out.bytes().size();
  ASSERT_EQ(first_block, 10045u + 5u);
  EXPECT_EQ(byte_vector(out.bytes().end() - 7, out.bytes().end()), hex("21 16 00 44 AC 00 00"))
      << "the last pulses 33, 22, then the pause pulse";

  // With pause 0 the next block's pilot follows the last pulse directly.
  ASSERT_EQ(write_data_block(output_kind::csw, 0, 1, out.get(), in.get(), 0x00), 0);
  ASSERT_EQ(out.bytes().size(), first_block + 10045u);
  EXPECT_EQ(out.bytes()[first_block], pilot_pulse_samples);
  EXPECT_EQ(out.bytes().back(), 22);
}

TEST(WriteDataBlock, PassesAFailureUpUnchangedAndWritesNothingMore) {
  for (output_kind kind : all_kinds) {
    SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(kind));
    const byte_vector whole = form_of(kind, {0x01, 0x02}, 1000);
    memory_stream in({0x01});  // one byte short
    memory_stream out;
    int rc = 0;
    const auto printed =
        capture_output([&] { rc = write_data_block(kind, 1000, 2, out.get(), in.get(), 0x00); });
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(printed.err, "Unexpected end of input file\n");
    EXPECT_LT(out.bytes().size(), whole.size());
    if (kind == output_kind::csw) {
      EXPECT_EQ(std::count(out.bytes().begin(), out.bytes().end(), 0), 0)
          << "no pause pulse, whose long form starts with a 0 byte";
    }
  }
}

}  // namespace
