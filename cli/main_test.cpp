// cli/main_test.cpp: the built morvane, run as a user runs it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "cli/command_line.h"
#include "test_support/run_process.h"
#include "test_support/tape_decoder.h"
#include "test_support/tape_images.h"

namespace {

const std::string banner = banner_text;
const std::string usage = usage_text;

TEST(Morvane, PrintsTheBannerFirstAndTheUsageForArgumentsThatAreNotARequest) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"a"},
      {"a", "-to"},
      {"-to", "csw2", "a", "b"},
      {"-from", "TZX", "a", "b"},
      {"-from", "bin", "-to"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(testing::PrintToString(args));
    const auto result = run_morvane(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, banner + usage);
    EXPECT_EQ(result.err, "");
  }
  EXPECT_EQ(banner.substr(0, 55), "ZX Spectrum 8b/10b tape format encoder/converter V1.01\n");
  EXPECT_EQ(std::count(banner.begin(), banner.end(), '\n'), 3);
  EXPECT_EQ(banner.substr(banner.size() - 3), ".\n\n") << "a sentence, then an empty line";
}

TEST(Morvane, ConvertsTheSampleTape) {
  scratch_dir dir;
  const std::string sample = std::string(MORVANE_EXAMPLES_DIR) + "/hello.tzx";
  const auto result = run_morvane({sample, dir.path("hello.csw")});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, banner + "Converting \"" + sample + "\" -> \"" + dir.path("hello.csw") +
                            "\"\nComplete.\n");
  EXPECT_EQ(result.err, "");
  const byte_vector csw = read_file(dir.path("hello.csw"));
  ASSERT_GT(csw.size(), 32u);
  EXPECT_EQ(std::string(csw.begin(), csw.begin() + 22), "Compressed Square Wave");
}

TEST(Morvane, ReadsOptionsOnlyBeforeTheSecondFileName) {
  scratch_dir dir;
  write_file(dir.path("a"), tzx_image({data_block(0, 0xFF, {1})}));
  for (const std::vector<std::string>& trailing :
       {std::vector<std::string>{"-to"}, {"-to", "csw2"}, {"-to", "tzxgen"}}) {
    SCOPED_TRACE(testing::PrintToString(trailing));
    std::vector<std::string> args = {dir.path("a"), dir.path("b")};
    args.insert(args.end(), trailing.begin(), trailing.end());
    const auto result = run_morvane(args);
    EXPECT_EQ(result.status, 0);
    const byte_vector out = read_file(dir.path("b"));
    ASSERT_GT(out.size(), 22u);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 22), "Compressed Square Wave")
        << "tzx to csw, the defaults";
  }
  // -x is a file name, the input here.
  const auto odd = run_morvane({"-x", dir.path("never")});
  EXPECT_EQ(odd.status, 1);
  EXPECT_EQ(odd.out, banner + "Converting \"-x\" -> \"" + dir.path("never") + "\"\n");
  EXPECT_EQ(odd.err, "Error opening input file: No such file or directory\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path("never")));
}

TEST(Morvane, ReportsFilesThatCannotBeOpened) {
  scratch_dir dir;
  write_file(dir.path("in.tzx"), tzx_header());
  const auto missing_input = run_morvane({dir.path("missing.tzx"), dir.path("out.csw")});
  EXPECT_EQ(missing_input.status, 1);
  EXPECT_EQ(missing_input.err, "Error opening input file: No such file or directory\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path("out.csw"))) << "no output is created";

  const auto missing_dir = run_morvane({dir.path("in.tzx"), dir.path("no/such/dir/out.csw")});
  EXPECT_EQ(missing_dir.status, 1);
  EXPECT_EQ(missing_dir.err, "Error opening output file: No such file or directory\n");
  EXPECT_EQ(missing_dir.out.find("Complete."), std::string::npos);
}

// /dev/full takes nothing: an output that fits the stream buffer fails only
// when it is written out at the end, a larger one inside the run.
TEST(Morvane, FailsOnAFullDiskWhateverTheSizeOfTheOutput) {
  scratch_dir dir;
  write_file(dir.path("small.tzx"), tzx_image({data_block(1000, 0xFF, {1, 2, 3})}));
  write_file(dir.path("large.tzx"), tzx_image({data_block(1000, 0x00, random_bytes(8000, 3))}));
  for (const char* input : {"small.tzx", "large.tzx"}) {
    for (const char* kind : {"csw", "tzxgen", "tzxcsw"}) {
      SCOPED_TRACE(testing::Message() << input << " to " << kind);
      const auto result = run_morvane({"-to", kind, dir.path(input), "/dev/full"});
      EXPECT_EQ(result.status, 1);
      EXPECT_EQ(result.err, "Output file write error: No space left on device\n");
      EXPECT_EQ(result.out, banner + "Converting \"" + dir.path(input) + "\" -> \"/dev/full\"\n");
    }
  }
}

TEST(Morvane, LeavesTheInputAloneWhenItIsAlsoTheOutput) {
  scratch_dir dir;
  const byte_vector tape = tzx_image({data_block(1000, 0x00, {1, 2, 3})});
  write_file(dir.path("tape.tzx"), tape);
  const auto result = run_morvane({dir.path("tape.tzx"), dir.path("tape.tzx")});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "Input and output are the same file\n");
  EXPECT_EQ(read_file(dir.path("tape.tzx")), tape);
}

// Holding a FIFO open for reading and writing lets the converter open it
// either way without waiting for a peer; what it writes fits the pipe.
class fifo {
 public:
  explicit fifo(const std::string& path) {
    if (mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
    fd_ = open(path.c_str(), O_RDWR | O_NONBLOCK);
    if (fd_ < 0) throw std::runtime_error("open fifo failed");
  }
  ~fifo() { close(fd_); }
  fifo(const fifo&) = delete;
  fifo& operator=(const fifo&) = delete;

 private:
  int fd_ = -1;
};

TEST(Morvane, NeedsASeekableOutputForCswRecordingBlocks) {
  scratch_dir dir;
  write_file(dir.path("in.bin"), {});
  fifo pipe(dir.path("pipe"));
  const auto result =
      run_morvane({"-from", "bin", "-to", "tzxcsw", dir.path("in.bin"), dir.path("pipe")});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "Output file seek error\n");
}

TEST(Morvane, NeedsASeekableInputForRawData) {
  scratch_dir dir;
  fifo pipe(dir.path("pipe"));
  const auto result = run_morvane({"-from", "bin", dir.path("pipe"), dir.path("out.csw")});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "Input file seek error\n");
  EXPECT_EQ(read_file(dir.path("out.csw")).size(), 32u) << "only the file header";
}

TEST(Morvane, TakesRawInputUpTo65535Bytes) {
  scratch_dir dir;
  const byte_vector payload = random_bytes(65535, 1);
  write_file(dir.path("largest.bin"), payload);
  write_file(dir.path("too_big.bin"), random_bytes(65536, 1));

  const auto largest = run_morvane(
      {"-from", "bin", "-to", "tzxgen", dir.path("largest.bin"), dir.path("largest.tzx")});
  EXPECT_EQ(largest.status, 0);
  EXPECT_EQ(largest.err, "");
  EXPECT_NE(largest.out.find("Complete.\n"), std::string::npos);
  const decoded_tape tape = decode_tzx_file(read_file(dir.path("largest.tzx")));
  EXPECT_EQ(tape.error, "");
  EXPECT_EQ(tape.blocks, (std::vector<decoded_block>{{0xFF, payload, 0}}));

  const auto too_big = run_morvane({"-from", "bin", dir.path("too_big.bin"), dir.path("big.csw")});
  EXPECT_EQ(too_big.status, 2);
  EXPECT_EQ(too_big.err, "Input file is too big, must be <65536 bytes\n");
  EXPECT_EQ(too_big.out.find("Complete."), std::string::npos);
  EXPECT_EQ(read_file(dir.path("big.csw")).size(), 32u) << "only the file header";
}

}  // namespace
