// fuzz/conversion_oracle.cpp: one input through the converter in each output
// kind, its status and messages checked, its output decoded back.
#include "fuzz/conversion_oracle.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/conversion.h"
#include "test_support/tape_decoder.h"

namespace {

constexpr output_kind output_kinds[] = {output_kind::csw, output_kind::tzxgen, output_kind::tzxcsw};

[[noreturn]] void fail(output_kind kind, const std::string& why) {
  std::fprintf(stderr, "conversion to output kind %d: %s\n", static_cast<int>(kind), why.c_str());
  std::abort();
}

// A temporary file made once and emptied for each use.
std::FILE* emptied(std::FILE** file) {
  if (*file == nullptr) *file = std::tmpfile();
  if (*file == nullptr || ftruncate(fileno(*file), 0) != 0) std::abort();
  std::rewind(*file);
  return *file;
}

std::string contents(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  return text;
}

struct outcome {
  int status = 0;
  byte_vector output;
  std::string out;  // standard output
  std::string err;  // standard error
};

outcome convert(input_kind from, output_kind to, const std::uint8_t* data, std::size_t size) {
  static std::FILE* output = nullptr;
  static std::FILE* printed_out = nullptr;
  static std::FILE* printed_err = nullptr;
  // fmemopen wants a buffer of its own, and one even for an empty stream.
  std::vector<char> bytes(data, data + size);
  char nothing = 0;
  std::FILE* in = fmemopen(bytes.empty() ? &nothing : bytes.data(), bytes.size(), "rb");
  if (in == nullptr) std::abort();
  std::FILE* out = emptied(&output);

  std::fflush(stdout);
  const int saved_out = dup(STDOUT_FILENO);
  const int saved_err = dup(STDERR_FILENO);
  dup2(fileno(emptied(&printed_out)), STDOUT_FILENO);
  dup2(fileno(emptied(&printed_err)), STDERR_FILENO);
  outcome result;
  result.status = convert_streams(from, to, in, out);
  std::fflush(stdout);
  dup2(saved_out, STDOUT_FILENO);
  dup2(saved_err, STDERR_FILENO);
  close(saved_out);
  close(saved_err);
  std::fclose(in);

  const std::string written = contents(out);
  result.output.assign(written.begin(), written.end());
  result.out = contents(printed_out);
  result.err = contents(printed_err);
  return result;
}

// The blocks the input holds, and whether the converter must take all of it.
std::vector<decoded_block> blocks_of(input_kind from, const std::uint8_t* data, std::size_t size,
                                     bool* acceptable) {
  const byte_vector input(data, data + size);
  if (from == input_kind::bin) {
    *acceptable = size <= 65535;
    return {{0xFF, input, 0}};
  }
  static constexpr std::uint8_t signature[] = {'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1};
  bool whole = false;
  std::vector<decoded_block> blocks = data_blocks_of(input, &whole);
  *acceptable = size >= 10 && std::equal(signature, signature + 9, data) && whole;
  return blocks;
}

}  // namespace

void check_conversion(input_kind from, const std::uint8_t* data, std::size_t size) {
  bool acceptable = false;
  const std::vector<decoded_block> blocks = blocks_of(from, data, size, &acceptable);
  for (output_kind kind : output_kinds) {
    const outcome run = convert(from, kind, data, size);
    // 2 is only for a raw input too big; 3 would be the encoder breaking a rule.
    const int highest_status = from == input_kind::bin ? 2 : 1;
    if (run.status < 0 || run.status > highest_status) {
      fail(kind, "status " + std::to_string(run.status));
    }
    if (!run.out.empty()) fail(kind, "printed on standard output: " + run.out);
    if ((run.status == 0) != acceptable) {
      fail(kind, "status " + std::to_string(run.status) + " for an input that must " +
                     (acceptable ? "convert" : "be refused") + "; printed: " + run.err);
    }
    if (run.status != 0) {
      if (run.err.empty() || run.err.back() != '\n' ||
          std::count(run.err.begin(), run.err.end(), '\n') != 1) {
        fail(kind, "not one message: \"" + run.err + "\"");
      }
      continue;
    }
    if (!run.err.empty()) fail(kind, "status 0 after printing: " + run.err);
    const decoded_tape decoded = decode_output(kind, run.output);
    if (!decoded.error.empty()) fail(kind, "the output does not decode: " + decoded.error);
    if (decoded.blocks != blocks) {
      fail(kind, "decoded " + std::to_string(decoded.blocks.size()) + " blocks, not the " +
                     std::to_string(blocks.size()) + " of the input, or not the same ones");
    }
  }
}
