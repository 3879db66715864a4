// writers/generalized_block.cpp: a block as a TZX generalized data block, ID 0x19.
//
// n is the payload length; the frame has 10 * (n + 3) line bits, packed into
// DS = ceil(10 * (n + 3) / 8) bytes.
//   0   1   0x19
//   1   4   length of everything after this field: DS + 44
//   5   2   pause after the block, ms
//   7   4   TOTP, entries in the pilot-and-sync stream: 3
//   11  1   NPP, pulses per pilot symbol: 2
//   12  1   ASP, pilot symbols: 3
//   13  4   TOTD, data symbols: 10 * (n + 3)
//   17  1   NPD, pulses per data symbol: 1
//   18  1   ASD, data symbols: 2
//   19  15  pilot symbols: 0 is one 1750-T pulse, 1 is two 875-T pulses, 2 is
//           one 875-T pulse at the low level
//   34  9   pilot-and-sync stream: symbol 2 once, the pilot, symbol 1 once as
//           the sync
//   43  6   data symbols: 0 holds the level low, 1 high, for one 875-T cell
//   49  DS  the line bits, one symbol each, most significant bit first
// Lengths are T-states of the 3.5 MHz clock; 875 T is one bit cell (250 us).
// The whole length is known in advance, so the block is written straight through.
//
// The data symbols set absolute levels, 1-bits high, while the pilot and sync
// pulses only toggle the level they find. A loader takes the sync's level as
// that of the 1-bits, so the sync must play high whatever the block before
// left: after a pause of 0 that is its last line bit, and players differ on
// the level a pause ends at (TZX says low; libspectrum, and so Fuse, plays the
// pause at the level opposite to the last bit and leaves it there). Symbol 2
// sets the level low before the pilot; the pilot's even number of pulses
// then ends low, and the sync plays high. After a low level, symbol 2 makes no
// edge and only lengthens the silence by one cell.
#include <array>
#include <cstddef>
#include <span>

#include "coding/block_frame.h"
#include "coding/byte_output.h"
#include "coding/encoder_8b10b.h"
#include "coding/little_endian.h"
#include "writers/block_writers.h"

namespace {

// Each symbol: a flag byte (0: the pulse starts with an edge; 2: the level is
// forced low) and two pulse lengths, a 0 ending the symbol early.
constexpr std::array<std::uint8_t, 15> pilot_symbols = {
    0x00, 0xD6, 0x06, 0x00, 0x00,  // 0: 1750, -
    0x00, 0x6B, 0x03, 0x6B, 0x03,  // 1: 875, 875
    0x02, 0x6B, 0x03, 0x00, 0x00,  // 2: 875 low, -
};

// Symbol 2 once sets the level. Then symbol 0 ten thousand times is the 5 s
// pilot of a header block (flag bit 7 clear), symbol 1 four thousand times the
// 2 s pilot of a data block. Both end with symbol 1 once: a sync cell and one
// cell at the opposite level, the shape the pulse form has before its first
// code word. (A repeat count of 0 would be played by many players as 65536
// repeats, half a minute of tone.)
constexpr std::array<std::uint8_t, 9> header_pilot_stream = {0x02, 0x01, 0x00, 0x00, 0x10,
                                                             0x27, 0x01, 0x01, 0x00};
constexpr std::array<std::uint8_t, 9> data_pilot_stream = {0x02, 0x01, 0x00, 0x01, 0xA0,
                                                           0x0F, 0x01, 0x01, 0x00};

// Flag 2 forces the level low, 3 forces it high; one 875-T pulse each.
constexpr std::array<std::uint8_t, 6> data_symbols = {0x02, 0x6B, 0x03, 0x03, 0x6B, 0x03};

// Code words go in ten bits at a time and leave as whole bytes, so at most
// seventeen bits are ever pending. The bytes collect in a buffer of a few KiB
// that leaves in one write when it fills, and at the end of the block.
constexpr std::size_t line_buffer_bytes = 4096;

[[nodiscard]] int write_line_bytes(std::FILE* out, const std::uint8_t* from,
                                   const std::uint8_t* to) {
  return write_bytes(out, std::span(from, static_cast<std::size_t>(to - from)));
}

}  // namespace

int write_generalized_block(std::FILE* in, std::FILE* out, std::uint16_t payload_length,
                            std::uint8_t flag, std::uint16_t pause_ms) {
  const std::uint32_t symbol_count = 10 * (std::uint32_t{payload_length} + 3);
  const std::uint32_t stream_bytes = (symbol_count + 7) / 8;

  std::array<std::uint8_t, 18> fields{};
  store_u32(&fields[0], stream_bytes + 44);
  store_u16(&fields[4], pause_ms);
  store_u32(&fields[6], 3);  // TOTP
  fields[10] = 2;            // NPP
  fields[11] = 3;            // ASP
  store_u32(&fields[12], symbol_count);
  fields[16] = 1;  // NPD
  fields[17] = 2;  // ASD

  if (int rc = write_byte(out, 0x19); rc != 0) return rc;
  if (int rc = write_bytes(out, fields); rc != 0) return rc;
  if (int rc = write_bytes(out, pilot_symbols); rc != 0) return rc;
  const auto& pilot_stream = (flag & 0x80) ? data_pilot_stream : header_pilot_stream;
  if (int rc = write_bytes(out, pilot_stream); rc != 0) return rc;
  if (int rc = write_bytes(out, data_symbols); rc != 0) return rc;

  // The bits and the write pointer stay in locals; see pulse_stream.cpp.
  std::array<std::uint8_t, line_buffer_bytes> buffer;
  std::uint8_t* const refill_at = buffer.data() + buffer.size() - 2;
  std::uint8_t* p = buffer.data();
  std::uint32_t accumulator = 0;
  int pending = 0;
  running_disparity disparity = rd_minus;
  auto flush = [&] {
    const int rc = write_line_bytes(out, buffer.data(), p);
    p = buffer.data();
    return rc;
  };
  const int rc = walk_block_frame(
      in, payload_length, flag,
      [&](std::uint8_t character) {
        if (p >= refill_at)
          if (int flushed = flush(); flushed != 0) return flushed;
        accumulator = accumulator << 10 | encode_8b10b(character, &disparity);
        pending += 10;
        *p++ = static_cast<std::uint8_t>(accumulator >> (pending - 8));
        pending -= 8;
        if (pending >= 8) {
          pending -= 8;
          *p++ = static_cast<std::uint8_t>(accumulator >> pending);
        }
        return status_ok;
      },
      flush);
  if (rc != 0) return rc;  // pending bits are dropped with the unfinished block
  // The last bits, if any, in the high end of a byte filled up with 0-bits.
  if (pending > 0) *p++ = static_cast<std::uint8_t>(accumulator << (8 - pending));
  return flush();
}
