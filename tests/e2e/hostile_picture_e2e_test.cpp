// Pictures from strangers given as file=PICTURE: forged headers, bombs and
// cut files each stop the run with an error, make nothing, and cost little
// memory.
#include <zlib.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"

namespace marl_e2e {
namespace {

// A run that starts no orbit stays far below this much beyond what marl
// holds doing nothing (about 30 MB; a sanitizer build holds over 100 MB
// more); inflating a bomb, or allocating what a forged header claims, would
// not.
constexpr long MemoryMarginKilobytes = 70 * 1024;

// The peak of a run that only prints the usage, in this build.
long idlePeakKilobytes() {
  static const long peak = [] {
    TempFolder folder;
    MarlProcess process(folder, {"-h"});
    return process.wait().peakKilobytes;
  }();
  return peak;
}

std::string le32(uint32_t v) {
  return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}
std::string be32(uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}
uint32_t readLe(const std::string& b, std::size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | uint8_t(b[at + i]);
  return v;
}

std::string pngChunk(const std::string& type, const std::string& data) {
  const std::string body = type + data;
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                          uInt(body.size()));
  return be32(uint32_t(data.size())) + body + be32(uint32_t(crc));
}

// A zlib stream that inflates to `megabytes` MiB of zeros.
std::string deflateBomb(int megabytes) {
  z_stream z{};
  deflateInit(&z, 9);
  const std::string zeros(1 << 20, '\0');
  std::string out;
  std::vector<unsigned char> buffer(1 << 16);
  for (int i = 0; i <= megabytes; ++i) {
    const bool last = i == megabytes;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    z.avail_in = last ? 0 : uInt(zeros.size());
    do {
      z.next_out = buffer.data();
      z.avail_out = uInt(buffer.size());
      deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
      out.append(reinterpret_cast<char*>(buffer.data()),
                 buffer.size() - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  return out;
}

// The value of a classic little-endian TIFF's first-directory tag, made a
// LONG with `value`, or with its count set to `count` when `count` is given.
std::string patchTiffTag(std::string b, uint16_t tag, uint32_t value,
                         bool setCount) {
  const uint32_t ifd = readLe(b, 4, 4);
  const uint32_t entries = readLe(b, ifd, 2);
  for (uint32_t i = 0; i < entries; ++i) {
    const std::size_t at = ifd + 2 + 12 * i;
    if (readLe(b, at, 2) != tag) continue;
    if (setCount) {
      b.replace(at + 4, 4, le32(value));
    } else {
      b.replace(at + 2, 2, std::string{4, 0});
      b.replace(at + 4, 4, le32(1));
      b.replace(at + 8, 4, le32(value));
    }
  }
  return b;
}

struct Hostile {
  const char* what;
  const char* image;  // the format marl writes first
  const char* name;   // the forged file's name
  std::function<std::string(const std::string&)> forge;
};

const std::vector<Hostile>& hostiles() {
  static const std::vector<Hostile> cases = {
      {"a deflate bomb in a compressed PNG text", "png", "bomb.png",
       [](const std::string& b) {
         const std::string bomb = pngChunk(
             "zTXt", std::string("Comment\0\0", 9) + deflateBomb(512));
         return b.substr(0, 33) + bomb + b.substr(33);
       }},
      {"a PNG header claiming 10^5 x 10^5", "png", "wide.png",
       [](const std::string& b) {
         const std::string ihdr = be32(100000) + be32(100000) + b.substr(24, 5);
         return b.substr(0, 8) + pngChunk("IHDR", ihdr) + b.substr(33);
       }},
      {"a TIFF header claiming 10^5 x 10^5", "tiff", "wide.tif",
       [](const std::string& b) {
         return patchTiffTag(patchTiffTag(b, 256, 100000, false), 257, 100000,
                             false);
       }},
      {"a WebP header claiming 10^5 x 10^5", "webp", "wide.webp",
       [](const std::string& b) {
         std::string f = b;
         f.replace(24, 3, le32(99999).substr(0, 3));
         f.replace(27, 3, le32(99999).substr(0, 3));
         return f;
       }},
      {"a thousand JPEG comment segments", "jpeg", "comments.jpg",
       [](const std::string& b) {
         std::string many;
         for (int i = 0; i < 1000; ++i) many += std::string("\xFF\xFE\0\3x", 5);
         return b.substr(0, 2) + many + b.substr(2);
       }},
      {"a thousand GIF comment extensions", "gif", "comments.gif",
       [](const std::string& b) {
         const uint8_t flags = uint8_t(b[10]);
         const std::size_t table =
             flags & 0x80 ? 3u * (2u << (flags & 7)) : 0u;
         std::string many;
         for (int i = 0; i < 1000; ++i) many += std::string("\x21\xFE\1x\0", 5);
         return b.substr(0, 13 + table) + many + b.substr(13 + table);
       }},
      {"a thousand PNG text chunks", "png", "comments.png",
       [](const std::string& b) {
         std::string many;
         for (int i = 0; i < 1000; ++i)
           many += pngChunk("tEXt", std::string("Comment\0x", 9));
         return b.substr(0, 33) + many + b.substr(33);
       }},
      {"a TIFF ImageDescription claiming a gigabyte", "tiff", "long.tif",
       [](const std::string& b) {
         return patchTiffTag(b, 270, 1000000000, true);
       }},
  };
  return cases;
}

// A marl picture of `image` in `folder`, as bytes.
std::string pictureOf(const TempFolder& folder, const char* image) {
  const RunResult made =
      runMarl(folder, {"size=160", "it=1100000", std::string("image=") + image});
  EXPECT_EQ(made.status, 0) << made.err;
  const std::vector<std::string> files = folder.files();
  return files.size() == 1 ? folder.read(files[0]) : std::string();
}

void expectRefused(const TempFolder& folder, const std::string& name,
                   const std::string& what) {
  MarlProcess process(folder, {"file=" + name});
  const RunResult run = process.wait();
  EXPECT_EQ(run.status, 1) << what << ": " << run.err;
  EXPECT_EQ(run.err.rfind("marl: error: cannot use parameter file '" + name +
                              "': this ",
                          0),
            0u)
      << what << ": " << run.err;
  EXPECT_EQ(run.out, "") << what;
  EXPECT_EQ(folder.files(), std::vector<std::string>{name}) << what;
  EXPECT_GT(run.peakKilobytes, 0) << what;
  EXPECT_LT(run.peakKilobytes, idlePeakKilobytes() + MemoryMarginKilobytes)
      << what;
}

TEST(HostilePictureEndToEnd, ForgedPicturesAreRefusedCheaply) {
  for (const Hostile& h : hostiles()) {
    TempFolder made, folder;
    const std::string good = pictureOf(made, h.image);
    ASSERT_FALSE(good.empty()) << h.what;
    folder.write(h.name, h.forge(good));
    expectRefused(folder, h.name, h.what);
  }
}

// Cuts at a few places of the first KiB (every byte is covered by the unit
// tests of the readers).
TEST(HostilePictureEndToEnd, CutPicturesAreRefused) {
  for (const char* image : {"jpeg", "tiff", "gif", "png", "webp"}) {
    TempFolder made;
    const std::string good = pictureOf(made, image);
    ASSERT_GT(good.size(), 1024u) << image;
    for (std::size_t cut : {1, 5, 11, 40, 300, 1023}) {
      TempFolder folder;
      folder.write("cut", good.substr(0, cut));
      expectRefused(folder, "cut",
                    std::string(image) + " cut at " + std::to_string(cut));
    }
  }
}

}  // namespace
}  // namespace marl_e2e
