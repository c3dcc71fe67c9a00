// A WebP file keeps its XMP chunk after every frame, so the reader walks
// the chunk headers and seeks past the frames instead of loading the whole
// file, as libwebp's demuxer would.
#include <algorithm>
#include <cstdint>
#include <string>

#include "render/embedded_text_readers.h"
#include "render/xmp_packet.h"

namespace marl {

namespace {

uint32_t littleEndian32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
         uint32_t(p[3]) << 24;
}

}  // namespace

void readWebpText(BoundedFile& file, EmbeddedTextResult& result) {
  unsigned char header[12];
  if (file.read(header, sizeof header) != sizeof header) {
    failReading(file, true, "", result);
    return;
  }
  // The RIFF size counts from byte 8.
  const uint64_t end =
      std::min<uint64_t>(file.size(), uint64_t(littleEndian32(header + 4)) + 8);
  while (file.position() + 8 <= end) {
    unsigned char chunk[8];
    if (file.read(chunk, sizeof chunk) != sizeof chunk) break;
    const uint32_t size = littleEndian32(chunk + 4);
    if (std::string(reinterpret_cast<const char*>(chunk), 4) == "XMP ") {
      if (file.position() + size > end) break;
      std::string packet(size, '\0');
      if (file.read(packet.data(), size) != size) break;
      std::string text;
      if (!textOfXmpPacket(packet, text)) {
        result.status = EmbeddedTextResult::NoText;
        result.reason = "the XMP packet of this WebP picture holds no text";
        return;
      }
      foundTexts({text}, result);
      return;
    }
    // Chunks are padded to an even size.
    file.seek(file.position() + size + (size & 1));
  }
  if (file.position() == end) {
    foundTexts({}, result);
  } else {
    failReading(file, file.position() > end || file.reachedEnd(), "", result);
  }
}

}  // namespace marl
