// cli/command_line_test.cpp: the argument walk, case by case.
#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct command_line_case {
  const char* why;
  std::vector<const char*> args;  // after the command name
  bool usage;                     // the arguments do not form a request
  input_kind input = input_kind::tzx;
  output_kind output = output_kind::csw;
  const char* input_path = "";
  const char* output_path = "";
};

std::optional<conversion_request> parse(const std::vector<const char*>& args) {
  std::vector<const char*> argv = {"never-looked-at"};
  argv.insert(argv.end(), args.begin(), args.end());
  return parse_command_line(static_cast<int>(argv.size()), argv.data());
}

TEST(ParseCommandLine, TurnsArgumentsIntoARequestOrTheUsageOutcome) {
  using enum input_kind;
  using enum output_kind;
  const command_line_case cases[] = {
      {"no arguments", {}, true},
      {"one file name only", {"a"}, true},
      {"option last, one name before it", {"a", "-to"}, true},
      {"-from without a value", {"-from"}, true},
      {"unknown output kind", {"-to", "csw2", "a", "b"}, true},
      {"input kinds are case-sensitive", {"-from", "TZX", "a", "b"}, true},
      {"the value is never a file name", {"-to", "a", "b"}, true},
      {"defaults", {"a", "b"}, false, tzx, csw, "a", "b"},
      {"option after both names is never read", {"a", "b", "-to"}, false, tzx, csw, "a", "b"},
      {"bad value after both names is never read",
       {"a", "b", "-to", "csw2"},
       false,
       tzx,
       csw,
       "a",
       "b"},
      {"good value after both names is never read",
       {"a.tzx", "b.csw", "-to", "tzxgen"},
       false,
       tzx,
       csw,
       "a.tzx",
       "b.csw"},
      {"option between the names", {"a", "-from", "bin", "b"}, false, bin, csw, "a", "b"},
      {"the last value counts",
       {"-to", "tzxgen", "-to", "csw", "a", "b"},
       false,
       tzx,
       csw,
       "a",
       "b"},
      {"tzxgen", {"-to", "tzxgen", "a", "b"}, false, tzx, tzxgen, "a", "b"},
      {"tzxcsw and bin", {"-from", "bin", "-to", "tzxcsw", "a", "b"}, false, bin, tzxcsw, "a", "b"},
      {"explicit defaults", {"-from", "tzx", "-to", "csw", "a", "b"}, false, tzx, csw, "a", "b"},
      {"a third name is ignored", {"-from", "bin", "a", "b", "c"}, false, bin, csw, "a", "b"},
      {"an unknown option is a file name", {"-x", "a"}, false, tzx, csw, "-x", "a"},
      {"near misses are file names", {"-From", "-fromx"}, false, tzx, csw, "-From", "-fromx"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const auto request = parse(c.args);
    ASSERT_EQ(request.has_value(), !c.usage);
    if (c.usage) continue;
    EXPECT_EQ(request->input_kind, c.input);
    EXPECT_EQ(request->output_kind, c.output);
    EXPECT_EQ(request->input_path, c.input_path);
    EXPECT_EQ(request->output_path, c.output_path);
  }
}

TEST(ParseCommandLine, OutputKindsKeepTheirNumbers) {
  EXPECT_EQ(static_cast<int>(output_kind::csw), 0);
  EXPECT_EQ(static_cast<int>(output_kind::tzxgen), 1);
  EXPECT_EQ(static_cast<int>(output_kind::tzxcsw), 2);
}

}  // namespace
