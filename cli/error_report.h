// cli/error_report.h: status codes and the wording of every stream failure.
//
// A failure is reported once, where it is found, by one of these functions; the
// caller then returns `status_reported` and every caller above passes it up
// unchanged, printing nothing more. The reporters only print: they change no
// stream state and leave the error and end-of-file indicators as they are.
#pragma once

#include <cstdio>

inline constexpr int status_ok = 0;
inline constexpr int status_reported = 1;        // I/O, format or block failure, reported
inline constexpr int status_usage = 2;           // usage text shown, or raw input too big
inline constexpr int status_encoding_error = 3;  // run of six equal line bits, reported

// Prints `message`, ": ", the system's text for the current errno, and a line feed.
void report_system_error(const char* message);

// A write to `out` did not complete.
void report_write_error(std::FILE* out);

// A read from `in` returned less than was needed. Tells a read error (with the
// system's text) from a plain end of input.
void report_read_error(std::FILE* in);

// A seek failed; `which` is "Input" or "Output".
void report_seek_error(const char* which);
