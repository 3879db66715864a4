// readers/tzx_input.cpp: the TZX header check, then the loop over 0x10 blocks.
//
// File header, 10 bytes: "ZXTape!", 0x1A, major version 1, minor version (any).
// Standard-speed data block, after its ID byte 0x10:
//   0      2       pause after the block, ms
//   2      2       data length L (flag, payload, checksum)
//   4      1       flag
//   5      L - 2   payload
//   3 + L  1       the tape's checksum byte, read and dropped: the output frame
//                  carries check bytes of its own
#include <array>
#include <cstdint>
#include <cstring>

#include "cli/error_report.h"
#include "coding/little_endian.h"
#include "readers/readers.h"
#include "writers/block_writers.h"

namespace {

constexpr std::array<std::uint8_t, 9> tzx_signature = {'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1};

[[nodiscard]] int read_field(std::FILE* in, std::uint8_t* field, std::size_t size) {
  if (std::fread(field, 1, size, in) == size) return status_ok;
  report_read_error(in);
  return status_reported;
}

}  // namespace

int read_tzx_data_block(std::FILE* in, std::FILE* out, output_kind kind) {
  std::array<std::uint8_t, 4> fields{};  // pause, data length
  if (int rc = read_field(in, fields.data(), fields.size()); rc != 0) return rc;
  const std::uint16_t pause_ms = load_u16(&fields[0]);
  const std::uint16_t data_length = load_u16(&fields[2]);
  if (data_length < 2) {
    std::fputs("Data blocks of length <2 are not supported\n", stderr);
    return status_reported;
  }
  std::uint8_t flag = 0;
  if (int rc = read_field(in, &flag, 1); rc != 0) return rc;
  const auto payload_length = static_cast<std::uint16_t>(data_length - 2);
  if (int rc = write_data_block(kind, pause_ms, payload_length, out, in, flag); rc != 0) return rc;
  std::uint8_t checksum = 0;
  return read_field(in, &checksum, 1);
}

int read_tzx(std::FILE* in, std::FILE* out, output_kind kind) {
  std::array<std::uint8_t, 10> header{};
  if (int rc = read_field(in, header.data(), header.size()); rc != 0) return rc;
  if (std::memcmp(header.data(), tzx_signature.data(), tzx_signature.size()) != 0) {
    std::fputs("Input file format error\n", stderr);
    return status_reported;
  }
  for (;;) {
    const int id = std::getc(in);
    if (id == EOF) {
      // Where a block could start, running out of input is the end of the
      // tape; a read error is not.
      if (!std::ferror(in)) return status_ok;
      report_read_error(in);
      return status_reported;
    }
    if (id != 0x10) {
      std::fprintf(stderr,
                   "Unsupported block type 0x%02X. Only standard data blocks are supported\n",
                   static_cast<unsigned>(id));
      return status_reported;
    }
    if (int rc = read_tzx_data_block(in, out, kind); rc != 0) return rc;
  }
}
