// coding/pulse_stream.h: one block as a stream of pulses, for the CSW containers.
//
// A pulse is one byte, the number of samples (44100 Hz) that one level of the
// square wave lasts; the level flips after every pulse. A block is a pilot tone
// of 22-sample pulses (2 s after a flag with bit 7 set, 5 s otherwise), one
// 11-sample sync pulse, then the frame's line bits as non-return-to-zero cells
// of 11 samples: every 1-bit at the sync's level, every 0-bit at the other. A
// pulse is written each time the line bit changes, so every data pulse is 11,
// 22, 33, 44 or 55 samples. A final run of one or two 0-bits gets no pulse:
// the level it leaves is ended by whatever the container writes next, which
// lasts at least two cells. A final run of three gets its pulse.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "coding/line_code.h"

inline constexpr std::uint32_t samples_per_second = 44100;
inline constexpr std::uint8_t cell_samples = 11;
inline constexpr std::uint8_t pilot_pulse_samples = 22;

// The run of equal line bits in progress between two code words: its bit (a
// 1-bit is at the sync's level) and its length in samples, 11 a cell. A
// block's first run is the cell after the sync, at the level opposite to it:
// a 0 of one cell.
struct open_run {
  unsigned bit = 0;
  unsigned samples = cell_samples;
};

// Pulses collect in a buffer of this size and leave in one write, so the
// frame is never held: at most this much of it waits at any time.
inline constexpr std::size_t pulse_buffer_bytes = 4096;

// The whole block: pilot, sync, the frame of `flag` and `payload_length` bytes
// read from `in`, and the closing pulse. Adds every pulse written to
// `*pulse_count`. Returns 0, 1 (read or write failure) or 3 (a run of six equal
// line bits), each already reported; the block stops at the first failure,
// and the output then holds every pulse of the runs closed before it.
[[nodiscard]] int write_block_pulses(std::uint32_t* pulse_count, std::FILE* in, std::FILE* out,
                                     std::uint16_t payload_length, std::uint8_t flag);

// seconds * 44100 / 22 pilot pulses of 22 samples, then the 11-sample sync.
[[nodiscard]] int write_pilot(unsigned seconds, std::FILE* out, std::uint32_t* pulse_count);

// The pulses of the runs that `word` ends, bit 9 first, written at once.
// `*run` is updated only on success; at a run of six or more cells, the
// pulses of the runs before it are written and 3 is returned.
[[nodiscard]] int write_code_pulses(code_word word, std::FILE* out, open_run* run,
                                    std::uint32_t* pulse_count);

// Closes a final run of 1-bits, or of three 0-bits, with its pulse; after one
// or two 0-bits writes nothing.
[[nodiscard]] int finish_pulses(open_run run, std::FILE* out, std::uint32_t* pulse_count);
