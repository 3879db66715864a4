// test_support/tape_images.h: small fixtures built in view, and views of output.
//
//   tzx_image({data_block(1000, 0x00, {1, 2, 3})})
// is a TZX 1.20 image of one standard-speed block with pause 1000 ms, flag 0,
// payload 01 02 03 and a correct tape checksum.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "test_support/streams.h"

// The 32-byte CSW 1.01 header every csw output starts with.
byte_vector csw_file_header();

// "ZXTape!", 0x1A, major, minor.
byte_vector tzx_header(std::uint8_t major = 1, std::uint8_t minor = 20);

// Block 0x10 with data length payload + 2 (flag, payload, xor checksum).
byte_vector data_block(std::uint16_t pause_ms, std::uint8_t flag, const byte_vector& payload);

// A TZX header followed by the given blocks.
byte_vector tzx_image(const std::vector<byte_vector>& blocks);

byte_vector concat(const std::vector<byte_vector>& parts);

// Pulses written as {length, repeat} rows: {{22, 4009}, {11, 1}} is 4009 bytes of
// 22 followed by one 11.
byte_vector pulses(std::initializer_list<std::pair<std::uint8_t, int>> rows);

// The code words of the frame flag, payload, sum_a, sum_b, from RD-. The check
// bytes are summed here on their own, as ones' complement sums.
std::vector<std::uint16_t> frame_code_words(std::uint8_t flag, const byte_vector& payload);

// The 4028 pulses of frame FF 01 02, an empty raw input: the 2 s pilot, the
// sync, then the eighteen data pulses of its three code words.
const byte_vector& empty_raw_block_pulses();

// `n` bytes of a fixed pseudo-random sequence from `seed`.
byte_vector random_bytes(std::size_t n, std::uint32_t seed);

// "18 C6 0F" -> {0x18, 0xC6, 0x0F}; spaces are ignored.
byte_vector hex(const std::string& text);

// The bytes of a file, or an empty vector if it cannot be read.
byte_vector read_file(const std::string& path);
void write_file(const std::string& path, const byte_vector& bytes);
