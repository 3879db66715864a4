// writers/csw_output.cpp: the CSW 1.01 file header and the pause pulse.
//
// File header, 32 bytes:
//   0  22  "Compressed Square Wave"
//   22  1  0x1A
//   23  1  major version 1
//   24  1  minor version 1
//   25  2  sample rate, 44100
//   27  1  compression 1: run-length
//   28  1  flags 0: bit 0 is the initial polarity, the wave starts low
//   29  3  reserved, 0
// Body: pulses. A byte 1..255 is a pulse of that many samples; a 0 byte and a
// 32-bit count is one pulse of that many samples, used here only for pauses.
#include <array>

#include "coding/byte_output.h"
#include "coding/little_endian.h"
#include "coding/pulse_stream.h"  // samples_per_second
#include "writers/block_writers.h"

namespace {

constexpr std::array<std::uint8_t, 32> csw_header = {
    'C', 'o', 'm', 'p', 'r', 'e', 's',  's', 'e', 'd',  ' ',  'S', 'q', 'u', 'a', 'r',
    'e', ' ', 'W', 'a', 'v', 'e', 0x1A, 1,   1,   0x44, 0xAC, 1,   0,   0,   0,   0};

// 65535 ms * 44100 is past INT_MAX but fits 32 bits unsigned.
constexpr std::uint32_t pause_samples(std::uint16_t pause_ms) {
  return std::uint32_t{pause_ms} * samples_per_second / 1000u;
}
static_assert(pause_samples(1) == 44);
static_assert(pause_samples(65535) == 2'890'093);

}  // namespace

int write_csw_header(std::FILE* out) { return write_bytes(out, csw_header); }

int write_csw_pause(std::FILE* out, std::uint16_t pause_ms) {
  if (pause_ms == 0) return status_ok;
  // The long form of a pulse: a 0 byte, then the sample count.
  if (int rc = write_byte(out, 0); rc != 0) return rc;
  std::array<std::uint8_t, 4> samples{};
  store_u32(samples.data(), pause_samples(pause_ms));
  return write_bytes(out, samples);
}
