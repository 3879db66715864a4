// signal_tests/round_trip_test.cpp: random tapes through every output kind and
// back through the decoder, which reads the signal as a loader would.
//
// Each seed makes one tape; a failure names its seed, and MORVANE_SEED=<seed>
// reruns that tape alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "test_support/streams.h"
#include "test_support/tape_decoder.h"
#include "test_support/tape_images.h"

namespace {

constexpr output_kind all_output_kinds[] = {output_kind::csw, output_kind::tzxgen,
                                            output_kind::tzxcsw};

const char* name_of(output_kind kind) {
  switch (kind) {
    case output_kind::csw:
      return "csw";
    case output_kind::tzxgen:
      return "tzxgen";
    case output_kind::tzxcsw:
      return "tzxcsw";
  }
  return "?";
}

// Payload sizes at the edges of the frame (none, one, two bytes; the longest
// ones) and between them: 37 stands for a few bytes, 3001 for a few thousand.
// A TZX block holds at most 65533 payload bytes (its 16-bit length counts the
// flag and checksum too); a raw input up to 65535.
constexpr std::size_t payload_sizes[] = {0, 1, 2, 37, 3001, 65533, 65535};
constexpr std::size_t largest_tzx_payload = 65533;
constexpr std::uint16_t pauses_ms[] = {0, 1, 1000, 65535};

// One to four blocks. Sizes walk the table with the seed so that every run
// covers each of them; flags and pauses are drawn, and the first block has
// no pause for every other seed, so blocks follow one another directly.
std::vector<decoded_block> random_tape(std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<decoded_block> blocks(1 + random() % 4);
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    decoded_block& block = blocks[b];
    std::size_t size = payload_sizes[(seed + 3 * b) % std::size(payload_sizes)];
    if (size == 37) size = random() % 200;
    if (size == 3001) size = 2000 + random() % 3000;
    size = std::min(size, largest_tzx_payload);
    block.flag = static_cast<std::uint8_t>(random());
    block.payload = random_bytes(size, random());
    block.pause_ms = pauses_ms[random() % std::size(pauses_ms)];
  }
  if (seed % 2 == 0) blocks.front().pause_ms = 0;
  return blocks;
}

std::vector<std::uint32_t> seeds() {
  if (const char* one = std::getenv("MORVANE_SEED"))
    return {static_cast<std::uint32_t>(std::stoul(one))};
  std::vector<std::uint32_t> all;
  for (std::uint32_t seed = 1; seed <= 28; ++seed) all.push_back(seed);
  return all;
}

// Every pulse of the pulse form is one to five cells; only pauses are long.
void expect_whole_cells(const std::vector<csw_level>& levels) {
  for (const csw_level& level : levels) {
    if (level.long_form) continue;
    ASSERT_TRUE(level.samples >= 11 && level.samples <= 55 && level.samples % 11 == 0)
        << "a pulse of " << level.samples << " samples";
  }
}

struct round_trip_totals {
  std::size_t tapes = 0;
  std::size_t blocks = 0;
  std::size_t payload_bytes = 0;
};

void report(const char* what, const round_trip_totals& totals) {
  std::printf("%s: %zu outputs, %zu blocks, %zu payload bytes decoded back\n", what, totals.tapes,
              totals.blocks, totals.payload_bytes);
}

TEST(RoundTrip, RandomTzxTapesDecodeBackToTheirBlocksInEveryOutputKind) {
  round_trip_totals totals;
  for (std::uint32_t seed : seeds()) {
    SCOPED_TRACE(testing::Message()
                 << "seed " << seed << " (rerun with MORVANE_SEED=" << seed << ")");
    const std::vector<decoded_block> blocks = random_tape(seed);
    const byte_vector image = tzx_image_of(blocks);
    byte_vector csw;
    for (output_kind kind : all_output_kinds) {
      SCOPED_TRACE(name_of(kind));
      const stream_run run = convert_in_memory(image, input_kind::tzx, kind);
      ASSERT_EQ(run.status, 0) << run.printed.err;
      const decoded_tape tape = decode_output(kind, run.output);
      ASSERT_EQ(tape.error, "");
      ASSERT_EQ(tape.blocks, blocks);
      ++totals.tapes;
      totals.blocks += blocks.size();
      for (const auto& b : blocks) totals.payload_bytes += b.payload.size();
      if (kind == output_kind::csw) csw = run.output;
      if (kind != output_kind::tzxcsw) continue;

      // Block 0x18 holds exactly the pulses of the CSW form, in order (the
      // decoder has found one pilot, sync and frame in each block), with each
      // block's pause in its head instead of a pause pulse.
      const auto levels = csw_levels(csw);
      const auto recordings = csw_recordings(run.output);
      ASSERT_TRUE(levels && recordings);
      expect_whole_cells(*levels);
      byte_vector csw_pulses;
      for (const csw_level& level : *levels) {
        if (!level.long_form) csw_pulses.push_back(static_cast<std::uint8_t>(level.samples));
      }
      byte_vector recorded_pulses;
      ASSERT_EQ(recordings->size(), blocks.size());
      for (std::size_t b = 0; b < blocks.size(); ++b) {
        const csw_recording& r = (*recordings)[b];
        recorded_pulses.insert(recorded_pulses.end(), r.pulses.begin(), r.pulses.end());
        EXPECT_EQ(r.pause_ms, blocks[b].pause_ms) << "block " << b;
      }
      EXPECT_EQ(recorded_pulses, csw_pulses);
    }
  }
  report("TZX input", totals);
}

TEST(RoundTrip, RandomRawInputsDecodeBackToOneDataBlockInEveryOutputKind) {
  round_trip_totals totals;
  for (std::uint32_t seed : seeds()) {
    SCOPED_TRACE(testing::Message()
                 << "seed " << seed << " (rerun with MORVANE_SEED=" << seed << ")");
    std::size_t size = payload_sizes[seed % std::size(payload_sizes)];
    if (size == 37) size = seed % 200;
    if (size == 3001) size = 2000 + 97 * seed % 3000;
    const decoded_block block = {0xFF, random_bytes(size, seed), 0};
    for (output_kind kind : all_output_kinds) {
      SCOPED_TRACE(name_of(kind));
      const stream_run run = convert_in_memory(block.payload, input_kind::bin, kind);
      ASSERT_EQ(run.status, 0) << run.printed.err;
      const decoded_tape tape = decode_output(kind, run.output);
      ASSERT_EQ(tape.error, "");
      ASSERT_EQ(tape.blocks, std::vector<decoded_block>{block});
      if (kind == output_kind::csw) expect_whole_cells(*csw_levels(run.output));
      ++totals.tapes;
      ++totals.blocks;
      totals.payload_bytes += size;
    }
  }
  report("raw input", totals);
}

}  // namespace
