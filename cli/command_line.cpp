// cli/command_line.cpp: the argument walk, the banner and the usage text.
#include "cli/command_line.h"

#include <cstring>

const char banner_text[] =
    "ZX Spectrum 8b/10b tape format encoder/converter V1.01\n"
    "Rewrites the data blocks of a tape as an 8b/10b signal in a CSW or TZX file.\n"
    "\n";

const char usage_text[] =
    "Usage: morvane [-from input_type] [-to output_type] input_file output_file\n"
    "\n"
    "input_type can be one of the following:\n"
    " tzx (default): normal blocks (header/data) only are supported\n"
    " bin: raw data is encoded without any parsing\n"
    "  as data blocks (flag=0xFF)\n"
    "\n"
    "output_type can be one of the following:\n"
    " tzxgen: TZX Generalized data block (code 0x19) - unsupported by many emulators\n"
    " tzxcsw: TZX encapsulated CSW recording (code 0x18) - also rarely supported\n"
    " csw (default): CSW file\n"
    "\n";

namespace {

bool same(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

std::optional<input_kind> input_kind_named(const char* word) {
  if (same(word, "tzx")) return input_kind::tzx;
  if (same(word, "bin")) return input_kind::bin;
  return std::nullopt;
}

std::optional<output_kind> output_kind_named(const char* word) {
  if (same(word, "csw")) return output_kind::csw;
  if (same(word, "tzxgen")) return output_kind::tzxgen;
  if (same(word, "tzxcsw")) return output_kind::tzxcsw;
  return std::nullopt;
}

}  // namespace

std::optional<conversion_request> parse_command_line(int argc, const char* const* argv) {
  conversion_request request;
  int names = 0;
  for (int i = 1; i < argc && names < 2; ++i) {
    const char* arg = argv[i];
    if (same(arg, "-from")) {
      if (i + 1 >= argc) return std::nullopt;
      auto kind = input_kind_named(argv[++i]);
      if (!kind) return std::nullopt;
      request.input_kind = *kind;
    } else if (same(arg, "-to")) {
      if (i + 1 >= argc) return std::nullopt;
      auto kind = output_kind_named(argv[++i]);
      if (!kind) return std::nullopt;
      request.output_kind = *kind;
    } else if (names++ == 0) {
      request.input_path = arg;
    } else {
      request.output_path = arg;
    }
  }
  if (names < 2) return std::nullopt;
  return request;
}
