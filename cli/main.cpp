// cli/main.cpp: the banner, the command line, then one conversion.
#include <cstdio>

#include "cli/command_line.h"
#include "cli/conversion.h"
#include "cli/error_report.h"

int main(int argc, char** argv) {
  std::fputs(banner_text, stdout);
  const auto request = parse_command_line(argc, argv);
  if (!request) {
    std::fputs(usage_text, stdout);
    return status_usage;
  }
  return run_conversion(*request);
}
