// cli/conversion.cpp: run_conversion, the only owner of the two streams.
#include "cli/conversion.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "cli/error_report.h"
#include "readers/readers.h"
#include "writers/block_writers.h"

namespace {

// Opening the output truncates it, so an output that is the input, under any
// spelling of its path, would destroy the tape before a byte of it is read. A
// path that does not exist yet is not the input.
bool same_file(const std::string& input_path, const std::string& output_path) {
  std::error_code error;
  return std::filesystem::equivalent(input_path, output_path, error);
}

[[nodiscard]] int write_file_header(output_kind kind, std::FILE* out) {
  switch (kind) {
    case output_kind::csw:
      return write_csw_header(out);
    case output_kind::tzxgen:
    case output_kind::tzxcsw:
      return write_tzx_header(out);
  }
  std::abort();  // not an output_kind: something else was cast to one
}

[[nodiscard]] int read_input(input_kind from, output_kind to, std::FILE* in, std::FILE* out) {
  switch (from) {
    case input_kind::tzx:
      return read_tzx(in, out, to);
    case input_kind::bin:
      return read_bin(in, out, to);
  }
  std::abort();  // not an input_kind
}

// Closing writes out what is left in the stream's buffer. After a good run that
// is part of the output and must be tested, or a full disk would end in
// "Complete."; after a failure already reported, the result is not looked at.
[[nodiscard]] int close_output(std::FILE* out, int status) {
  const bool closed = std::fclose(out) == 0;
  if (status != status_ok || closed) return status;
  report_system_error("Output file write error");  // the stream is gone: no indicators to ask
  return status_reported;
}

}  // namespace

int convert_streams(input_kind from, output_kind to, std::FILE* in, std::FILE* out) {
  const int status = write_file_header(to, out);
  if (status != status_ok) return status;
  return read_input(from, to, in, out);
}

int run_conversion(const conversion_request& request) {
  std::printf("Converting \"%s\" -> \"%s\"\n", request.input_path.c_str(),
              request.output_path.c_str());

  std::FILE* in = std::fopen(request.input_path.c_str(), "rb");
  if (in == nullptr) {
    report_system_error("Error opening input file");
    return status_reported;
  }
  if (same_file(request.input_path, request.output_path)) {
    std::fputs("Input and output are the same file\n", stderr);
    std::fclose(in);
    return status_reported;
  }
  std::FILE* out = std::fopen(request.output_path.c_str(), "wb");
  if (out == nullptr) {
    report_system_error("Error opening output file");
    std::fclose(in);
    return status_reported;
  }

  int status = convert_streams(request.input_kind, request.output_kind, in, out);
  status = close_output(out, status);
  if (status == status_ok) std::fputs("Complete.\n", stdout);
  std::fclose(in);
  return status;
}
