#include <webp/decode.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "readers/embedded_text_readers.h"
#include "image/xmp_packet.h"

namespace marl {

namespace {

// The image data of a WebP, a still or every frame of an animation, comes
// before its metadata, and libwebp's demuxer wants the whole file in
// memory; the RIFF chunks are walked here instead, their headers read and
// their payloads skipped, so that only the headers and the XMP packets
// count against the budget.
constexpr std::size_t ChunkHeader = 8;
// Enough of a file's start for libwebp to read its sides.
constexpr std::size_t HeadBytes = 64;

uint32_t littleEndian(const unsigned char* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

struct Walk {
  BoundedFile& file;
  EmbeddedTextResult& result;
  std::vector<std::string> texts;  // one a packet, its dc:description
  int packets = 0;
  bool sawImage = false;

  bool readExactly(void* buffer, std::size_t length) {
    if (file.read(buffer, length) == length) return true;
    failReading(file, file.reachedEnd(), "", result);
    return false;
  }
  bool malformed(const char* what) {
    failReading(file, false, what, result);
    return false;
  }
  // Looks into one chunk whose payload starts at the file's position.
  bool chunk(const unsigned char* fourcc, uint32_t size);
};

bool Walk::chunk(const unsigned char* fourcc, uint32_t size) {
  if (std::memcmp(fourcc, "VP8 ", 4) == 0 ||
      std::memcmp(fourcc, "VP8L", 4) == 0 ||
      std::memcmp(fourcc, "ANMF", 4) == 0)
    sawImage = true;
  if (std::memcmp(fourcc, "XMP ", 4) == 0) {
    if (!fewPieces(++packets, "XMP packets", result)) return false;
    std::string packet(std::min<std::size_t>(size, MaxEmbeddedTextRead + 1),
                       '\0');
    // A packet past the budget runs out of it here: TooLong.
    if (!readExactly(packet.data(), packet.size())) return false;
    std::string text;
    // A packet without a description holds no text of ours.
    if (textOfXmpPacket(packet, text)) texts.push_back(std::move(text));
  }
  return true;
}

// libwebp reads the sides from the first bytes: those of the VP8X chunk, or
// of the image itself in a simple file.
bool plausibleHeader(Walk& walk) {
  unsigned char head[HeadBytes];
  const std::size_t n =
      std::size_t(std::min<uint64_t>(walk.file.size(), sizeof head));
  walk.file.seek(0);
  if (!walk.readExactly(head, n)) return false;
  WebPBitstreamFeatures features;
  const VP8StatusCode status = WebPGetFeatures(head, n, &features);
  if (status == VP8_STATUS_NOT_ENOUGH_DATA) {
    failReading(walk.file, true, "", walk.result);
    return false;
  }
  if (status != VP8_STATUS_OK) return walk.malformed("its header is malformed");
  return plausibleSides(unsigned(features.width), unsigned(features.height),
                        walk.result);
}

}  // namespace

void readWebpText(BoundedFile& file, EmbeddedTextResult& result) {
  Walk walk{file, result, {}, 0, false};
  if (!plausibleHeader(walk)) return;
  unsigned char head[12];
  file.seek(0);
  if (!walk.readExactly(head, sizeof head)) return;
  const uint64_t end = ChunkHeader + uint64_t(littleEndian(head + 4, 4));
  if (end > file.size()) {
    failReading(file, true, "", result);
    return;
  }
  for (uint64_t at = sizeof head; at < end;) {
    if (at + ChunkHeader > end) {
      walk.malformed("a chunk header is cut short");
      return;
    }
    file.seek(at);
    unsigned char header[ChunkHeader];
    if (!walk.readExactly(header, sizeof header)) return;
    const uint32_t size = littleEndian(header + 4, 4);
    const uint64_t payloadEnd = at + ChunkHeader + size;
    if (payloadEnd > end) {
      failReading(file, true, "", result);
      return;
    }
    if (!walk.chunk(header, size)) return;
    at = payloadEnd + (size & 1);
  }
  if (!walk.sawImage) {
    walk.malformed("it holds no image");
    return;
  }
  foundTexts(std::move(walk.texts), result);
}

}  // namespace marl
