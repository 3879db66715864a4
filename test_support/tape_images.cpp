// test_support/tape_images.cpp: fixture builders for TZX images and pulse lists.
#include "test_support/tape_images.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "coding/encoder_8b10b.h"

byte_vector csw_file_header() {
  byte_vector header = {'C', 'o', 'm', 'p', 'r', 'e', 's', 's', 'e', 'd', ' ',
                        'S', 'q', 'u', 'a', 'r', 'e', ' ', 'W', 'a', 'v', 'e'};
  const byte_vector rest =
      hex("1A"        // end of text
          "01 01"     // version 1.01
          "44 AC"     // 44100 Hz
          "01"        // run-length
          "00"        // starts low
          "00 00 00"  // reserved
      );
  header.insert(header.end(), rest.begin(), rest.end());
  return header;
}

byte_vector tzx_header(std::uint8_t major, std::uint8_t minor) {
  return {'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, major, minor};
}

byte_vector data_block(std::uint16_t pause_ms, std::uint8_t flag, const byte_vector& payload) {
  const std::size_t data_length = payload.size() + 2;
  byte_vector block = {0x10,
                       static_cast<std::uint8_t>(pause_ms),
                       static_cast<std::uint8_t>(pause_ms >> 8),
                       static_cast<std::uint8_t>(data_length),
                       static_cast<std::uint8_t>(data_length >> 8),
                       flag};
  std::uint8_t checksum = flag;
  for (std::uint8_t b : payload) checksum ^= b;
  block.insert(block.end(), payload.begin(), payload.end());
  block.push_back(checksum);
  return block;
}

byte_vector concat(const std::vector<byte_vector>& parts) {
  byte_vector all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

byte_vector tzx_image(const std::vector<byte_vector>& blocks) {
  byte_vector image = tzx_header();
  const byte_vector body = concat(blocks);
  image.insert(image.end(), body.begin(), body.end());
  return image;
}

byte_vector pulses(std::initializer_list<std::pair<std::uint8_t, int>> rows) {
  byte_vector all;
  for (const auto& [length, repeat] : rows) all.insert(all.end(), repeat, length);
  return all;
}

std::vector<std::uint16_t> frame_code_words(std::uint8_t flag, const byte_vector& payload) {
  // Ones' complement: a sum past 255 wraps to 1, not 0, so 255 + 255 is 255.
  auto add = [](unsigned s, unsigned v) { return s + v > 255 ? s + v - 255 : s + v; };
  byte_vector frame = {flag};
  frame.insert(frame.end(), payload.begin(), payload.end());
  unsigned sum_a = 1;
  unsigned sum_b = 1;
  for (std::uint8_t c : frame) {
    sum_a = add(sum_a, c);
    sum_b = add(sum_b, sum_a);
  }
  frame.push_back(static_cast<std::uint8_t>(sum_a));
  frame.push_back(static_cast<std::uint8_t>(sum_b));
  std::vector<std::uint16_t> words;
  running_disparity d = rd_minus;
  for (std::uint8_t c : frame) words.push_back(encode_8b10b(c, &d));
  return words;
}

const byte_vector& empty_raw_block_pulses() {
  // clang-format off
  static const byte_vector list = pulses({
      {22, 4009}, {11, 1},                               // pilot, sync
      {11, 5}, {22, 1}, {33, 1}, {22, 2}, {44, 1},       // 1010110001 after the sync's 0 cell
      {22, 1}, {11, 2}, {22, 1}, {44, 1}, {11, 3}});     // 1001111001 0110000101
  // clang-format on
  return list;
}

byte_vector random_bytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 generator(seed);
  byte_vector bytes(n);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(generator());
  return bytes;
}

byte_vector hex(const std::string& text) {
  byte_vector bytes;
  std::string digits;
  for (char c : text)
    if (c != ' ') digits += c;
  if (digits.size() % 2 != 0) throw std::invalid_argument("odd number of hex digits");
  for (std::size_t i = 0; i < digits.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

byte_vector read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return byte_vector(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const byte_vector& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + path);
}
