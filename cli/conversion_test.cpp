// cli/conversion_test.cpp: run_conversion on real files: what the output holds,
// what is printed, and the exit status.
#include "cli/conversion.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support/run_process.h"
#include "test_support/streams.h"
#include "test_support/tape_images.h"

namespace {

constexpr output_kind all_kinds[] = {output_kind::csw, output_kind::tzxgen, output_kind::tzxcsw};

struct run {
  int status = 0;
  captured_output printed;
};

run convert(const std::string& input, const std::string& output,
            output_kind kind = output_kind::csw, input_kind from = input_kind::tzx) {
  run result;
  result.printed = capture_output([&] {
    result.status = run_conversion({from, kind, input, output});
  });
  return result;
}

std::string conversion_line(const std::string& input, const std::string& output) {
  return "Converting \"" + input + "\" -> \"" + output + "\"\n";
}

TEST(RunConversion, WritesOnlyTheFileHeaderForATapeWithoutBlocks) {
  scratch_dir dir;
  write_file(dir.path("empty.tzx"), tzx_header(1, 20));
  const auto csw = convert(dir.path("empty.tzx"), dir.path("out.csw"));
  EXPECT_EQ(csw.status, 0);
  EXPECT_EQ(csw.printed.out,
            conversion_line(dir.path("empty.tzx"), dir.path("out.csw")) + "Complete.\n");
  EXPECT_EQ(csw.printed.err, "");
  EXPECT_EQ(read_file(dir.path("out.csw")), csw_file_header());

  for (output_kind kind : {output_kind::tzxgen, output_kind::tzxcsw}) {
    ASSERT_EQ(convert(dir.path("empty.tzx"), dir.path("out.tzx"), kind).status, 0);
    EXPECT_EQ(read_file(dir.path("out.tzx")), tzx_header(1, 20));
  }
}

TEST(RunConversion, TurnsAnEmptyRawFileIntoThe4060ByteCswFile) {
  scratch_dir dir;
  write_file(dir.path("empty.bin"), {});
  ASSERT_EQ(
      convert(dir.path("empty.bin"), dir.path("out.csw"), output_kind::csw, input_kind::bin).status,
      0);
  // No pause pulse: raw input has pause 0.
  const byte_vector expected = concat({csw_file_header(), empty_raw_block_pulses()});
  EXPECT_EQ(expected.size(), 4060u);
  EXPECT_EQ(read_file(dir.path("out.csw")), expected);
}

TEST(RunConversion, KeepsTheFileHeaderWhenTheInputIsNotATape) {
  scratch_dir dir;
  write_file(dir.path("notes.txt"), {'h', 'e', 'l', 'l', 'o', ' ', 't', 'a', 'p', 'e', '\n'});
  const auto result = convert(dir.path("notes.txt"), dir.path("out.csw"));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.printed.out, conversion_line(dir.path("notes.txt"), dir.path("out.csw")));
  EXPECT_EQ(result.printed.err, "Input file format error\n");
  EXPECT_EQ(read_file(dir.path("out.csw")), csw_file_header());
}

TEST(RunConversion, KeepsTheBlocksBeforeAnUnsupportedOne) {
  scratch_dir dir;
  const byte_vector first = data_block(1000, 0x00, {1, 2, 3});
  write_file(dir.path("one.tzx"), tzx_image({first}));
  write_file(dir.path("mixed.tzx"),
             concat({tzx_image({first}), hex("30 03 61 62 63"), data_block(0, 0xFF, {4})}));
  ASSERT_EQ(convert(dir.path("one.tzx"), dir.path("one.csw")).status, 0);
  const auto result = convert(dir.path("mixed.tzx"), dir.path("mixed.csw"));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.printed.err,
            "Unsupported block type 0x30. Only standard data blocks are supported\n");
  EXPECT_EQ(result.printed.out.find("Complete."), std::string::npos);
  EXPECT_EQ(read_file(dir.path("mixed.csw")), read_file(dir.path("one.csw")));
}

TEST(RunConversion, RefusesToWriteOverItsInputUnderAnyName) {
  scratch_dir dir;
  const byte_vector tape = tzx_image({data_block(1000, 0x00, {1, 2, 3})});
  write_file(dir.path("tape.tzx"), tape);
  std::filesystem::create_symlink(dir.path("tape.tzx"), dir.path("link.tzx"));
  std::filesystem::create_hard_link(dir.path("tape.tzx"), dir.path("hard.tzx"));
  std::filesystem::create_directory(dir.path("sub"));
  for (const std::string& output : {dir.path("tape.tzx"), dir.path("sub/../tape.tzx"),
                                    dir.path("link.tzx"), dir.path("hard.tzx")}) {
    SCOPED_TRACE(output);
    const auto result = convert(dir.path("tape.tzx"), output, output_kind::tzxgen);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.printed.err, "Input and output are the same file\n");
    EXPECT_EQ(result.printed.out, conversion_line(dir.path("tape.tzx"), output));
    EXPECT_EQ(read_file(dir.path("tape.tzx")), tape);
  }
  // A path that does not exist yet is another file.
  EXPECT_EQ(convert(dir.path("tape.tzx"), dir.path("new.csw")).status, 0);
}

// No coding state outlives its block, let alone a run: a second run in the same
// process writes what the first wrote.
TEST(RunConversion, WritesTheSameBytesWhenRunTwiceInOneProcess) {
  scratch_dir dir;
  write_file(dir.path("tape.tzx"), tzx_image({data_block(0, 0x00, random_bytes(500, 1)),
                                              data_block(0, 0xFF, random_bytes(333, 2))}));
  write_file(dir.path("raw.bin"), random_bytes(777, 3));
  for (output_kind kind : all_kinds) {
    for (const auto& [input, from] :
         {std::pair{"tape.tzx", input_kind::tzx}, std::pair{"raw.bin", input_kind::bin}}) {
      SCOPED_TRACE(testing::Message() << input << ", kind " << static_cast<int>(kind));
      ASSERT_EQ(convert(dir.path(input), dir.path("first"), kind, from).status, 0);
      ASSERT_EQ(convert(dir.path(input), dir.path("second"), kind, from).status, 0);
      const byte_vector first = read_file(dir.path("first"));
      EXPECT_GT(first.size(), 1000u);
      EXPECT_EQ(read_file(dir.path("second")), first);
    }
  }
}

// A full device fails the first write that reaches it: inside the run once the
// stream buffer fills, or only when the output is closed.
TEST(RunConversion, NeverReportsAFullDiskAsSuccess) {
  scratch_dir dir;
  write_file(dir.path("small.bin"), {});  // output of about 4 KB: within the buffer
  write_file(dir.path("large.bin"), random_bytes(3000, 9));
  for (output_kind kind : all_kinds) {
    for (const char* input : {"small.bin", "large.bin"}) {
      SCOPED_TRACE(testing::Message() << input << ", kind " << static_cast<int>(kind));
      const auto result = convert(dir.path(input), "/dev/full", kind, input_kind::bin);
      EXPECT_EQ(result.status, 1);
      EXPECT_EQ(result.printed.err, "Output file write error: No space left on device\n");
      EXPECT_EQ(result.printed.out, conversion_line(dir.path(input), "/dev/full"));
    }
  }
}

}  // namespace
