// cli/command_line.h: what one run of the converter is asked to do.
//
//   morvane [-from input_type] [-to output_type] input_file output_file
//
// Options may stand before the first file name or between the two; the last
// value given counts. Nothing after the second file name is looked at.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

enum class input_kind : std::uint8_t { tzx, bin };

// The numbers are part of the interface: every output switch is on them.
enum class output_kind : std::uint8_t { csw = 0, tzxgen = 1, tzxcsw = 2 };

// The fields share their types' names, so the types are spelt from the global scope.
struct conversion_request {
  ::input_kind input_kind = ::input_kind::tzx;
  ::output_kind output_kind = ::output_kind::csw;
  std::string input_path;
  std::string output_path;
};

// Printed first on every run, whatever the arguments.
extern const char banner_text[];

// Printed, with exit status 2, when the arguments do not describe a conversion.
extern const char usage_text[];

// Reads argv[1] to argv[argc - 1] (argv[0] is never looked at). Returns nothing
// when the arguments do not form a request; prints nothing.
[[nodiscard]] std::optional<conversion_request> parse_command_line(int argc,
                                                                   const char* const* argv);
