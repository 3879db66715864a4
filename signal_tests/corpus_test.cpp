// signal_tests/corpus_test.cpp: real tapes from public emulator repositories,
// converted by the built morvane into every output kind.
//
// The folder of tapes is given at configure time (-DMORVANE_CORPUS_DIR=...);
// without it these tests are skipped. Its expected.tsv says, per tape, the
// exit status, the number of data blocks and the message on standard error.
// A converted tape must decode back to exactly the tape's own data blocks,
// read here from the TZX file itself.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "test_support/run_process.h"
#include "test_support/tape_decoder.h"
#include "test_support/tape_images.h"

namespace {

#ifdef MORVANE_CORPUS_DIR
const std::string corpus_dir = MORVANE_CORPUS_DIR;
#else
const std::string corpus_dir;
#endif

constexpr std::pair<const char*, output_kind> output_kinds[] = {
    {"csw", output_kind::csw}, {"tzxgen", output_kind::tzxgen}, {"tzxcsw", output_kind::tzxcsw}};

struct expected_result {
  std::string file;
  int status = 0;
  std::size_t data_blocks = 0;
  std::string message;
};

std::vector<expected_result> expected_results() {
  std::vector<expected_result> rows;
  std::ifstream table(corpus_dir + "/expected.tsv");
  std::string line;
  std::getline(table, line);  // the column names
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    expected_result row;
    std::string status;
    std::string blocks;
    std::getline(fields, row.file, '\t');
    std::getline(fields, status, '\t');
    std::getline(fields, blocks, '\t');
    std::getline(fields, row.message);
    row.status = std::stoi(status);
    row.data_blocks = std::stoul(blocks);
    rows.push_back(row);
  }
  return rows;
}

TEST(Corpus, EveryTapeConvertsAsExpectedAndDecodesBackToItsBlocks) {
  if (corpus_dir.empty()) GTEST_SKIP() << "no corpus: configure with -DMORVANE_CORPUS_DIR=<folder>";
  const std::vector<expected_result> rows = expected_results();
  ASSERT_FALSE(rows.empty()) << "no expected.tsv in " << corpus_dir;
  scratch_dir dir;
  std::size_t converted = 0;
  std::size_t blocks_decoded = 0;
  for (const expected_result& row : rows) {
    SCOPED_TRACE(row.file);
    const std::string input = corpus_dir + "/" + row.file;
    const std::vector<decoded_block> tape_blocks = data_blocks_of(read_file(input));
    for (const auto& [kind, decoded_as] : output_kinds) {
      SCOPED_TRACE(kind);
      const std::string output = dir.path(row.file + "." + kind);
      const process_result run = run_morvane({"-to", kind, input, output});
      ASSERT_EQ(run.status, row.status) << run.err;
      if (row.status != 0) {
        EXPECT_EQ(run.err, row.message + "\n");
        EXPECT_EQ(run.out.find("Complete."), std::string::npos);
        continue;
      }
      EXPECT_EQ(run.err, "");
      const decoded_tape decoded = decode_output(decoded_as, read_file(output));
      EXPECT_EQ(decoded.error, "");
      EXPECT_EQ(decoded.blocks.size(), row.data_blocks);
      EXPECT_EQ(decoded.blocks, tape_blocks);
      ++converted;
      blocks_decoded += decoded.blocks.size();
    }
  }
  std::printf("corpus: %zu tapes, %zu conversions decoded back, %zu blocks\n", rows.size(),
              converted, blocks_decoded);
}

}  // namespace
