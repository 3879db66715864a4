// writers/csw_output_test.cpp: the CSW 1.01 header and pause pulses.
#include <gtest/gtest.h>

#include "test_support/streams.h"
#include "test_support/tape_images.h"
#include "writers/block_writers.h"

namespace {

TEST(WriteCswHeader, WritesTheThirtyTwoByteHeader) {
  memory_stream out;
  ASSERT_EQ(write_csw_header(out.get()), 0);
  EXPECT_EQ(out.bytes(), csw_file_header());
}

TEST(WriteCswPause, WritesOneLongPulseOfTheTruncatedSampleCount) {
  struct row {
    std::uint16_t pause_ms;
    const char* bytes;
  };
  const row rows[] = {
      {0, ""},
      {1, "00 2C 00 00 00"},      // 44.1 samples, truncated
      {1000, "00 44 AC 00 00"},   // 44100
      {65535, "00 6D 19 2C 00"},  // 2890093: 65535 * 44100 is past INT_MAX
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.pause_ms << " ms");
    memory_stream out;
    ASSERT_EQ(write_csw_pause(out.get(), r.pause_ms), 0);
    EXPECT_EQ(out.bytes(), hex(r.bytes));
  }
}

TEST(CswOutput, ReportsAFailedWriteOnce) {
  for (std::size_t budget = 0; budget < 32; budget += 7) {
    SCOPED_TRACE(testing::Message() << "budget " << budget);
    memory_stream header_out({}, {.write_bytes = budget});
    memory_stream pause_out({}, {.write_bytes = budget % 5});
    int header_rc = 0;
    int pause_rc = 0;
    const auto printed = capture_output([&] {
      header_rc = write_csw_header(header_out.get());
      pause_rc = write_csw_pause(pause_out.get(), 1000);
    });
    EXPECT_EQ(header_rc, 1);
    EXPECT_EQ(pause_rc, 1);
    EXPECT_EQ(printed.err,
              "Output file write error: No space left on device\n"
              "Output file write error: No space left on device\n");
  }
}

}  // namespace
