// test_support/streams.h: stream doubles for the tests, and captured standard
// output and error.
//
// A memory_stream is a std::FILE* over a byte vector the test owns: readable,
// writable and seekable, unbuffered so that every stdio call reaches it at
// once, and able to fail on cue. Its failures are those of a real device: a
// write that does not fit sets ENOSPC and returns short (0 at the end), a read
// past its budget returns -1 with EIO, a seek past its budget -1 with ESPIPE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "cli/command_line.h"

using byte_vector = std::vector<std::uint8_t>;

inline constexpr std::size_t unlimited = std::numeric_limits<std::size_t>::max();

// A budget fails every call once it is spent, as a full disk does; a failing
// call (counted from 1, 0 for none) fails that one call alone, so a caller
// that went on after it would be seen writing more.
struct fault_plan {
  std::size_t read_bytes = unlimited;   // bytes served before reads fail
  std::size_t write_bytes = unlimited;  // bytes taken before writes fail
  std::size_t seeks = unlimited;        // seeks (position queries too) that succeed
  std::size_t failing_read = 0;
  std::size_t failing_write = 0;
  std::size_t failing_seek = 0;  // position queries count as seeks
};

// Every write call that reached a stream, in order: where each went and how
// many bytes it took (0 for one that failed outright), and all the bytes taken,
// one call's after another's.
struct write_log {
  struct call {
    std::size_t position = 0;
    std::size_t taken = 0;
    friend bool operator==(const call&, const call&) = default;
  };
  std::vector<call> calls;
  byte_vector bytes;
};

class memory_stream {
 public:
  explicit memory_stream(byte_vector bytes = {}, fault_plan plan = {});
  ~memory_stream();
  memory_stream(const memory_stream&) = delete;
  memory_stream& operator=(const memory_stream&) = delete;

  std::FILE* get() const { return file_; }
  // What the stream holds now.
  const byte_vector& bytes() const;
  // Where the next read or write goes.
  std::size_t position() const;
  const write_log& writes() const;

  struct state;

 private:
  std::unique_ptr<state> state_;
  std::FILE* file_ = nullptr;
};

struct captured_output {
  std::string out;  // standard output
  std::string err;  // standard error
};

// What a call that reads one stream and writes another did.
struct stream_run {
  int status = 0;
  byte_vector output;  // what the output stream holds afterwards
  write_log writes;    // every write call the output stream took
  captured_output printed;
};

// Calls `body(in, out)` with `in` over `input` and `out` empty, each failing as
// its plan says, and catches what it printed.
stream_run run_on_streams(const byte_vector& input,
                          const std::function<int(std::FILE* in, std::FILE* out)>& body,
                          fault_plan in_plan = {}, fault_plan out_plan = {});

// A whole conversion of `input` as `morvane -from <from> -to <to>` does it,
// file header and reader, with both files in memory.
stream_run convert_in_memory(const byte_vector& input, input_kind from, output_kind to,
                             fault_plan in_plan = {}, fault_plan out_plan = {});

// The writers of one TZX block: block 0x18 and block 0x19.
using block_writer = int (*)(std::FILE* in, std::FILE* out, std::uint16_t payload_length,
                             std::uint8_t flag, std::uint16_t pause_ms);

// One block of all of `payload` through `writer`, the output failing as `out_plan` says.
stream_run run_block_writer(block_writer writer, const byte_vector& payload, std::uint8_t flag,
                            std::uint16_t pause_ms, fault_plan out_plan = {});

// Everything in `file`, from its start.
std::string read_all_text(std::FILE* file);

// Runs `body` with the process's standard output and error sent to files, and
// returns what it printed on each.
captured_output capture_output(const std::function<void()>& body);
