// fuzz/make_seeds.cpp: writes the tests' fixtures as the fuzzers' first inputs.
//
//   make_seeds <folder>   writes <folder>/tzx/* and <folder>/raw/*
//
// The TZX seeds are tapes the converter takes and tapes it refuses for each of
// its reasons, so the fuzzers start with every path of the reader in view.
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "test_support/tape_images.h"

namespace {

const byte_vector spectrum_header = hex("03 6D 6F 72 76 61 6E 65 20 20 20 2C 01 00 80 00 80");

std::vector<std::pair<std::string, byte_vector>> tzx_seeds() {
  const byte_vector three_blocks =
      tzx_image({data_block(1000, 0x00, spectrum_header),
                 data_block(2000, 0xFF, random_bytes(300, 7)), data_block(0, 0x42, {})});
  byte_vector cut = three_blocks;
  cut.resize(cut.size() - 100);
  byte_vector turbo = tzx_image({data_block(1000, 0x00, {1, 2, 3})});
  turbo.push_back(0x11);
  byte_vector short_block = tzx_header();
  for (std::uint8_t b : {0x10, 0x00, 0x00, 0x01, 0x00, 0xFF}) short_block.push_back(b);
  return {
      {"hello", read_file(MORVANE_EXAMPLES_DIR "/hello.tzx")},
      {"three_blocks", three_blocks},
      {"header_only", tzx_header(1, 20)},
      {"minor_0", concat({tzx_header(1, 0), data_block(0, 0xFF, {})})},
      {"pause_0_pairs",
       tzx_image({data_block(0, 0x00, random_bytes(40, 1)), data_block(0, 0xFF, hex("6A 98")),
                  data_block(0, 0x80, random_bytes(9, 2))})},
      {"cut_short", cut},
      {"turbo_block", turbo},
      {"length_1", short_block},
      {"major_2", concat({tzx_header(2, 0), data_block(1000, 0x00, {1})})},
      {"not_tzx", hex("00 01 02 03")},
  };
}

std::vector<std::pair<std::string, byte_vector>> raw_seeds() {
  return {
      {"empty", {}},
      {"three_zero_bits", hex("6A 98")},
      {"short", {1, 2, 3}},
      {"random", random_bytes(1000, 5)},
      {"zeros", byte_vector(500, 0)},
  };
}

// Throws if a file cannot be written.
void write_all(const std::filesystem::path& folder,
               const std::vector<std::pair<std::string, byte_vector>>& seeds) {
  std::filesystem::create_directories(folder);
  for (const auto& [name, bytes] : seeds) write_file((folder / name).string(), bytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make_seeds <folder>\n", stderr);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  write_all(folder / "tzx", tzx_seeds());
  write_all(folder / "raw", raw_seeds());
  return 0;
}
