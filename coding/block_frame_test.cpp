// coding/block_frame_test.cpp: the check bytes and the walk over a frame.
#include <gtest/gtest.h>

#include <vector>

#include "coding/line_code.h"
#include "test_support/streams.h"

namespace {

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

TEST(UpdateSums, GivesTheCheckBytesOfAFrame) {
  for (const auto& c : frame_cases) {
    SCOPED_TRACE(testing::Message()
                 << "flag " << int{c.flag} << ", " << c.payload.size() << " payload bytes");
    std::uint8_t sum_a = 1;
    std::uint8_t sum_b = 1;
    update_sums(c.flag, &sum_a, &sum_b);
    for (std::uint8_t b : c.payload) update_sums(b, &sum_a, &sum_b);
    EXPECT_EQ(sum_a, c.sum_a);
    EXPECT_EQ(sum_b, c.sum_b);
  }
}

// The walk sends flag, payload, sum_a, sum_b, threading one disparity from RD-.
TEST(WalkBlockFrame, SendsEveryCharacterOfTheFrameInOrder) {
  for (const auto& c : frame_cases) {
    SCOPED_TRACE(testing::Message()
                 << "flag " << int{c.flag} << ", " << c.payload.size() << " payload bytes");
    memory_stream in(c.payload);
    std::vector<code_word> sent;
    const int rc = walk_block_frame(in.get(), static_cast<std::uint16_t>(c.payload.size()), c.flag,
                                    [&](code_word w) {
                                      sent.push_back(w);
                                      return 0;
                                    });
    ASSERT_EQ(rc, 0);

    byte_vector frame = {c.flag};
    frame.insert(frame.end(), c.payload.begin(), c.payload.end());
    frame.push_back(c.sum_a);
    frame.push_back(c.sum_b);
    std::vector<code_word> expected;
    running_disparity d = rd_minus;
    for (std::uint8_t ch : frame) expected.push_back(encode_8b10b(ch, &d));
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(in.position(), c.payload.size());
  }
}

TEST(WalkBlockFrame, StopsAtTheFirstFailure) {
  // Input ends after one of three payload bytes: flag and one byte are sent.
  memory_stream short_input({0x10});
  int sends = 0;
  auto printed = capture_output([&] {
    EXPECT_EQ(walk_block_frame(short_input.get(), 3, 0xFF,
                               [&](code_word) {
                                 ++sends;
                                 return 0;
                               }),
              status_reported);
  });
  EXPECT_EQ(sends, 2);
  EXPECT_EQ(printed.err, "Unexpected end of input file\n");

  // A failing send is passed up unchanged and ends the walk.
  memory_stream in({1, 2, 3});
  sends = 0;
  EXPECT_EQ(walk_block_frame(in.get(), 3, 0xFF, [&](code_word) { return ++sends == 2 ? 3 : 0; }),
            3);
  EXPECT_EQ(sends, 2);
  EXPECT_EQ(in.position(), 1u) << "the next payload byte is not read";
}

}  // namespace
