#include "readers/embedded_text.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "image/image_file.h"
#include "support/memory_rows.h"
#include "support/decoded_image.h"

namespace marl {
namespace {

namespace fs = std::filesystem;
using Result = EmbeddedTextResult;

class TempDir {
 public:
  TempDir() {
    std::string pattern =
        (fs::temp_directory_path() / "marl-text-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Line breaks of both kinds, a blank line, a backslash line, UTF-8, and no
// final newline: all must come back byte for byte.
const std::string Recipe =
    "\\ made by marl\ndetail=6\r\nc=-0.12345678901234567\n\nname=\xC3\xA9t\xC3"
    "\xA9\nlast=1";

const ImageFormat& ImageBmp = *findFormat("bmp");
const ImageFormat& ImageJpeg = *findFormat("jpeg");
const ImageFormat& ImageTiff = *findFormat("tiff");
const ImageFormat& ImageGif = *findFormat("gif");
const ImageFormat& ImagePng = *findFormat("png");
const ImageFormat& ImageWebp = *findFormat("webp");

struct Kind {
  const ImageFormat& type;
  const char* format;
};
const Kind TextFormats[] = {{ImageJpeg, "JPEG"},
                            {ImageTiff, "TIFF"},
                            {ImageGif, "GIF"},
                            {ImagePng, "PNG"},
                            {ImageWebp, "WebP"}};

std::string write(const TempDir& dir, const std::string& name,
                  const ImageFormat& type,
                  const std::string& text, int side = 37) {
  marl_test::Pixels pixels = marl_test::blankPixels(side, side);
  std::mt19937 gen(side);
  for (uint32_t& p : pixels.argb) p = gen() | 0xFF000000u;
  marl_test::MemoryRows rows = marl_test::rowsOf(pixels);
  EncodeOptions options;
  options.text = text;
  std::ostringstream err;
  std::string written;
  EXPECT_TRUE(writeImageFile(rows, type, dir.file(name), err, options,
                             &written))
      << err.str();
  return written;
}

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string joined(const Result& r) {
  std::string text;
  for (const std::string& t : r.texts) text += t;
  return text;
}

void put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(EmbeddedTextTest, TextRoundTripsThroughEveryFormatWithText) {
  TempDir dir;
  std::string big;
  for (int i = 0; big.size() < 150000; ++i)
    big += "k" + std::to_string(i) + "=1\n";
  for (const Kind& kind : TextFormats) {
    // The long text needs three JPEG segments and hundreds of GIF blocks.
    for (const std::string& text : {Recipe, big}) {
      const Result r = readEmbeddedText(write(dir, "p", kind.type, text));
      EXPECT_EQ(r.status, Result::Found) << kind.format << ": " << r.reason;
      EXPECT_EQ(r.format, kind.format);
      EXPECT_TRUE(joined(r) == text) << kind.format << " " << text.size();
      // A JPEG segment holds less than 64 KiB; one GIF comment holds all.
      const bool jpegSplit = &kind.type == &ImageJpeg && text == big;
      EXPECT_EQ(r.texts.size(), jpegSplit ? 3u : 1u) << kind.format;
      EXPECT_GT(r.bytesRead, 0u);
    }
  }
}

TEST(EmbeddedTextTest, JpegWithCommentDecodesToTheSamePixels) {
  TempDir dir;
  const std::string plain = write(dir, "plain.jpg", ImageJpeg, "");
  const std::string with = write(dir, "with.jpg", ImageJpeg, Recipe);
  EXPECT_EQ(fs::file_size(with), fs::file_size(plain) + Recipe.size() + 4);
  const marl_test::DecodedImage a = marl_test::decodeImageFile(plain);
  const marl_test::DecodedImage b = marl_test::decodeImageFile(with);
  ASSERT_EQ(a.width, 37);
  EXPECT_EQ(b.width, a.width);
  EXPECT_EQ(b.pixels, a.pixels);
}

TEST(EmbeddedTextTest, PicturesWithoutTextSaySoAndBmpHasNone) {
  TempDir dir;
  for (const Kind& kind : TextFormats) {
    const Result r = readEmbeddedText(write(dir, "p", kind.type, ""));
    EXPECT_EQ(r.status, Result::NoText) << kind.format;
    EXPECT_EQ(r.reason, std::string("this ") + kind.format +
                            " picture holds no embedded text");
  }
  // Extensions need GIF89a; without one the file stays as it was.
  EXPECT_EQ(contents(write(dir, "p", ImageGif, "")).substr(0, 6), "GIF87a");
  EXPECT_EQ(contents(write(dir, "p", ImageGif, "x")).substr(0, 6), "GIF89a");
  // The description is a C string.
  marl_test::MemoryRows rows =
      marl_test::rowsOf(marl_test::blankPixels(2, 2), true);
  EncodeOptions nul;
  nul.text = std::string("a\0b", 3);
  std::ostringstream err;
  EXPECT_FALSE(writeImageFile(rows, ImageTiff, dir.file("nul.tif"), err, nul));
  EXPECT_FALSE(fs::exists(dir.file("nul.tif")));
  // A BMP is recognised as a picture, so it is not mistaken for a text file.
  const Result bmp = readEmbeddedText(write(dir, "p.bmp", ImageBmp, Recipe));
  EXPECT_EQ(bmp.status, Result::NoText);
  EXPECT_EQ(bmp.format, "BMP");
}

TEST(EmbeddedTextTest, ContentNotNameDecides) {
  TempDir dir;
  put(dir.file("recipe.jpg"), Recipe);
  put(dir.file("BM.txt"), "BMW=1\nit=100000000000\nsize=1201\n");
  put(dir.file("empty.gif"), "");
  for (const char* name : {"recipe.jpg", "BM.txt", "empty.gif"}) {
    const Result r = readEmbeddedText(dir.file(name));
    EXPECT_EQ(r.status, Result::NotAPicture) << name;
    EXPECT_EQ(r.format, "") << name;
  }
  const Result jpeg = readEmbeddedText(write(dir, "a.txt", ImageJpeg, Recipe));
  EXPECT_EQ(jpeg.status, Result::Found);

  // A pipe is left unread for the caller to read as text.
  ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
  const int fd = open(dir.file("pipe").c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, Recipe.data(), Recipe.size()), ssize_t(Recipe.size()));
  const Result pipe = readEmbeddedText(dir.file("pipe"));
  EXPECT_EQ(pipe.status, Result::NotAPicture);
  EXPECT_EQ(pipe.bytesRead, 0u);
  char left[256];
  const ssize_t n = read(fd, left, sizeof left);
  close(fd);
  EXPECT_EQ(std::string(left, n > 0 ? n : 0), Recipe);

  const Result missing = readEmbeddedText(dir.file("absent"));
  EXPECT_EQ(missing.status, Result::Unreadable);
  EXPECT_EQ(missing.reason, "No such file or directory");
}

TEST(EmbeddedTextTest, TruncatedPicturesAreReportedAsSuch) {
  TempDir dir;
  for (const Kind& kind : TextFormats) {
    const std::string bytes = contents(write(dir, "p", kind.type, Recipe));
    // Inside the text for JPEG and GIF; TIFF loses its directory at the end.
    const std::size_t at =
        &kind.type == &ImageTiff ? bytes.size() / 2 : bytes.find("detail=6") + 4;
    put(dir.file("cut"), bytes.substr(0, at));
    const Result r = readEmbeddedText(dir.file("cut"));
    EXPECT_EQ(r.status, Result::Damaged) << kind.format;
    EXPECT_EQ(
        r.reason.rfind(
            std::string("this ") + kind.format + " picture is truncated", 0),
        0u)
        << r.reason;
  }
}

TEST(EmbeddedTextTest, TextPastTheReadLimitIsTooLong) {
  TempDir dir;
  const std::string huge(MaxEmbeddedTextRead + 1000, 'x');
  for (const Kind& kind : TextFormats) {
    const Result r = readEmbeddedText(write(dir, "p", kind.type, huge));
    EXPECT_EQ(r.status, Result::TooLong) << kind.format << ": " << r.reason;
    EXPECT_LE(r.bytesRead, MaxEmbeddedTextRead);
  }
}

// The directory, and with it the text, lies after megabytes of strips.
TEST(EmbeddedTextTest, BigTiffTextIsFoundReadingLittleOfTheFile) {
  TempDir dir;
  const std::string path = write(dir, "big.tif", ImageTiff, Recipe, 2000);
  ASSERT_GT(fs::file_size(path), 8u * MaxEmbeddedTextRead);
  const Result r = readEmbeddedText(path);
  EXPECT_EQ(r.status, Result::Found) << r.reason;
  EXPECT_EQ(joined(r), Recipe);
  EXPECT_LE(r.bytesRead, MaxEmbeddedTextRead);
  EXPECT_LT(r.bytesRead, 64u * 1024);
}

// Random damage after the magic bytes: the libraries must neither crash nor
// print, and every outcome stays within the read limit.
TEST(EmbeddedTextTest, DamagedHeadersFailQuietly) {
  TempDir dir;
  std::mt19937 gen(7);
  testing::internal::CaptureStderr();
  for (const Kind& kind : TextFormats) {
    const std::string good = contents(write(dir, "p", kind.type, Recipe));
    // PNG's magic is 8 bytes long; WebP's ends at byte 12.
    const std::size_t magic =
        &kind.type == &ImagePng || &kind.type == &ImageWebp ? 12 : 6;
    for (int round = 0; round < 100; ++round) {
      std::string bad = good;
      const std::size_t span = std::min<std::size_t>(bad.size(), 600);
      for (int i = 0; i < 6; ++i)
        bad[magic + gen() % (span - magic)] = char(gen());
      if (&kind.type == &ImageTiff || &kind.type == &ImageWebp)
        // aim at the directory, or the XMP packet, too
        for (int i = 0; i < 6; ++i)
          bad[bad.size() - 1 - gen() % 300] = char(gen());
      put(dir.file("bad"), bad);
      const Result r = readEmbeddedText(dir.file("bad"));
      EXPECT_NE(r.status, Result::NotAPicture);
      EXPECT_NE(r.status, Result::Unreadable) << r.reason;
      EXPECT_LE(r.bytesRead, MaxEmbeddedTextRead);
      if (r.status != Result::Found) {
        EXPECT_FALSE(r.reason.empty());
      }
    }
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// A picture cut anywhere in its first KiB, magic bytes included, is a
// damaged picture of its format, never a text file or a text found.
TEST(EmbeddedTextTest, EveryCutInTheFirstKibIsDamaged) {
  TempDir dir;
  const std::string text(1200, 'r');
  for (const Kind& kind : TextFormats) {
    const std::string bytes = contents(write(dir, "p", kind.type, text));
    ASSERT_GT(bytes.size(), 1024u);
    for (std::size_t cut = 1; cut < 1024; ++cut) {
      put(dir.file("cut"), bytes.substr(0, cut));
      const Result r = readEmbeddedText(dir.file("cut"));
      ASSERT_EQ(r.status, Result::Damaged)
          << kind.format << " cut at " << cut << ": " << r.reason;
      EXPECT_EQ(r.format, kind.format);
    }
  }
}

}  // namespace
}  // namespace marl
