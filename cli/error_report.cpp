// cli/error_report.cpp: the messages of stream failures, all on standard error.
#include "cli/error_report.h"

#include <cerrno>
#include <cstring>

void report_system_error(const char* message) {
  // Take the text before anything else can touch errno.
  const char* reason = std::strerror(errno);
  std::fprintf(stderr, "%s: %s\n", message, reason);
}

void report_write_error(std::FILE* out) {
  if (std::ferror(out))
    report_system_error("Output file write error");
  else
    std::fputs("Output file write error\n", stderr);
}

void report_read_error(std::FILE* in) {
  // The error indicator wins: a stream can carry both after a failed read.
  if (std::ferror(in))
    report_system_error("Input file read error");
  else if (std::feof(in))
    std::fputs("Unexpected end of input file\n", stderr);
  else
    std::fputs("Input file_read_error\n", stderr);
}

void report_seek_error(const char* which) { std::fprintf(stderr, "%s file seek error\n", which); }
