// signal_tests/libspectrum_playback_test.cpp: our outputs as libspectrum plays them.
//
// libspectrum is the tape library of Fuse and its utilities. It reads a tape
// file and plays it as edges: each libspectrum_tape_get_next_edge gives one
// edge's flags and the T-states (3.5 MHz) from it to the next edge, so an
// edge's flags set the level that then holds for its T-states (so
// tape2pulses, from the Fuse utilities, plays them: it shows the 0x19 data
// cells of these tapes at the levels their symbols force). What 1.5.0 does
// with our files, from libspectrum.h, its manual and playing them:
//
// - A CSW file is one block. Each pulse of k samples is one edge of 79 * k T
//   (3500000 / 44100, truncated), flags 0; the last edge, the file's last
//   pulse, carries BLOCK | STOP | TAPE. The header's polarity bit is not
//   reported: a CSW's levels are only relative.
// - A TZX block 0x19 plays each pilot and sync pulse as an edge with flags 0
//   (the level toggles) and each pulse of a symbol that forces its level (the
//   cell before the pilot, the data symbols) as one edge flagged LEVEL_LOW or
//   LEVEL_HIGH. Its pause follows as one edge of pause_ms * 3500 T flagged
//   BLOCK, which toggles the level: the pause is not forced low. A pause of 0
//   is an edge of 0 T flagged BLOCK | NO_EDGE, which leaves the level as the
//   last cell left it. The last block's pause edge carries STOP | TAPE as well,
//   and there a pause of 0 loses NO_EDGE: the tape ends on a real edge.
// - No flag tells the level before the first edge; tape2pulses starts low,
//   and so does this file. A block's pilot therefore finds whatever level the
//   block before left: that of its last cell after a pause of 0, the opposite
//   one after a longer pause. The cell forced low before the pilot is what
//   makes the sync play high all the same.
// - Block 0x18 is not read: "unknown block type 0x18", and the whole file is
//   refused. A block's pulses behind a CSW header are played, though.
// - Asked for more after STOP, it starts the tape again from its first block.
#include <gtest/gtest.h>
#include <libspectrum.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "test_support/streams.h"
#include "test_support/tape_decoder.h"
#include "test_support/tape_images.h"

namespace {

constexpr std::uint32_t tstates_per_second = 3'500'000;
constexpr std::uint32_t samples_per_second = 44'100;
// libspectrum plays every CSW sample as a whole number of T-states.
constexpr std::uint32_t tstates_per_sample = tstates_per_second / samples_per_second;
static_assert(tstates_per_sample == 79);
constexpr std::uint32_t tstates_per_ms = tstates_per_second / 1000;
constexpr std::uint32_t cell_tstates = 875;  // 250 us

// --- The tapes ---------------------------------------------------------------

using tape_block = decoded_block;

struct tape_case {
  const char* name;
  bool raw;  // read with -from bin: the one block's payload is the whole input
  std::vector<tape_block> blocks;
};

// The last three rows follow a frame's last line bits (the end of its sum_b
// code word) into the next block: frame FF ends in a 1-bit (0110000101), frame
// FF 00 in a 0-bit, frame FF 6A 98 F9 in three 0-bits (1011001000).
const std::vector<tape_case>& tape_cases() {
  static const std::vector<tape_case> cases = {
      {"an empty raw input", true, {{0xFF, {}, 0}}},
      {"a header and its data, as SAVE writes them",
       false,
       {{0x00, random_bytes(17, 1), 1000}, {0xFF, random_bytes(300, 2), 1000}}},
      {"a data block right after a header with no pause",
       false,
       {{0x00, random_bytes(17, 3), 0}, {0xFF, random_bytes(400, 4), 0}}},
      {"a payload of a few thousand bytes", true, {{0xFF, random_bytes(3000, 5), 0}}},
      {"a block after a pause-0 block that ends in a 1-bit",
       false,
       {{0xFF, {}, 0}, {0xFF, random_bytes(200, 6), 1000}}},
      {"a block after a 1000 ms pause that follows a 0-bit",
       false,
       {{0xFF, {0x00}, 1000}, {0xFF, random_bytes(200, 7), 1000}}},
      {"a block after a pause-0 block that ends in three 0-bits",
       false,
       {{0xFF, {0x6A, 0x98, 0xF9}, 0}, {0xFF, random_bytes(50, 8), 0}}},
  };
  return cases;
}

// The tape as the converter's input file.
byte_vector input_file(const tape_case& tape) {
  return tape.raw ? tape.blocks.front().payload : tzx_image_of(tape.blocks);
}

// What `morvane -from tzx|bin -to kind` writes for the tape, made in memory.
byte_vector convert(const tape_case& tape, output_kind kind) {
  const stream_run run =
      convert_in_memory(input_file(tape), tape.raw ? input_kind::bin : input_kind::tzx, kind);
  EXPECT_EQ(run.status, 0) << run.printed.out << run.printed.err;
  return run.output;
}

// --- libspectrum -------------------------------------------------------------

// libspectrum reports its errors through one global hook; this keeps the last
// message for the test to look at instead of printing it.
std::string& library_message() {
  static std::string message;
  return message;
}

libspectrum_error keep_message(libspectrum_error error, const char* format, va_list ap) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, ap);
  library_message() = text;
  return error;
}

// The edges compared with an expectation in this run, printed once at its end.
std::size_t& edge_checks() {
  static std::size_t count = 0;
  return count;
}

class libspectrum_environment : public testing::Environment {
 public:
  void SetUp() override {
    libspectrum_error_function = keep_message;
    ASSERT_EQ(libspectrum_init(), LIBSPECTRUM_ERROR_NONE) << library_message();
  }
  void TearDown() override {
    std::printf("libspectrum edge checks in this run: %zu\n", edge_checks());
    libspectrum_end();
  }
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new libspectrum_environment);

struct tape_deleter {
  void operator()(libspectrum_tape* tape) const { (void)libspectrum_tape_free(tape); }
};

struct played_edge {
  std::uint32_t tstates;  // from this edge to the next
  int flags;
  bool high;  // the level from this edge to the next
};

struct playback {
  libspectrum_error read_status = LIBSPECTRUM_ERROR_NONE;
  std::string message;             // why libspectrum refused the file
  std::vector<played_edge> edges;  // up to and including the one flagged STOP
};

// The level an edge leaves, as a player keeps it.
bool level_after(bool high, int flags) {
  if (flags & LIBSPECTRUM_TAPE_FLAGS_NO_EDGE) return high;
  if (flags & LIBSPECTRUM_TAPE_FLAGS_LEVEL_LOW) return false;
  if (flags & LIBSPECTRUM_TAPE_FLAGS_LEVEL_HIGH) return true;
  return !high;
}

// Lets libspectrum identify `file` itself, then plays it up to its first stop.
playback play(const byte_vector& file) {
  playback result;
  std::unique_ptr<libspectrum_tape, tape_deleter> tape(libspectrum_tape_alloc());
  library_message().clear();
  result.read_status =
      libspectrum_tape_read(tape.get(), file.data(), file.size(), LIBSPECTRUM_ID_UNKNOWN, nullptr);
  result.message = library_message();
  if (result.read_status != LIBSPECTRUM_ERROR_NONE) return result;

  // Our longest tape here has under 70000 edges; the bound only keeps a tape
  // that never stops from hanging the test.
  bool high = false;
  for (std::size_t i = 0; i < 10'000'000; ++i) {
    libspectrum_dword tstates = 0;
    int flags = 0;
    if (libspectrum_tape_get_next_edge(&tstates, &flags, tape.get()) != LIBSPECTRUM_ERROR_NONE) {
      ADD_FAILURE() << "libspectrum failed at edge " << i << ": " << library_message();
      return result;
    }
    high = level_after(high, flags);
    result.edges.push_back({tstates, flags, high});
    if (flags & LIBSPECTRUM_TAPE_FLAGS_STOP) return result;
  }
  ADD_FAILURE() << "the tape never stops";
  return result;
}

// --- Expected edges ----------------------------------------------------------

enum class part : std::uint8_t { pulse, lead_in, pilot, sync, line_bit, pause };

const char* part_name(part p) {
  constexpr const char* names[] = {"pulse", "lead-in", "pilot", "sync", "line bit", "pause"};
  return names[static_cast<std::size_t>(p)];
}

struct expected_edge {
  std::uint32_t tstates;
  int flags;
  std::optional<bool> high;  // the level the edge must leave, where it is fixed
  part what;
  std::size_t block;
};

// Compares every played edge with its expectation. Stops at the first
// difference, since one slipped edge would make every later one differ.
void expect_edges(const std::vector<played_edge>& played,
                  const std::vector<expected_edge>& expected) {
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const expected_edge& e = expected[i];
    if (i == played.size()) {
      ADD_FAILURE() << "the tape stops after " << i << " edges, in the " << part_name(e.what)
                    << " of block " << e.block << "; " << expected.size() << " expected";
      return;
    }
    const played_edge& p = played[i];
    ++edge_checks();
    if (p.tstates != e.tstates || p.flags != e.flags || (e.high && *e.high != p.high)) {
      ADD_FAILURE() << "edge " << i << ", " << part_name(e.what) << " of block " << e.block
                    << ": played " << p.tstates << " T, flags 0x" << std::hex << p.flags << ", "
                    << (p.high ? "high" : "low") << "; expected " << std::dec << e.tstates
                    << " T, flags 0x" << std::hex << e.flags
                    << (e.high ? (*e.high ? ", high" : ", low") : "");
      return;
    }
  }
  EXPECT_EQ(played.size(), expected.size()) << "edges played past the expected end";
}

int end_of_tape_flags() {
  return LIBSPECTRUM_TAPE_FLAGS_BLOCK | LIBSPECTRUM_TAPE_FLAGS_STOP | LIBSPECTRUM_TAPE_FLAGS_TAPE;
}

// The pulses of a CSW 1.01 file in samples, long ones included.
std::vector<std::uint32_t> csw_pulses(const byte_vector& file) {
  std::vector<std::uint32_t> samples;
  const auto levels = csw_levels(file);
  EXPECT_TRUE(levels) << "not a CSW file";
  if (levels)
    for (const csw_level& level : *levels) samples.push_back(level.samples);
  return samples;
}

// A whole CSW file is one libspectrum block: every pulse an edge of that many
// T-states, the last one ending block and tape.
std::vector<expected_edge> csw_edges(const std::vector<std::uint32_t>& tstates) {
  std::vector<expected_edge> edges;
  for (std::uint32_t t : tstates) edges.push_back({t, 0, {}, part::pulse, 0});
  if (!edges.empty()) edges.back().flags = end_of_tape_flags();
  return edges;
}

// The frame's line bits in the order they are sent: code word by code word,
// bit 9 first.
std::vector<bool> line_bits(const tape_block& block) {
  std::vector<bool> bits;
  for (std::uint16_t word : frame_code_words(block.flag, block.payload))
    for (int i = 9; i >= 0; --i) bits.push_back((word >> i & 1) != 0);
  return bits;
}

// The pulses, in samples, of a tape in CSW form, as the README tells them:
// per block a pilot of 22-sample pulses (10022 after a header flag, 4009 after
// a data flag), the 11-sample sync, then the line bits as runs of 11-sample
// cells, the first run starting with the 0-cell that follows the sync; a last
// run of one or two 0-bits has no pulse of its own (the next pulse, at least
// two cells long, carries it), one of three has. Then the pause, if any, as
// one pulse.
std::vector<std::uint32_t> csw_form(const std::vector<tape_block>& blocks) {
  std::vector<std::uint32_t> samples;
  for (const tape_block& block : blocks) {
    samples.insert(samples.end(), (block.flag & 0x80) ? 4009 : 10022, 22);
    samples.push_back(11);
    std::vector<bool> cells = line_bits(block);
    cells.insert(cells.begin(), false);
    std::size_t zeros = 0;
    while (!cells[cells.size() - 1 - zeros]) ++zeros;
    if (zeros <= 2) cells.resize(cells.size() - zeros);
    std::uint32_t run = 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      ++run;
      if (i + 1 == cells.size() || cells[i + 1] != cells[i]) {
        samples.push_back(11 * run);
        run = 0;
      }
    }
    if (block.pause_ms != 0) samples.push_back(block.pause_ms * samples_per_second / 1000);
  }
  return samples;
}

// The edges of a tape of 0x19 blocks: per block one 875-T cell forced low,
// which sets the level for the pilot, then the pilot (10000 x 1750 T
// after a header flag, bit 7 clear; 8000 x 875 T after a data flag), the two
// 875-T sync pulses, one forced-level cell per line bit, code word by code
// word from bit 9, and the pause edge. Pilot and sync toggle, so only their
// lengths and flags are fixed here; their levels are checked on their own.
std::vector<expected_edge> generalized_edges(const std::vector<tape_block>& blocks) {
  std::vector<expected_edge> edges;
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const tape_block& block = blocks[b];
    const bool header = (block.flag & 0x80) == 0;
    edges.push_back({cell_tstates, LIBSPECTRUM_TAPE_FLAGS_LEVEL_LOW, false, part::lead_in, b});
    edges.insert(edges.end(), header ? 10000 : 8000,
                 {header ? 1750u : cell_tstates, 0, {}, part::pilot, b});
    edges.insert(edges.end(), 2, {cell_tstates, 0, {}, part::sync, b});
    for (bool one : line_bits(block)) {
      edges.push_back({cell_tstates,
                       one ? LIBSPECTRUM_TAPE_FLAGS_LEVEL_HIGH : LIBSPECTRUM_TAPE_FLAGS_LEVEL_LOW,
                       one, part::line_bit, b});
    }
    const bool last = b + 1 == blocks.size();
    int pause_flags = LIBSPECTRUM_TAPE_FLAGS_BLOCK;
    if (last) pause_flags = end_of_tape_flags();
    if (!last && block.pause_ms == 0) pause_flags |= LIBSPECTRUM_TAPE_FLAGS_NO_EDGE;
    edges.push_back({block.pause_ms * tstates_per_ms, pause_flags, {}, part::pause, b});
  }
  return edges;
}

// --- Tests -------------------------------------------------------------------

TEST(LibspectrumPlayback, PlaysEveryCswPulseOfTheLineBitsAs79TStatesPerSample) {
  const std::size_t checks_before = edge_checks();
  for (const tape_case& tape : tape_cases()) {
    SCOPED_TRACE(tape.name);
    const byte_vector csw = convert(tape, output_kind::csw);
    const playback played = play(csw);
    ASSERT_EQ(played.read_status, LIBSPECTRUM_ERROR_NONE) << played.message;
    const std::vector<std::uint32_t> samples = csw_pulses(csw);
    EXPECT_EQ(samples, csw_form(tape.blocks)) << "the pulses carry the frame's line bits";
    std::vector<std::uint32_t> tstates;
    for (std::uint32_t k : samples) tstates.push_back(k * tstates_per_sample);
    expect_edges(played.edges, csw_edges(tstates));
  }
  RecordProperty("libspectrum_edge_checks", std::to_string(edge_checks() - checks_before));
}

TEST(LibspectrumPlayback, PlaysGeneralizedBlocksAsPilotSyncAndOneForcedCellPerLineBit) {
  const std::size_t checks_before = edge_checks();
  for (const tape_case& tape : tape_cases()) {
    SCOPED_TRACE(tape.name);
    const playback played = play(convert(tape, output_kind::tzxgen));
    ASSERT_EQ(played.read_status, LIBSPECTRUM_ERROR_NONE) << played.message;
    expect_edges(played.edges, generalized_edges(tape.blocks));
  }
  RecordProperty("libspectrum_edge_checks", std::to_string(edge_checks() - checks_before));
}

// The data symbols force 1-bits high, so the sync cell, which the loader takes
// as a 1, must be high and the cell after it low. Pilot and sync only toggle;
// the cell forced low before the pilot makes them come out so whatever level
// the block before left (the rows above leave both).
TEST(LibspectrumPlayback, PlaysEachGeneralizedSyncCellAtTheLevelOfTheOneBits) {
  const std::size_t checks_before = edge_checks();
  for (const tape_case& tape : tape_cases()) {
    SCOPED_TRACE(tape.name);
    const playback played = play(convert(tape, output_kind::tzxgen));
    ASSERT_EQ(played.read_status, LIBSPECTRUM_ERROR_NONE) << played.message;
    const std::vector<expected_edge> expected = generalized_edges(tape.blocks);
    ASSERT_EQ(played.edges.size(), expected.size());
    bool high_before_block = false;  // players start low
    for (std::size_t i = 0; i + 1 < expected.size(); ++i) {
      if (expected[i].what == part::lead_in) high_before_block = i > 0 && played.edges[i - 1].high;
      if (expected[i].what != part::sync) continue;
      edge_checks() += 2;
      EXPECT_TRUE(played.edges[i].high && !played.edges[i + 1].high)
          << "block " << expected[i].block << ": sync cell "
          << (played.edges[i].high ? "high" : "low") << ", the cell after it "
          << (played.edges[i + 1].high ? "high" : "low")
          << "; its 1-bits are high. The level before its pilot was "
          << (high_before_block ? "high" : "low") << ".";
      ++i;  // past the second sync pulse
    }
  }
  RecordProperty("libspectrum_edge_checks", std::to_string(edge_checks() - checks_before));
}

TEST(LibspectrumPlayback, RefusesBlock0x18ButPlaysItsPulsesLikeTheCswForm) {
  const std::size_t checks_before = edge_checks();
  for (const tape_case& tape : tape_cases()) {
    SCOPED_TRACE(tape.name);
    const byte_vector tzx = convert(tape, output_kind::tzxcsw);
    const playback refused = play(tzx);
    EXPECT_NE(refused.read_status, LIBSPECTRUM_ERROR_NONE);
    EXPECT_NE(refused.message.find("unknown block type 0x18"), std::string::npos)
        << refused.message;

    const playback csw = play(convert(tape, output_kind::csw));
    ASSERT_EQ(csw.read_status, LIBSPECTRUM_ERROR_NONE) << csw.message;
    const auto recordings = csw_recordings(tzx);
    ASSERT_TRUE(recordings) << "not a TZX file of whole run-length blocks 0x18";
    const std::vector<csw_recording>& blocks = *recordings;
    ASSERT_EQ(blocks.size(), tape.blocks.size());
    std::size_t csw_edge = 0;  // where the block's pilot starts in the CSW form
    for (std::size_t b = 0; b < blocks.size(); ++b) {
      SCOPED_TRACE(testing::Message() << "block " << b);
      EXPECT_EQ(blocks[b].pause_ms, tape.blocks[b].pause_ms);
      const playback alone = play(concat({csw_file_header(), blocks[b].pulses}));
      ASSERT_EQ(alone.read_status, LIBSPECTRUM_ERROR_NONE) << alone.message;
      const std::size_t n = blocks[b].pulses.size();
      ASSERT_LE(csw_edge + n, csw.edges.size());
      std::vector<std::uint32_t> tstates;
      for (std::size_t i = 0; i < n; ++i) tstates.push_back(csw.edges[csw_edge + i].tstates);
      expect_edges(alone.edges, csw_edges(tstates));
      // The CSW form has the pause as one more pulse; block 0x18 keeps it in its head.
      csw_edge += n + (blocks[b].pause_ms != 0 ? 1 : 0);
    }
    EXPECT_EQ(csw_edge, csw.edges.size()) << "every CSW edge belongs to a block or a pause";
  }
  RecordProperty("libspectrum_edge_checks", std::to_string(edge_checks() - checks_before));
}

}  // namespace
