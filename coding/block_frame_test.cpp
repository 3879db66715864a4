// coding/block_frame_test.cpp: the check bytes and the walk over a frame.
#include "coding/block_frame.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "test_support/streams.h"
#include "test_support/tape_images.h"

namespace {

// The check bytes as the format defines them, one end-around-carry addition
// at a time: the oracle for the totals the walk keeps.
std::uint8_t end_around_add(std::uint8_t s, std::uint8_t v) {
  const unsigned t = unsigned{s} + v;
  return static_cast<std::uint8_t>(t + (t >> 8));
}

TEST(EndAroundAdd, CarryReturnsToBitZero) {
  struct row {
    std::uint8_t s, v, sum;
  };
  const row rows[] = {{255, 1, 1}, {255, 0, 255}, {128, 128, 1}, {255, 255, 255}, {3, 4, 7}};
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << int{r.s} << " + " << int{r.v});
    EXPECT_EQ(end_around_add(r.s, r.v), r.sum);
  }
}

// Folding plain totals gives the byte-at-a-time sums for any characters,
// runs of 0x00 and 0xFF (where the two zeros of ones' complement meet)
// and frames of the largest size included.
TEST(FrameSums, FoldToTheEndAroundCarrySums) {
  std::vector<byte_vector> inputs = {byte_vector(70000, 0x00), byte_vector(70000, 0xFF),
                                     random_bytes(65537, 1)};
  for (std::uint32_t seed = 2; seed < 40; ++seed) inputs.push_back(random_bytes(seed * 37, seed));
  inputs.push_back(hex("FE 01 FF 00 FF 80 80"));
  for (const byte_vector& input : inputs) {
    SCOPED_TRACE(testing::Message() << input.size() << " characters");
    std::uint8_t sum_a = 1;
    std::uint8_t sum_b = 1;
    frame_sums sums;
    for (std::uint8_t c : input) {
      sum_a = end_around_add(sum_a, c);
      sum_b = end_around_add(sum_b, sum_a);
      add_to_sums(c, &sums);
      ASSERT_EQ(fold_check_sum(sums.a_total), sum_a);
    }
    EXPECT_EQ(fold_check_sum(sums.b_total), sum_b);
  }
}

struct frame_case {
  std::uint8_t flag;
  byte_vector payload;
  std::uint8_t sum_a, sum_b;
};

const frame_case frame_cases[] = {
    {0xFF, {}, 0x01, 0x02},           {0x00, {}, 0x01, 0x02},
    {0x00, {0xFE}, 0xFF, 0x02},       {0x00, {0x01, 0x02, 0x03}, 0x07, 0x0F},
    {0xFF, {0xFF, 0xFF}, 0x01, 0x04},
};

// The walk sends flag, payload, sum_a, sum_b: the check bytes of the table.
TEST(WalkBlockFrame, SendsEveryCharacterOfTheFrameInOrder) {
  for (const auto& c : frame_cases) {
    SCOPED_TRACE(testing::Message()
                 << "flag " << int{c.flag} << ", " << c.payload.size() << " payload bytes");
    memory_stream in(c.payload);
    byte_vector sent;
    const int rc = walk_block_frame(
        in.get(), static_cast<std::uint16_t>(c.payload.size()), c.flag,
        [&](std::uint8_t character) {
          sent.push_back(character);
          return 0;
        },
        [] { return 0; });
    ASSERT_EQ(rc, 0);

    byte_vector frame = {c.flag};
    frame.insert(frame.end(), c.payload.begin(), c.payload.end());
    frame.push_back(c.sum_a);
    frame.push_back(c.sum_b);
    EXPECT_EQ(sent, frame);
    EXPECT_EQ(in.position(), c.payload.size());
  }
}

TEST(WalkBlockFrame, StopsAtTheFirstFailure) {
  // Input ends after one of three payload bytes: flag and one byte are sent,
  // then what the sender holds is flushed, and only then is the end reported.
  memory_stream short_input({0x10});
  std::string events;
  auto send = [&](std::uint8_t) {
    events += 's';
    return 0;
  };
  auto flush = [&] {
    events += 'f';
    std::fputs("flushed\n", stderr);
    return 0;
  };
  auto printed = capture_output([&] {
    EXPECT_EQ(walk_block_frame(short_input.get(), 3, 0xFF, send, flush), status_reported);
  });
  EXPECT_EQ(events, "ssf");
  EXPECT_EQ(printed.err, "flushed\nUnexpected end of input file\n");

  // A failed flush is the one failure: the missing byte is not reported.
  memory_stream shorter({0x10});
  printed = capture_output([&] {
    EXPECT_EQ(walk_block_frame(shorter.get(), 3, 0xFF, send, [] { return status_reported; }),
              status_reported);
  });
  EXPECT_EQ(printed.err, "");

  // A failing send is passed up unchanged and ends the walk.
  memory_stream in({1, 2, 3});
  int sends = 0;
  EXPECT_EQ(
      walk_block_frame(
          in.get(), 3, 0xFF, [&](std::uint8_t) { return ++sends == 2 ? 3 : 0; }, [] { return 0; }),
      3);
  EXPECT_EQ(sends, 2);
  EXPECT_EQ(in.position(), 1u) << "the next payload byte is not read";
}

}  // namespace
