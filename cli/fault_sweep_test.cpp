// cli/fault_sweep_test.cpp: one conversion failed at each of its I/O calls in
// turn: every write of the output, every read of the input, every seek of the
// output.
//
// Whichever call fails, the run must stop there with status 1 and one message,
// print nothing else, and leave in the output exactly what its writes before
// the failure put there: the good run's first writes, and nothing after them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>
#include <tuple>

#include "cli/command_line.h"
#include "test_support/streams.h"
#include "test_support/tape_images.h"

namespace {

// A program's header block, its data block, and a block of L = 2, which has a
// flag and no payload.
const byte_vector& three_block_tape() {
  static const byte_vector tape = tzx_image({
      data_block(1000, 0x00, hex("03 6D 6F 72 76 61 6E 65 20 20 20 2C 01 00 80 00 80")),
      data_block(2000, 0xFF, random_bytes(300, 7)),
      data_block(0, 0x42, {}),
  });
  return tape;
}

// What a stream that starts empty holds after the first `taken` bytes of the
// calls in `log`, the last of those calls perhaps cut short.
byte_vector replay(const write_log& log, std::size_t taken) {
  byte_vector bytes;
  std::size_t at = 0;
  for (const write_log::call& call : log.calls) {
    const std::size_t n = std::min(call.taken, taken - at);
    if (bytes.size() < call.position + n) bytes.resize(call.position + n);
    std::copy_n(log.bytes.begin() + static_cast<std::ptrdiff_t>(at), n,
                bytes.begin() + static_cast<std::ptrdiff_t>(call.position));
    at += n;
    if (at == taken) break;
  }
  return bytes;
}

enum class failing_call { output_write, input_read, output_seek };

struct sweep_case {
  failing_call call;
  const char* name;
  const char* message;
};

constexpr sweep_case sweeps[] = {
    {failing_call::output_write, "write", "Output file write error: No space left on device\n"},
    {failing_call::input_read, "read", "Input file read error: Input/output error\n"},
    {failing_call::output_seek, "seek", "Output file seek error\n"},
};

struct kind_case {
  output_kind kind;
  const char* name;
  std::size_t output_seeks;  // per block: two position queries and two seeks for 0x18
};

constexpr kind_case kinds[] = {{output_kind::csw, "csw", 0},
                               {output_kind::tzxgen, "tzxgen", 0},
                               {output_kind::tzxcsw, "tzxcsw", 4}};

// Names for ctest's list of the cases.
void PrintTo(const kind_case& kind, std::ostream* os) { *os << kind.name; }
void PrintTo(const sweep_case& sweep, std::ostream* os) { *os << sweep.name; }

class FaultSweep : public testing::TestWithParam<std::tuple<kind_case, sweep_case>> {};

// Fails the k-th call, k = 1, 2, ..., until the run no longer reaches a k-th
// call and so succeeds.
TEST_P(FaultSweep, EveryFailedCallStopsTheRunWithOneMessageAndAPrefixOfTheOutput) {
  const auto& [kind, sweep] = GetParam();
  const stream_run good = convert_in_memory(three_block_tape(), input_kind::tzx, kind.kind);
  ASSERT_EQ(good.status, 0);
  std::size_t k = 1;
  for (;; ++k) {
    SCOPED_TRACE(testing::Message() << "call " << k);
    fault_plan in_plan;
    fault_plan out_plan;
    if (sweep.call == failing_call::output_write) out_plan.failing_write = k;
    if (sweep.call == failing_call::input_read) in_plan.failing_read = k;
    if (sweep.call == failing_call::output_seek) out_plan.failing_seek = k;
    const stream_run run =
        convert_in_memory(three_block_tape(), input_kind::tzx, kind.kind, in_plan, out_plan);
    if (run.status == 0) {
      EXPECT_EQ(run.output, good.output);
      EXPECT_EQ(run.printed.err, "");
      break;
    }
    ASSERT_EQ(run.status, 1);
    ASSERT_EQ(run.printed.err, sweep.message);
    ASSERT_EQ(run.printed.out, "");

    // The output holds the good run's first bytes, each where the good run
    // put it; a run may hand them over in other pieces (it writes out what it
    // holds before it reports a read failure), but never more of them. After
    // a failed write there is no other.
    const std::size_t taken = run.writes.bytes.size();
    ASSERT_LE(taken, good.writes.bytes.size());
    ASSERT_EQ(run.output, replay(good.writes, taken));
    if (sweep.call == failing_call::output_write) {
      ASSERT_EQ(run.writes.calls.size(), k) << "a write after the failed one";
      ASSERT_EQ(run.writes.calls.back().taken, 0u);
    }
  }
  const std::size_t failure_points = k - 1;
  if (sweep.call == failing_call::output_seek) {
    EXPECT_EQ(failure_points, 3 * kind.output_seeks);
  } else {
    EXPECT_GT(failure_points, 3u) << "every block reads and writes";
  }
  std::printf("%s, failing %s: %zu failure points\n", kind.name, sweep.name, failure_points);
}

INSTANTIATE_TEST_SUITE_P(AllKinds, FaultSweep,
                         testing::Combine(testing::ValuesIn(kinds), testing::ValuesIn(sweeps)),
                         [](const auto& test) {
                           return std::string(std::get<0>(test.param).name) + "_" +
                                  std::get<1>(test.param).name;
                         });

}  // namespace
