// readers/raw_input.cpp: any file, unparsed, as the payload of one data block
// (flag 0xFF, so a 2 s pilot, and no pause). A frame carries at most 65535
// payload bytes, so the file is measured first, by seeking to its end.
#include <cstdint>

#include "cli/error_report.h"
#include "readers/readers.h"
#include "writers/block_writers.h"

namespace {

constexpr long largest_payload = 65535;

}  // namespace

int read_bin(std::FILE* in, std::FILE* out, output_kind kind) {
  if (std::fseek(in, 0, SEEK_END) != 0) {
    report_seek_error("Input");
    return status_reported;
  }
  // A position that cannot be told (past what a long holds, say) is a failed seek.
  const long size = std::ftell(in);
  if (size < 0 || std::fseek(in, 0, SEEK_SET) != 0) {
    report_seek_error("Input");
    return status_reported;
  }
  if (size > largest_payload) {
    std::fputs("Input file is too big, must be <65536 bytes\n", stderr);
    return status_usage;
  }
  return write_data_block(kind, 0, static_cast<std::uint16_t>(size), out, in, 0xFF);
}
