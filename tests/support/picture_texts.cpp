#include "support/picture_texts.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>

namespace marl_test {

namespace {

std::size_t bigEndian16(const std::string& b, std::size_t at) {
  return std::size_t((unsigned char)b[at]) << 8 | (unsigned char)b[at + 1];
}

uint32_t littleEndian(const std::string& b, std::size_t at, int bytes) {
  uint32_t n = 0;
  for (int i = bytes - 1; i >= 0; --i) n = n << 8 | (unsigned char)b[at + i];
  return n;
}

void putLittleEndian32(std::string& b, std::size_t at, uint32_t n) {
  for (int i = 0; i < 4; ++i) b[at + i] = char(n >> (8 * i));
}

// SOI, then segments up to the start of scan: COM segments are replaced.
std::string jpegWith(const std::string& jpeg,
                     const std::vector<std::string>& texts) {
  std::string out = jpeg.substr(0, 2);
  std::size_t at = 2;
  bool placed = false;
  while (at + 4 <= jpeg.size() && (unsigned char)jpeg[at + 1] != 0xDA) {
    const std::size_t end = at + 2 + bigEndian16(jpeg, at + 2);
    if ((unsigned char)jpeg[at + 1] != 0xFE) {
      out += jpeg.substr(at, end - at);
    } else if (!placed) {
      placed = true;
      for (const std::string& text : texts) {
        const std::size_t length = text.size() + 2;
        out += {'\xFF', '\xFE', char(length >> 8), char(length & 0xFF)};
        out += text;
      }
    }
    at = end;
  }
  return out + jpeg.substr(at);
}

// Header, screen descriptor and global colour table, then extensions up to
// the first image: Comment Extensions are replaced.
std::string gifWith(const std::string& gif,
                    const std::vector<std::string>& texts) {
  const unsigned char flags = (unsigned char)gif[10];
  std::size_t at = 13 + (flags & 0x80 ? 3u << ((flags & 7) + 1) : 0);
  std::string out = gif.substr(0, at);
  bool placed = false;
  while (at + 2 < gif.size() && gif[at] == '\x21') {
    std::size_t end = at + 2;
    while ((unsigned char)gif[end] != 0) end += 1 + (unsigned char)gif[end];
    ++end;
    if (gif[at + 1] != '\xFE') {
      out += gif.substr(at, end - at);
    } else if (!placed) {
      placed = true;
      for (const std::string& text : texts) {
        out += "\x21\xFE";
        for (std::size_t from = 0; from < text.size(); from += 255) {
          const std::string block = text.substr(from, 255);
          out += char(block.size()) + block;
        }
        out += '\0';
      }
    }
    at = end;
  }
  return out + gif.substr(at);
}

// The ImageDescription entry of the first directory points at the joined
// texts, added at the end of the file.
std::string tiffWith(std::string tiff, const std::vector<std::string>& texts) {
  std::string text;
  for (const std::string& t : texts) text += t;
  const std::size_t directory = littleEndian(tiff, 4, 4);
  const std::size_t entries = littleEndian(tiff, directory, 2);
  for (std::size_t e = 0; e < entries; ++e) {
    const std::size_t entry = directory + 2 + 12 * e;
    if (littleEndian(tiff, entry, 2) != 270) continue;
    if (tiff.size() % 2) tiff += '\0';
    putLittleEndian32(tiff, entry + 4, uint32_t(text.size() + 1));
    putLittleEndian32(tiff, entry + 8, uint32_t(tiff.size()));
    return tiff + text + '\0';
  }
  return std::string();
}

}  // namespace

std::string sealed(const std::string& lines) {
  uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : lines) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  char check[40];
  std::snprintf(check, sizeof check, "check=%016" PRIx64 "\n", hash);
  return lines + check;
}

std::string withTexts(const std::string& picture,
                      const std::vector<std::string>& texts) {
  if (picture.compare(0, 3, "\xFF\xD8\xFF") == 0)
    return jpegWith(picture, texts);
  if (picture.compare(0, 6, "GIF89a") == 0) return gifWith(picture, texts);
  if (picture.compare(0, 4, std::string("II*\0", 4)) == 0)
    return tiffWith(picture, texts);
  return std::string();
}

}  // namespace marl_test
