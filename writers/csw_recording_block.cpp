// writers/csw_recording_block.cpp: the TZX 1.20 file header, and a block as a
// CSW recording, TZX block 0x18.
//
// TZX file header, 10 bytes: "ZXTape!", 0x1A, major version 1, minor version 20.
//
// Block 0x18:
//   0   1  0x18
//   1   4  length of everything after this field: pulse count + 10
//   5   2  pause after the block, ms
//   7   3  sample rate, 44100
//   10  1  compression 1: run-length
//   11  4  number of pulses
//   15  n  the pulses, one byte each (every pulse of a block is 11 to 55 samples)
// The pause travels in the head, not as a pulse. The count is known only after
// the pulses are written, so the head goes out first with zero counts and is
// written again over itself at the end; a block that fails keeps its zeros.
#include <array>

#include "coding/byte_output.h"
#include "coding/little_endian.h"
#include "coding/pulse_stream.h"
#include "writers/block_writers.h"

namespace {

constexpr std::array<std::uint8_t, 10> tzx_header = {'Z', 'X', 'T',  'a', 'p',
                                                     'e', '!', 0x1A, 1,   20};

std::array<std::uint8_t, 15> recording_head(std::uint32_t length, std::uint32_t pulse_count,
                                            std::uint16_t pause_ms) {
  std::array<std::uint8_t, 15> head = {0x18};
  store_u32(&head[1], length);
  store_u16(&head[5], pause_ms);
  head[7] = samples_per_second & 0xFF;  // a 24-bit field
  head[8] = samples_per_second >> 8 & 0xFF;
  head[9] = samples_per_second >> 16 & 0xFF;
  head[10] = 1;
  store_u32(&head[11], pulse_count);
  return head;
}

// A seek writes out the stream's buffer first. Flushing here lets a write that
// fails be reported as the write error it is, not as a failed seek.
[[nodiscard]] int seek_output(std::FILE* out, long position) {
  if (std::fflush(out) != 0) {
    report_write_error(out);
    return status_reported;
  }
  if (std::fseek(out, position, SEEK_SET) != 0) {
    report_seek_error("Output");
    return status_reported;
  }
  return status_ok;
}

}  // namespace

int write_tzx_header(std::FILE* out) { return write_bytes(out, tzx_header); }

int write_csw_recording_block(std::FILE* in, std::FILE* out, std::uint16_t payload_length,
                              std::uint8_t flag, std::uint16_t pause_ms) {
  // Not tested here: a failed query gives -1, and the seek back to it fails.
  const long head_position = std::ftell(out);
  if (int rc = write_bytes(out, recording_head(0, 0, pause_ms)); rc != 0) return rc;

  std::uint32_t pulse_count = 0;
  if (int rc = write_block_pulses(&pulse_count, in, out, payload_length, flag); rc != 0) return rc;

  const long end_position = std::ftell(out);
  if (int rc = seek_output(out, head_position); rc != 0) return rc;
  const std::uint32_t length = pulse_count + 10;  // the head after the length field, and the pulses
  if (int rc = write_bytes(out, recording_head(length, pulse_count, pause_ms)); rc != 0) return rc;
  return seek_output(out, end_position);
}
