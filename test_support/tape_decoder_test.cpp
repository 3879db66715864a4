// test_support/tape_decoder_test.cpp: the decoder reads good signals and
// refuses what a loader would refuse.
#include "test_support/tape_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coding/encoder_8b10b.h"
#include "coding/little_endian.h"
#include "test_support/tape_images.h"

namespace {

std::vector<std::uint8_t> bits_of(const std::vector<std::uint16_t>& words) {
  std::vector<std::uint8_t> bits;
  for (std::uint16_t word : words)
    for (int i = 9; i >= 0; --i) bits.push_back(word >> i & 1);
  return bits;
}

// The decoder's table comes from the standard code tables alone, so agreeing
// with it on all 512 (byte, disparity) pairs checks every entry of the encoder.
TEST(Decode8b10b, AgreesWithTheEncoderOnEveryByteUnderBothDisparities) {
  for (int disparity = 0; disparity < 2; ++disparity) {
    for (unsigned byte = 0; byte < 256; ++byte) {
      SCOPED_TRACE(testing::Message() << "byte " << byte << ", RD" << (disparity ? '+' : '-'));
      running_disparity encoder = disparity;
      int decoder = disparity;
      const code_word word = encode_8b10b(static_cast<std::uint8_t>(byte), &encoder);
      EXPECT_EQ(decode_8b10b(word, &decoder), byte);
      EXPECT_EQ(decoder, encoder);
    }
  }
}

TEST(Decode8b10b, TakesExactly256WordsUnderEachDisparityOneForEachByte) {
  for (int disparity = 0; disparity < 2; ++disparity) {
    std::vector<int> times_decoded(256);
    for (unsigned word = 0; word < 1024; ++word) {
      int d = disparity;
      if (const auto byte = decode_8b10b(static_cast<std::uint16_t>(word), &d))
        ++times_decoded[*byte];
    }
    EXPECT_EQ(times_decoded, std::vector<int>(256, 1));
  }
  int d = 0;
  EXPECT_EQ(decode_8b10b(0b1000110001, &d), std::nullopt) << "D.17.P7 where A7 is due";
  d = 1;
  EXPECT_EQ(decode_8b10b(0b1001110100, &d), std::nullopt) << "an RD- word under RD+";
}

TEST(DecodeFrame, ReadsTheWorkedFrameAndRefusesBrokenOnes) {
  // FF 01 02: the frame of an empty raw input.
  const std::vector<std::uint16_t> good = {0b1010110001, 0b1001111001, 0b0110000101};
  decoded_block block;
  EXPECT_EQ(decode_frame(bits_of(good), &block), "");
  EXPECT_EQ(block, (decoded_block{0xFF, {}, 0}));

  std::vector<std::uint8_t> cut = bits_of(good);
  cut.pop_back();
  running_disparity d = rd_minus;
  std::vector<std::uint16_t> wrong_sum;  // FF 01 03
  for (std::uint8_t c : {0xFF, 0x01, 0x03}) wrong_sum.push_back(encode_8b10b(c, &d));
  struct row {
    const char* why;
    std::vector<std::uint8_t> bits;
    const char* error;
  };
  const row rows[] = {
      {"a bit missing", cut, "29 line bits are not a whole number of code words"},
      {"no check bytes", bits_of({good[0]}), "a frame of 1 characters"},
      {"a word under the wrong disparity", bits_of({good[0], good[1], 0b1001111010}),
       "character 2: 1001111010 is not a data code word under RD+"},
      {"sum_b one too high", bits_of(wrong_sum), "wrong check bytes 1, 3 (the frame sums to 1, 2)"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.why);
    EXPECT_EQ(decode_frame(r.bits, &block), r.error);
  }
}

// The outputs of a two-block tape: pause 0 after the first, whose frame ends
// in the three 0-bits 1011001000, and 1000 ms after the second.
byte_vector two_block_output(output_kind kind) {
  const byte_vector image =
      tzx_image({data_block(0, 0xFF, {0x6A, 0x98, 0xF9}), data_block(1000, 0x00, {7})});
  return convert_in_memory(image, input_kind::tzx, kind).output;
}

const std::vector<decoded_block> two_blocks = {{0xFF, {0x6A, 0x98, 0xF9}, 0}, {0x00, {7}, 1000}};

TEST(DecodeOutput, ReadsBackEveryOutputKind) {
  for (output_kind kind : {output_kind::csw, output_kind::tzxgen, output_kind::tzxcsw}) {
    SCOPED_TRACE(static_cast<int>(kind));
    const decoded_tape tape = decode_output(kind, two_block_output(kind));
    EXPECT_EQ(tape.error, "");
    EXPECT_EQ(tape.blocks, two_blocks);
  }
  const byte_vector empty_raw = concat({csw_file_header(), empty_raw_block_pulses()});
  EXPECT_EQ(decode_csw_file(empty_raw).blocks, (std::vector<decoded_block>{{0xFF, {}, 0}}));
}

// A file the decoder must refuse, with its reason.
struct refusal {
  const char* why;
  byte_vector file;
  const char* error;
};

byte_vector changed(byte_vector file, std::size_t at, std::uint8_t value) {
  file[at] = value;
  return file;
}

byte_vector without(byte_vector file, std::size_t at) {
  file.erase(file.begin() + static_cast<std::ptrdiff_t>(at));
  return file;
}

TEST(DecodeCswFile, RefusesWhatALoaderCouldNotRead) {
  const byte_vector good = two_block_output(output_kind::csw);
  const std::size_t first_data = 32 + 4009 + 1;  // the first pulse after the sync
  // The first block's last pulse, that of its three final 0-bits, comes just
  // before the second block's pilot.
  std::size_t closing = first_data;
  while (good[closing + 1] != 22 || good[closing + 2] != 22 || good[closing + 3] != 22) ++closing;
  ASSERT_EQ(good[closing], 33) << "three 0-bits end the first block";

  const refusal rows[] = {
      {"not CSW", changed(good, 22, 0x1B), "not a CSW 1.01 file of 44100 Hz run-length pulses"},
      {"a pilot one pulse short", without(good, 32), "block 0: a pilot of 4008 pulses"},
      {"a pulse not a whole number of cells", changed(good, first_data + 3, 23),
       "block 0: a level of 23 samples is not a whole number of cells, at level 4013"},
      {"a run of six cells", changed(good, first_data + 3, 66),
       "block 0: a run of 6 equal cells, at level 4013"},
      {"three final 0-bits left to the next pilot pulse", without(good, closing),
       "block 0: its last 3 line bits are cut short by the level after it"},
      {"a pause that is no whole number of ms", changed(good, good.size() - 4, 0x45),
       "block 1: a pause of 44101 samples is not a whole number of milliseconds"},
  };
  for (const refusal& r : rows) {
    SCOPED_TRACE(r.why);
    EXPECT_EQ(decode_csw_file(r.file).error, r.error);
  }
}

TEST(DecodeTzxFile, RefusesWhatALoaderCouldNotRead) {
  const byte_vector good = two_block_output(output_kind::tzxgen);
  const std::size_t second = 10 + 5 + load_u32(&good[11]);  // where block 1 starts
  const byte_vector recorded = two_block_output(output_kind::tzxcsw);
  // Frame FF ends in a 1-bit, and with no pause the level stays high for the
  // next block. Its pilot-and-sync stream starts at byte 34 of the block.
  const byte_vector after_high =
      convert_in_memory(tzx_image({data_block(0, 0xFF, {}), data_block(0, 0xFF, {})}),
                        input_kind::tzx, output_kind::tzxgen)
          .output;
  const std::size_t after_high_second = 10 + 5 + load_u32(&after_high[11]);
  const refusal rows[] = {
      {"a flipped data bit", changed(good, 10 + 49, good[10 + 49] ^ 0x10),
       "block 0: character 0: 1011110001 is not a data code word under RD-"},
      {"fill bits set", changed(good, second - 1, good[second - 1] | 1),
       "block 0: fill bits that are not 0"},
      {"a length field one short", changed(good, 11, good[11] - 1),
       "block 0: its length field says 51 bytes, its fields need 52"},
      {"no cell that sets the level before a pilot that finds it high",
       changed(after_high, after_high_second + 34 + 1, 0),  // symbol 2 played 0 times
       "block 1: its sync plays low and the cell after it high, the levels of a 0-bit and a 1-bit"},
      {"a pulse count one short in block 0x18", changed(recorded, 10 + 11, recorded[10 + 11] - 1),
       "a block that is not a well-formed CSW recording block"},
  };
  for (const refusal& r : rows) {
    SCOPED_TRACE(r.why);
    EXPECT_EQ(decode_tzx_file(r.file).error, r.error);
  }
}

}  // namespace
