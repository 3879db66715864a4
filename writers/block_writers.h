// writers/block_writers.h: the output containers and the per-block choice among them.
//
// CSW 1.01 (run-length, 44100 Hz) and TZX 1.20 with blocks 0x18 (CSW recording)
// and 0x19 (generalized data), all fields little-endian. Each function writes at
// the output's current position, reports its own failure once, and returns 0,
// 1 (reported) or 3 (internal encoding error, reported). Streams are borrowed.
#pragma once

#include <cstdint>
#include <cstdio>

#include "cli/command_line.h"  // output_kind

// The 32-byte CSW 1.01 file header.
[[nodiscard]] int write_csw_header(std::FILE* out);

// The pause after a block in a CSW file: one long pulse of pause_ms * 44.1
// samples (truncated); nothing for a pause of 0.
[[nodiscard]] int write_csw_pause(std::FILE* out, std::uint16_t pause_ms);

// The 10-byte TZX 1.20 file header, for both TZX output kinds.
[[nodiscard]] int write_tzx_header(std::FILE* out);

// One block as TZX block 0x18: the block's pulses, behind a head whose length
// and pulse count are written as 0 first and rewritten once the pulses are
// counted. `out` must be seekable.
[[nodiscard]] int write_csw_recording_block(std::FILE* in, std::FILE* out,
                                            std::uint16_t payload_length, std::uint8_t flag,
                                            std::uint16_t pause_ms);

// One block as TZX block 0x19: pilot and sync as symbols, then one data symbol
// per line bit, packed most significant bit first.
[[nodiscard]] int write_generalized_block(std::FILE* in, std::FILE* out,
                                          std::uint16_t payload_length, std::uint8_t flag,
                                          std::uint16_t pause_ms);

// One data block in the form `kind` asks for. `in` is at the first payload
// byte; after a 0 return it has advanced by exactly `payload_length` bytes.
[[nodiscard]] int write_data_block(output_kind kind, std::uint16_t pause_ms,
                                   std::uint16_t payload_length, std::FILE* out, std::FILE* in,
                                   std::uint8_t flag);
