// cli/error_report_test.cpp: the exact wording of every stream failure.
#include "cli/error_report.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "test_support/streams.h"

namespace {

TEST(ReportReadError, TellsAReadErrorFromAnEndOfInput) {
  memory_stream truncated;
  memory_stream failing({1, 2, 3}, {.read_bytes = 0});
  memory_stream untouched({1});
  EXPECT_EQ(std::getc(truncated.get()), EOF);
  EXPECT_EQ(std::getc(failing.get()), EOF);

  EXPECT_EQ(capture_output([&] { report_read_error(truncated.get()); }).err,
            "Unexpected end of input file\n");
  EXPECT_EQ(capture_output([&] { report_read_error(failing.get()); }).err,
            "Input file read error: Input/output error\n");
  // Neither indicator set: the wording keeps its underscores.
  EXPECT_EQ(capture_output([&] { report_read_error(untouched.get()); }).err,
            "Input file_read_error\n");
}

TEST(ReportReadError, PutsTheErrorIndicatorBeforeEndOfInput) {
  memory_stream both({}, {.write_bytes = 0});
  EXPECT_EQ(std::putc(1, both.get()), EOF);  // sets the error indicator
  EXPECT_EQ(std::getc(both.get()), EOF);     // and end of input
  ASSERT_TRUE(std::ferror(both.get()) && std::feof(both.get()));
  errno = EIO;
  EXPECT_EQ(capture_output([&] { report_read_error(both.get()); }).err,
            "Input file read error: Input/output error\n");
}

TEST(ReportWriteError, AddsTheSystemTextOnlyWhenTheStreamHasAnError) {
  memory_stream full({}, {.write_bytes = 0});
  memory_stream fine;
  EXPECT_EQ(std::putc(1, full.get()), EOF);
  EXPECT_EQ(capture_output([&] { report_write_error(full.get()); }).err,
            "Output file write error: No space left on device\n");
  EXPECT_EQ(capture_output([&] { report_write_error(fine.get()); }).err,
            "Output file write error\n");
}

TEST(ReportSeekError, NamesTheFile) {
  EXPECT_EQ(capture_output([] { report_seek_error("Input"); }).err, "Input file seek error\n");
  EXPECT_EQ(capture_output([] { report_seek_error("Output"); }).err, "Output file seek error\n");
}

TEST(Reporters, LeaveTheStreamIndicatorsAlone) {
  memory_stream truncated;
  EXPECT_EQ(std::getc(truncated.get()), EOF);
  capture_output([&] { report_read_error(truncated.get()); });
  EXPECT_TRUE(std::feof(truncated.get()));
  EXPECT_FALSE(std::ferror(truncated.get()));
}

}  // namespace
