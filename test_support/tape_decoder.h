// test_support/tape_decoder.h: reads any output of the converter back into the
// data blocks it carries, the way a loader would, rejecting what a loader
// would reject.
//
// The decoder knows the signal, not the converter: its 8b/10b table is built
// from the standard 5b/6b and 3b/4b code tables written out in
// tape_decoder_8b10b.cpp, and it finds each block from its pilot and sync.
//
// - CSW and block 0x18: the levels of the square wave in samples. A block is a
//   pilot of 22-sample pulses (10022 after a flag with bit 7 clear, 4009 after
//   one with it set), one 11-sample sync pulse, then cells of 11 samples: the
//   first at the level opposite to the sync, then every line bit, 1-bits at
//   the sync's level. Every level must be 1 to 5 whole cells. A final run of
//   0-bits may have no level of its own: the pause, the next pilot's first
//   pulse or the end of the file carries it, and must last as long as it.
// - Block 0x19: its symbols are played as a TZX player does, from a low level
//   at the start of the tape, each pulse toggling the level unless its symbol
//   forces one, and a pause over 0 ending low. The pilot, after at most one
//   pulse at the low level that sets the level for it, must be 10000 pulses
//   of 1750 T-states or 8000 of 875, the sync a high then a low 875-T pulse,
//   each data symbol one 875-T cell whose level is its line bit.
//
// The line bits of a block are split into 10-bit words (bit 9 first), each
// decoded under the running disparity from RD-, and the last two characters
// must be the check bytes of the others: sum_a, the ones' complement sum of
// 1 and every other character, and sum_b, that of 1 and every value sum_a took.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "test_support/streams.h"

struct decoded_block {
  std::uint8_t flag = 0;
  byte_vector payload;
  std::uint16_t pause_ms = 0;

  friend bool operator==(const decoded_block&, const decoded_block&) = default;
};

// Short enough to read in a failed assertion: flag, pause, size and first bytes.
void PrintTo(const decoded_block& block, std::ostream* os);

struct decoded_tape {
  std::vector<decoded_block> blocks;  // every block decoded before any error
  std::string error;                  // empty when the whole file decoded
};

decoded_tape decode_csw_file(const byte_vector& file);

// A TZX 1.20 file of 0x18 blocks or of 0x19 blocks.
decoded_tape decode_tzx_file(const byte_vector& file);

// The TZX 1.20 image of standard-speed blocks that holds `blocks`: the input
// whose conversion decodes back to them.
byte_vector tzx_image_of(const std::vector<decoded_block>& blocks);

// The standard-speed blocks (0x10) of a TZX image, from the end of its header
// up to its first other block or a block that is cut short or has L < 2: a
// data length L, then the flag, L - 2 payload bytes and a checksum. `*whole`
// tells whether those blocks are all the image holds after its header.
std::vector<decoded_block> data_blocks_of(const byte_vector& tzx, bool* whole = nullptr);

// The decoder for what `kind` writes.
decoded_tape decode_output(output_kind kind, const byte_vector& file);

// The data byte that `word` (10 bits, bit 9 sent first) carries under
// `*disparity` (0 RD-, 1 RD+), which it updates; nothing if `word` is not a
// data code word under that disparity.
std::optional<std::uint8_t> decode_8b10b(std::uint16_t word, int* disparity);

// The block in the line bits of one frame (each 0 or 1, in the order sent),
// or a description of what is wrong with them.
std::string decode_frame(const std::vector<std::uint8_t>& bits, decoded_block* block);

// The CSW body as levels in samples, a pulse of 0 followed by a 32-bit count
// taken as one level: nothing if the file is not a CSW 1.01 file as we write it.
struct csw_level {
  std::uint32_t samples = 0;
  bool long_form = false;  // written as 0 and a count: only pauses are
};
std::optional<std::vector<csw_level>> csw_levels(const byte_vector& file);

// The pulses and pauses of each 0x18 block of a TZX file; nothing if any block
// is not a well-formed 0x18 block.
struct csw_recording {
  std::uint16_t pause_ms = 0;
  byte_vector pulses;
};
std::optional<std::vector<csw_recording>> csw_recordings(const byte_vector& file);
