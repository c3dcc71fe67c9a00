#include "support/picture_texts.h"

#include <zlib.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>

#include "image/xmp_packet.h"

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

uint32_t bigEndian32(const std::string& b, std::size_t at) {
  return uint32_t(bigEndian16(b, at)) << 16 | uint32_t(bigEndian16(b, at + 2));
}

std::string bigEndianBytes(uint32_t n) {
  return {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
}

// One uncompressed iTXt chunk with the keyword marl writes.
std::string pngTextChunk(const std::string& text) {
  const std::string body =
      std::string("iTXtDescription\0\0\0\0\0", 20) + text;
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                          uInt(body.size()));
  return bigEndianBytes(uint32_t(text.size() + 16)) + body +
         bigEndianBytes(uint32_t(crc));
}

// Signature, then chunks: text chunks are replaced, where the first was.
std::string pngWith(const std::string& png,
                    const std::vector<std::string>& texts) {
  std::string out = png.substr(0, 8);
  bool placed = false;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::size_t end = at + 12 + bigEndian32(png, at);
    const std::string type = png.substr(at + 4, 4);
    if (type != "tEXt" && type != "zTXt" && type != "iTXt") {
      out += png.substr(at, end - at);
    } else if (!placed) {
      placed = true;
      for (const std::string& text : texts) out += pngTextChunk(text);
    }
    at = end;
  }
  return out;
}

// RIFF header, then chunks: XMP chunks are replaced by one packet a text,
// where the first was, and the RIFF size made anew.
std::string webpWith(const std::string& webp,
                     const std::vector<std::string>& texts) {
  std::string out = webp.substr(0, 12);
  bool placed = false;
  for (std::size_t at = 12; at + 8 <= webp.size();) {
    const uint32_t size = littleEndian(webp, at + 4, 4);
    const std::size_t end = at + 8 + size + (size & 1);
    if (webp.compare(at, 4, "XMP ") != 0) {
      out += webp.substr(at, end - at);
    } else if (!placed) {
      placed = true;
      for (const std::string& text : texts) {
        std::string packet = marl::xmpPacketOf(text);
        std::string header = "XMP     ";
        putLittleEndian32(header, 4, uint32_t(packet.size()));
        if (packet.size() % 2) packet += '\0';
        out += header + packet;
      }
    }
    at = end;
  }
  putLittleEndian32(out, 4, uint32_t(out.size() - 8));
  return out;
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
  if (picture.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0)
    return pngWith(picture, texts);
  if (picture.compare(0, 4, "RIFF") == 0 && picture.compare(8, 4, "WEBP") == 0)
    return webpWith(picture, texts);
  return std::string();
}

}  // namespace marl_test
