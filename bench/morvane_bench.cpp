// bench/morvane_bench.cpp: the converter's hot paths, in bytes per second.
//
//   build/morvane_bench [--benchmark_filter=Conversion]
//
// Inputs are read from memory; outputs go to a temporary file, rewound for
// every iteration so that it holds one output at a time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "cli/conversion.h"
#include "coding/encoder_8b10b.h"
#include "coding/pulse_stream.h"
#include "test_support/tape_images.h"
#include "writers/block_writers.h"

namespace {

// A stream the benchmark owns, handed out rewound for every iteration: input
// read from memory, or output to a temporary file that so holds one output
// at a time.
class rewound_stream {
 public:
  explicit rewound_stream(byte_vector input) : bytes_(std::move(input)) {
    open(fmemopen(bytes_.data(), bytes_.size(), "rb"));
  }
  rewound_stream() { open(std::tmpfile()); }
  ~rewound_stream() { std::fclose(file_); }
  rewound_stream(const rewound_stream&) = delete;
  rewound_stream& operator=(const rewound_stream&) = delete;

  std::FILE* rewound() {
    std::rewind(file_);
    return file_;
  }

 private:
  void open(std::FILE* file) {
    if (file == nullptr) std::abort();
    file_ = file;
  }

  byte_vector bytes_;
  std::FILE* file_ = nullptr;
};

constexpr std::size_t frame_payload = 65535;

void check(benchmark::State& state, int status) {
  if (status != 0) state.SkipWithError("the conversion failed");
}

void BM_Encode8b10b(benchmark::State& state) {
  const byte_vector bytes = random_bytes(4096, 1);
  running_disparity disparity = rd_minus;
  for (auto _ : state) {
    for (std::uint8_t byte : bytes) benchmark::DoNotOptimize(encode_8b10b(byte, &disparity));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_Encode8b10b);

void BM_PulseWriter(benchmark::State& state) {
  rewound_stream in(random_bytes(frame_payload, 2));
  rewound_stream out;
  for (auto _ : state) {
    std::uint32_t pulses = 0;
    check(state, write_block_pulses(&pulses, in.rewound(), out.rewound(), frame_payload, 0xFF));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frame_payload));
}
BENCHMARK(BM_PulseWriter);

void BM_GeneralizedBlock(benchmark::State& state) {
  rewound_stream in(random_bytes(frame_payload, 2));
  rewound_stream out;
  for (auto _ : state) {
    check(state, write_generalized_block(in.rewound(), out.rewound(), frame_payload, 0xFF, 1000));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frame_payload));
}
BENCHMARK(BM_GeneralizedBlock);

// Sixteen blocks of 65533 bytes, random and all zeros in turn: about 1 MiB.
const byte_vector& benchmark_tape() {
  static const byte_vector tape = [] {
    std::vector<byte_vector> blocks;
    for (int i = 0; i < 16; ++i) {
      blocks.push_back(
          data_block(1000, 0xFF, i % 2 == 0 ? random_bytes(65533, 3 + i) : byte_vector(65533)));
    }
    return tzx_image(blocks);
  }();
  return tape;
}

void BM_Conversion(benchmark::State& state) {
  const auto kind = static_cast<output_kind>(state.range(0));
  rewound_stream in(benchmark_tape());
  rewound_stream out;
  for (auto _ : state) {
    std::FILE* output = out.rewound();
    check(state, convert_streams(input_kind::tzx, kind, in.rewound(), output));
    if (std::fflush(output) != 0) state.SkipWithError("the output could not be written");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * benchmark_tape().size()));
  state.SetLabel(kind == output_kind::csw      ? "csw"
                 : kind == output_kind::tzxgen ? "tzxgen"
                                               : "tzxcsw");
}
BENCHMARK(BM_Conversion)
    ->Arg(static_cast<int>(output_kind::csw))
    ->Arg(static_cast<int>(output_kind::tzxcsw))
    ->Arg(static_cast<int>(output_kind::tzxgen))
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
