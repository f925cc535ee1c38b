// The plug-in property list: what a host reads to list the filter in its menu and to find the
// entry point. Built at compile time; OcuvanePlugin.8bf carries the bytes in its ELF section
// "pipl", where a host (or objcopy) can read them without loading the module.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pipl {

struct TBuffer {
  std::array<std::uint8_t, 512> Bytes{};
  std::size_t Size = 0;

  constexpr void Put8(std::uint32_t value) { Bytes[Size++] = std::uint8_t(value); }
  constexpr void Put16(std::uint32_t value) {
    Put8(value);
    Put8(value >> 8);
  }
  constexpr void Put32(std::uint32_t value) {
    Put16(value);
    Put16(value >> 16);
  }
  // Pads the data that began at Start to a multiple of four bytes (the list itself starts
  // with a 10-byte head, so the padding is relative to the data, not to the buffer).
  constexpr void PadFrom(std::size_t Start) {
    while ((Size - Start) % 4 != 0) Put8(0);
  }
};

// A four-character code as the host's 32-bit value: 'kind' is 0x6B696E64, stored little-endian.
constexpr std::uint32_t Code(std::string_view text) {
  return std::uint32_t(std::uint8_t(text[0])) << 24 | std::uint32_t(std::uint8_t(text[1])) << 16 |
         std::uint32_t(std::uint8_t(text[2])) << 8 | std::uint32_t(std::uint8_t(text[3]));
}

constexpr std::uint32_t Padded(std::size_t length) { return std::uint32_t((length + 3) / 4 * 4); }

// vendor, key, id 0, padded length, then the data.
constexpr void PropertyHead(TBuffer& b, std::string_view key, std::size_t dataLength) {
  b.Put32(Code("8BIM"));
  b.Put32(Code(key));
  b.Put32(0);
  b.Put32(Padded(dataLength));
}

constexpr void Put32Property(TBuffer& b, std::string_view key, std::uint32_t value) {
  PropertyHead(b, key, 4);
  b.Put32(value);
}

constexpr void PutPascalString(TBuffer& b, std::string_view key, std::string_view text) {
  PropertyHead(b, key, 1 + text.size());
  const std::size_t start = b.Size;
  b.Put8(std::uint32_t(text.size()));
  for (char c : text) b.Put8(std::uint8_t(c));
  b.PadFrom(start);
}

constexpr void PutCString(TBuffer& b, std::string_view key, std::string_view text) {
  PropertyHead(b, key, text.size() + 1);
  const std::size_t start = b.Size;
  for (char c : text) b.Put8(std::uint8_t(c));
  b.Put8(0);
  b.PadFrom(start);
}

constexpr TBuffer Build() {
  TBuffer b;
  b.Put16(1);   // resource version
  b.Put32(0);   // list version
  b.Put32(8);   // property count
  Put32Property(b, "kind", Code("8BFM"));
  PutPascalString(b, "name", "Ocuvane...");  // the dots: the filter opens a window
  PutPascalString(b, "catg", "Quillmere");
  Put32Property(b, "vers", 0x00020005);
  PutCString(b, "wx86", "ENTRYPOINT");
  PropertyHead(b, "mode", 4);
  b.Put8(0x10);  // RGB colour only
  b.Put8(0);
  b.Put16(0);
  PutCString(b, "enbl", "in (PSHOP_ImageMode,RGBMode)");
  // Seven filter cases, all alike: straight data in and out; works with blank data, filters
  // layer masks, source copied to the destination first, nothing written outside the selection.
  PropertyHead(b, "fici", 7 * 4);
  for (int filterCase = 0; filterCase < 7; ++filterCase) {
    b.Put8(1);
    b.Put8(1);
    b.Put8(6);
    b.Put8(0);
  }
  return b;
}

inline constexpr TBuffer Built = Build();

template <std::size_t N>
constexpr std::array<std::uint8_t, N> Trim(const TBuffer& b) {
  std::array<std::uint8_t, N> bytes{};
  for (std::size_t i = 0; i < N; ++i) bytes[i] = b.Bytes[i];
  return bytes;
}

}  // namespace pipl

inline constexpr auto PluginPropertyList = pipl::Trim<pipl::Built.Size>(pipl::Built);
