// coding/pulse_stream_test.cpp: pilot, sync and the pulses of the line bits.
#include "coding/pulse_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "cli/error_report.h"
#include "test_support/streams.h"
#include "test_support/tape_images.h"

namespace {

struct block_pulses : stream_run {
  std::uint32_t pulse_count = 0;
};

block_pulses write_block(std::uint8_t flag, const byte_vector& payload,
                         std::uint16_t payload_length, fault_plan out_plan = {},
                         fault_plan in_plan = {}) {
  block_pulses result;
  static_cast<stream_run&>(result) = run_on_streams(
      payload,
      [&](std::FILE* in, std::FILE* out) {
        return write_block_pulses(&result.pulse_count, in, out, payload_length, flag);
      },
      in_plan, out_plan);
  return result;
}

block_pulses write_block(std::uint8_t flag, const byte_vector& payload) {
  return write_block(flag, payload, static_cast<std::uint16_t>(payload.size()));
}

TEST(WriteBlockPulses, GivesTheWorkedPulseLists) {
  struct row {
    const char* why;
    std::uint8_t flag;
    byte_vector expected;
  };
  const row rows[] = {
      {"frame FF 01 02: 2 s pilot", 0xFF, empty_raw_block_pulses()},
      // clang-format off
      {"frame 00 01 02: 5 s pilot", 0x00,
       pulses({{22, 10022}, {11, 1},
               {11, 2}, {22, 1}, {33, 1}, {11, 2}, {22, 1}, {11, 1}, {22, 1}, {44, 1},
               {22, 1}, {11, 2}, {22, 1}, {44, 1}, {11, 3}})},
      // clang-format on
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.why);
    const auto block = write_block(r.flag, {});
    ASSERT_EQ(block.status, 0);
    EXPECT_EQ(block.output, r.expected);
    EXPECT_EQ(block.pulse_count, r.expected.size());
    EXPECT_EQ(block.printed.out + block.printed.err, "");
  }
  EXPECT_EQ(write_block(0xFF, {}).pulse_count, 4028u);
  EXPECT_EQ(write_block(0x00, {}).pulse_count, 10041u);
}

TEST(WriteBlockPulses, LeavesTrailingZeroBitsWithoutAPulse) {
  // Frame 00 00 01 03 ends in the code word 0110001100.
  const auto block = write_block(0x00, {0x00});
  ASSERT_EQ(block.status, 0);
  ASSERT_EQ(block.output.size(), 10045u);
  EXPECT_EQ(block.pulse_count, 10045u);
  EXPECT_EQ(block.output[10043], 33);
  EXPECT_EQ(block.output[10044], 22);
}

// Regression: a block with no pause whose frame ended in three 0-bits left them
// to the next block's first pilot pulse, two cells long, so the third cell
// played at the level of the pilot's second pulse and a loader read a 1.
TEST(WriteBlockPulses, ClosesAFinalRunOfThreeZeroBitsWithItsOwnPulse) {
  // Frame FF 6A 98 F9 ends in the code word 1011001000.
  const auto block = write_block(0xFF, {0x6A, 0x98, 0xF9});
  ASSERT_EQ(block.status, 0);
  EXPECT_EQ(block.output.back(), 33);
  EXPECT_EQ(block.pulse_count, block.output.size());
}

TEST(FinishPulses, ClosesRunsOfOnesAndOfThreeZerosOnly) {
  struct row {
    open_run run;
    byte_vector pulses;
  };
  const row rows[] = {
      {{1, 11}, {11}},  // one 1-bit
      {{1, 55}, {55}},  // five
      {{0, 11}, {}},    // one 0-bit: the next pulse carries it
      {{0, 22}, {}},    // two
      {{0, 33}, {33}},  // three: longer than a pilot pulse
  };
  for (const row& r : rows) {
    SCOPED_TRACE(testing::Message() << "bit " << r.run.bit << ", " << r.run.samples << " samples");
    memory_stream out;
    std::uint32_t count = 0;
    EXPECT_EQ(finish_pulses(r.run, out.get(), &count), 0);
    EXPECT_EQ(out.bytes(), r.pulses);
    EXPECT_EQ(count, r.pulses.size());
  }
}

TEST(WriteBlockPulses, CountsTheCellAfterTheSyncInTheFirstDataPulse) {
  struct row {
    std::uint8_t flag;
    std::uint8_t first_data_pulse;
  };
  for (const auto& r : {row{0x00, 11}, row{0x08, 22}, row{0x60, 33}}) {
    SCOPED_TRACE(testing::Message() << "flag " << int{r.flag});
    const auto block = write_block(r.flag, {});
    ASSERT_EQ(block.status, 0);
    EXPECT_EQ(block.output[10022], 11) << "sync";
    EXPECT_EQ(block.output[10023], r.first_data_pulse);
  }
}

// Whatever the payload, every data pulse is one to five cells, and the cells
// add up to the frame's line bits less a final run of at most two 0-bits.
TEST(WriteBlockPulses, KeepsEveryDataPulseWithinOneToFiveCells) {
  for (std::size_t n : {1u, 2u, 7u, 100u, 3000u}) {
    for (std::uint8_t flag : {0x00, 0xFF, 0x7E}) {
      SCOPED_TRACE(testing::Message() << n << " bytes, flag " << int{flag});
      const auto block = write_block(flag, random_bytes(n, static_cast<std::uint32_t>(n + flag)));
      ASSERT_EQ(block.status, 0);
      const std::size_t pilot = flag & 0x80 ? 4009 : 10022;
      ASSERT_GT(block.output.size(), pilot + 1);
      EXPECT_TRUE(std::all_of(block.output.begin(), block.output.begin() + pilot,
                              [](std::uint8_t p) { return p == 22; }));
      EXPECT_EQ(block.output[pilot], 11);
      std::size_t cells = 0;
      for (std::size_t i = pilot + 1; i < block.output.size(); ++i) {
        const std::uint8_t p = block.output[i];
        ASSERT_TRUE(p % 11 == 0 && p >= 11 && p <= 55) << "pulse " << i << " is " << int{p};
        cells += p / 11;
      }
      const std::size_t line_bits = 10 * (n + 3) + 1;  // and the cell after the sync
      EXPECT_LE(cells, line_bits);
      EXPECT_GE(cells + 2, line_bits);
      EXPECT_EQ(block.pulse_count, block.output.size());
    }
  }
}

TEST(WritePilot, WritesSecondsTimes44100Over22PulsesThenTheSync) {
  for (unsigned seconds : {2u, 5u}) {
    memory_stream out;
    std::uint32_t count = 7;  // owned by the caller, only added to
    ASSERT_EQ(write_pilot(seconds, out.get(), &count), 0);
    const int pilot = seconds == 2 ? 4009 : 10022;
    EXPECT_EQ(out.bytes(), pulses({{22, pilot}, {11, 1}}));
    EXPECT_EQ(count, 7u + pilot + 1);
  }
}

TEST(WriteCodePulses, RefusesARunOfSixWithoutWriting) {
  memory_stream out;
  open_run run;  // the cell after the sync
  std::uint32_t count = 0;
  captured_output printed;
  int rc = 0;
  // The first 1 closes the run of one 0; six 1-bits follow and the next 0 would close them.
  printed = capture_output([&] { rc = write_code_pulses(0b1111110000, out.get(), &run, &count); });
  EXPECT_EQ(rc, status_encoding_error);
  EXPECT_EQ(printed.out, "Internal encoding error - runlength>=6\n");
  EXPECT_EQ(printed.err, "");
  EXPECT_EQ(out.bytes(), byte_vector{11});
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(run.bit, 0u) << "the run is kept on failure";
  EXPECT_EQ(run.samples, 11u);

  // A final run of six 1-bits is refused the same way.
  printed = capture_output([&] { rc = finish_pulses({1, 66}, out.get(), &count); });
  EXPECT_EQ(rc, status_encoding_error);
  EXPECT_EQ(printed.out, "Internal encoding error - runlength>=6\n");
  // Five are fine.
  EXPECT_EQ(finish_pulses({1, 55}, out.get(), &count), 0);
  EXPECT_EQ(out.bytes(), (byte_vector{11, 55}));
}

TEST(WriteBlockPulses, KeepsWhatWasWrittenWhenThePayloadRunsOut) {
  // Flag FF, three payload bytes expected, only 0x10 there: the pilot, the sync
  // and the runs closed by the two characters read.
  const auto block = write_block(0xFF, {0x10}, 3);
  EXPECT_EQ(block.status, status_reported);
  EXPECT_EQ(block.printed.err, "Unexpected end of input file\n");
  EXPECT_EQ(block.output.size(), 4024u);
  EXPECT_EQ(block.pulse_count, 4024u);

  const auto failed = write_block(0xFF, {1, 2, 3}, 3, {}, {.read_bytes = 2});
  EXPECT_EQ(failed.status, status_reported);
  EXPECT_EQ(failed.printed.err, "Input file read error: Input/output error\n");
}

TEST(WriteBlockPulses, StopsAtAFailedWriteWhateverTheBudget) {
  const byte_vector payload = {0x00, 0x8F, 0x5F};
  const auto good = write_block(0x00, payload);
  ASSERT_EQ(good.status, 0);
  // Every budget from just before the sync to the end, and a few in the pilot.
  std::vector<std::size_t> budgets = {0, 1, 5000};
  for (std::size_t b = 10020; b < good.output.size(); ++b) budgets.push_back(b);
  for (std::size_t budget : budgets) {
    SCOPED_TRACE(testing::Message() << "budget " << budget);
    const auto failed = write_block(0x00, payload, 3, {.write_bytes = budget});
    ASSERT_EQ(failed.status, status_reported);
    ASSERT_EQ(failed.printed.err, "Output file write error: No space left on device\n");
    ASSERT_EQ(failed.printed.out, "");
    ASSERT_EQ(failed.output, byte_vector(good.output.begin(), good.output.begin() + budget));
    ASSERT_EQ(failed.pulse_count, budget);
  }
}

}  // namespace
