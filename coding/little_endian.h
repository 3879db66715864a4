// coding/little_endian.h: 16- and 32-bit fields in byte arrays, least significant
// byte first, as every multi-byte field of TZX and CSW files is. No I/O.
#pragma once

#include <cstdint>

constexpr void store_u16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

constexpr void store_u32(std::uint8_t* p, std::uint32_t v) {
  store_u16(p, static_cast<std::uint16_t>(v));
  store_u16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

constexpr std::uint16_t load_u16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

constexpr std::uint32_t load_u32(const std::uint8_t* p) {
  return load_u16(p) | std::uint32_t{load_u16(p + 2)} << 16;
}
