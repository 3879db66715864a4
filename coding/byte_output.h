// coding/byte_output.h: fixed fields written to the output, every write tested.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "cli/error_report.h"

// Writes all of `bytes` or reports the failed write; returns 0 or 1.
[[nodiscard]] inline int write_bytes(std::FILE* out, std::span<const std::uint8_t> bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size()) return status_ok;
  report_write_error(out);
  return status_reported;
}

[[nodiscard]] inline int write_byte(std::FILE* out, std::uint8_t byte) {
  if (std::putc(byte, out) != EOF) return status_ok;
  report_write_error(out);
  return status_reported;
}
