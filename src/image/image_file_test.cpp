#include "image/image_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <new>
#include <sstream>
#include <stdexcept>

#include "base/files_to_remove.h"
#include "files/durable_file.h"
#include "support/decoded_image.h"
#include "support/memory_rows.h"
#include "support/sync_calls.h"

namespace marl {
namespace {

namespace fs = std::filesystem;
using marl_test::DecodedImage;
using marl_test::decodeImageFile;
using marl_test::Pixels;

// A fresh folder, removed with its contents at the end of the test.
class TempDir {
 public:
  TempDir() {
    std::string pattern =
        (fs::temp_directory_path() / "marl-render-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  std::string path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_))
      names.push_back(e.path().filename().string());
    return names;
  }

 private:
  std::string path_;
};

const ImageFormat& ImageBmp = *findFormat("bmp");
const ImageFormat& ImageJpeg = *findFormat("jpeg");
const ImageFormat& ImageTiff = *findFormat("tiff");
const ImageFormat& ImageGif = *findFormat("gif");

uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}
uint32_t red(uint32_t p) { return (p >> 16) & 0xFF; }
uint32_t green(uint32_t p) { return (p >> 8) & 0xFF; }
uint32_t blue(uint32_t p) { return p & 0xFF; }

// Odd, unequal sides catch swapped dimensions and row padding.
constexpr int Width = 37;
constexpr int Height = 23;

// Every channel varies independently, so swapped channels or rows show.
void paintNoise(Pixels& bitmap) {
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x)
      bitmap.at(x, y) = argb(255, (x * 37 + y * 11) & 255,
                              ((x * 13) ^ (y * 29)) & 255, (x * y + 5) & 255);
}

// Smooth, with 851 colours: JPEG stays close and GIF has to quantise.
void paintGradient(Pixels& bitmap) {
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x)
      bitmap.at(x, y) = argb(255, x * 7, y * 11, (x * 3 + y * 5));
}

// Sixteen colours in 3 x 3 blocks.
void paintFewColours(Pixels& bitmap) {
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x)
      bitmap.at(x, y) = argb(255, (x / 3 % 4) * 80, (y / 3 % 4) * 60, 200);
}

// Writes `pixels` as the job writes rows.
bool writePicture(const Pixels& pixels, const ImageFormat& format,
                  const std::string& fileName, std::ostream& err,
                  std::string* writtenName = nullptr) {
  marl_test::MemoryRows rows = marl_test::rowsOf(pixels);
  return writeImageFile(rows, format, fileName, err, {}, writtenName);
}

// An opaque black picture.
Pixels picture(int width, int height) {
  Pixels pixels = marl_test::blankPixels(width, height);
  for (uint32_t& p : pixels.argb) p = 0xFF000000u;
  return pixels;
}

void expectSamePixels(const Pixels& bitmap, const DecodedImage& picture) {
  ASSERT_EQ(picture.width, bitmap.width);
  ASSERT_EQ(picture.height, bitmap.height);
  ASSERT_EQ(picture.pixels.size(), std::size_t(bitmap.width) * bitmap.height);
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x)
      ASSERT_EQ(picture.at(x, y), bitmap.at(x, y)) << x << "," << y;
}

// Per pixel, the largest difference of any channel between the bitmap and
// the picture; the worst and the mean of these.
struct Error {
  int worst = 0;
  double mean = 0.0;
};

Error errorOf(const Pixels& bitmap, const DecodedImage& picture) {
  Error e;
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x) {
      const uint32_t a = bitmap.at(x, y), b = picture.at(x, y);
      const int d = std::max({std::abs(int(red(a)) - int(red(b))),
                              std::abs(int(green(a)) - int(green(b))),
                              std::abs(int(blue(a)) - int(blue(b)))});
      e.worst = std::max(e.worst, d);
      e.mean += d;
    }
  e.mean /= double(bitmap.width) * bitmap.height;
  return e;
}

TEST(ImageFileTest, BmpRoundTripIsExact) {
  TempDir dir;
  Pixels bitmap = picture(Width, Height);
  paintNoise(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writePicture(bitmap, ImageBmp, dir.file("a.bmp"), err))
      << err.str();
  EXPECT_EQ(err.str(), "");
  expectSamePixels(bitmap, decodeImageFile(dir.file("a.bmp")));
}

TEST(ImageFileTest, OpaqueTiffIsRgbAndExact) {
  TempDir dir;
  Pixels bitmap = picture(Width, Height);
  paintNoise(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writePicture(bitmap, ImageTiff, dir.file("a.tif"), err))
      << err.str();
  const DecodedImage picture = decodeImageFile(dir.file("a.tif"));
  EXPECT_EQ(picture.samples, 3);
  expectSamePixels(bitmap, picture);
}

TEST(ImageFileTest, JpegIsFullChromaAndClose) {
  TempDir dir;
  Pixels bitmap = picture(Width, Height);
  paintGradient(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writePicture(bitmap, ImageJpeg, dir.file("a.jpg"), err))
      << err.str();
  const DecodedImage picture = decodeImageFile(dir.file("a.jpg"));
  EXPECT_EQ(picture.subsampling, TJSAMP_444);
  ASSERT_EQ(picture.width, Width);
  ASSERT_EQ(picture.height, Height);
  ASSERT_EQ(picture.pixels.size(), std::size_t(Width) * Height);
  EXPECT_LE(errorOf(bitmap, picture).worst, 8);
}

TEST(ImageFileTest, GifWithFewColoursIsExact) {
  TempDir dir;
  Pixels bitmap = picture(Width, Height);
  paintFewColours(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writePicture(bitmap, ImageGif, dir.file("a.gif"), err))
      << err.str();
  const DecodedImage picture = decodeImageFile(dir.file("a.gif"));
  EXPECT_EQ(picture.colours, 16);
  expectSamePixels(bitmap, picture);
}

TEST(ImageFileTest, GifWithManyColoursIsQuantised) {
  TempDir dir;
  Pixels bitmap = picture(Width, Height);
  paintGradient(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writePicture(bitmap, ImageGif, dir.file("a.gif"), err))
      << err.str();
  const DecodedImage picture = decodeImageFile(dir.file("a.gif"));
  EXPECT_EQ(picture.colours, 256);
  ASSERT_EQ(picture.width, Width);
  ASSERT_EQ(picture.height, Height);
  ASSERT_EQ(picture.pixels.size(), std::size_t(Width) * Height);
  // giflib's median cut works on 5-bit cells and splits by pixel count, so
  // single pixels can be far off; on average it must stay close.
  const Error error = errorOf(bitmap, picture);
  EXPECT_LT(error.mean, 16.0);
  EXPECT_LE(error.worst, 64);
}

TEST(ImageFileTest, MissingFolderLeavesNothingAndSaysWhy) {
  TempDir dir;
  Pixels bitmap = picture(4, 4);
  paintNoise(bitmap);
  const std::string name = dir.file("absent/a.bmp");
  std::ostringstream err;
  EXPECT_FALSE(writePicture(bitmap, ImageBmp, name, err));
  EXPECT_EQ(err.str(), "marl: error: cannot write '" + name +
                           "': No such file or directory\n");
  EXPECT_TRUE(dir.entries().empty());
}

TEST(ImageFileTest, NeverReplacesAnExistingFile) {
  TempDir dir;
  const std::string name = dir.file("a.bmp");
  {
    std::ofstream old(name, std::ios::binary);
    old << std::string(100000, 'x');
  }
  Pixels bitmap = picture(Width, Height);
  paintNoise(bitmap);
  std::ostringstream err;
  std::string written;
  ASSERT_TRUE(writePicture(bitmap, ImageBmp, name, err, &written))
      << err.str();
  EXPECT_EQ(written, dir.file("a-2.bmp"));
  EXPECT_EQ(err.str(), "marl: warning: '" + name + "' exists; wrote '" +
                           written + "' instead\n");
  EXPECT_EQ(fs::file_size(name), 100000u);
  // 54 bytes of headers and rows padded to 4 bytes.
  EXPECT_EQ(fs::file_size(written), 54u + 112u * Height);
  expectSamePixels(bitmap, decodeImageFile(written));

  // The next free number is taken, past a gap-free run of taken ones.
  std::ofstream(dir.file("a-3.bmp")) << "";
  ASSERT_TRUE(writePicture(bitmap, ImageBmp, name, err, &written));
  EXPECT_EQ(written, dir.file("a-4.bmp"));
  EXPECT_EQ(dir.entries().size(), 4u);
  EXPECT_EQ(fs::file_size(dir.file("a-3.bmp")), 0u);
}

TEST(ImageFileTest, EveryNumberTakenIsAnErrorWithoutAFile) {
  TempDir dir;
  const std::string name = dir.file("t.gif");
  std::ofstream(name) << "";
  for (int n = 2; n <= LastNameNumber; ++n)
    std::ofstream(numberedName(name, n)) << "";
  Pixels bitmap = picture(4, 4);
  std::ostringstream err;
  std::string written = "untouched";
  EXPECT_FALSE(writePicture(bitmap, ImageGif, name, err, &written));
  EXPECT_EQ(written, "untouched");
  EXPECT_EQ(err.str(), "marl: error: cannot write '" + name +
                           "': it and every numbered name up to '" +
                           numberedName(name, LastNameNumber) +
                           "' exist; give another basename\n");
  EXPECT_EQ(dir.entries().size(), std::size_t(LastNameNumber));
}

TEST(ImageFileTest, FileTakesUsualModeNotPrivateOne) {
  TempDir dir;
  Pixels bitmap = picture(2, 2);
  const mode_t previous = umask(022);
  std::ostringstream err;
  const bool written = writePicture(bitmap, ImageBmp, dir.file("m.bmp"), err);
  umask(previous);
  ASSERT_TRUE(written) << err.str();
  struct stat st {};
  ASSERT_EQ(stat(dir.file("m.bmp").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(ImageFileTest, NameNearTheLengthLimitStillWrites) {
  TempDir dir;
  // Within the 255-byte limit, but not with a temporary suffix added.
  const std::string base(250, 'n');
  Pixels bitmap = picture(2, 2);
  std::ostringstream err;
  ASSERT_TRUE(writePicture(bitmap, ImageGif, dir.file(base), err))
      << err.str();
  EXPECT_EQ(dir.entries(), std::vector<std::string>{base});
}

TEST(ImageFileTest, FailuresBeforeAndAfterEncodingLeaveNoFile) {
  TempDir dir;
  Pixels bitmap = picture(4, 4);
  const std::string name = dir.file("a.png");
  std::ostringstream err;

  // Half a file is written before the failure: it must not stay.
  const ImageFormat failing = {
      "png", {}, "png",
      [](RowSource&, const EncodeOptions&, ByteSink& out, std::string& error) {
        const unsigned char half[10] = {};
        out.append(half, sizeof half);
        error = "disk of the encoder on fire";
        return false;
      },
      "PNG", 8, false, false, 65535};
  EXPECT_FALSE(writePicture(bitmap, failing, name, err));
  EXPECT_EQ(err.str(), "marl: error: cannot write '" + name +
                           "': disk of the encoder on fire\n");
  EXPECT_TRUE(dir.entries().empty());
}

TEST(ImageFileTest, AFolderOfTheNameIsSteppedAround) {
  TempDir dir;
  const std::string name = dir.file("taken");
  ASSERT_TRUE(fs::create_directory(name));
  Pixels bitmap = picture(4, 4);
  std::ostringstream err;
  EXPECT_TRUE(writePicture(bitmap, ImageTiff, name, err));
  EXPECT_EQ(err.str(), "marl: warning: '" + name + "' exists; wrote '" +
                           name + "-2' instead\n");
  std::vector<std::string> entries = dir.entries();
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"taken", "taken-2"}));
  EXPECT_TRUE(fs::is_empty(name));
}

TEST(ImageFileTest, EncoderExceptionsAreFailuresOfThePicture) {
  TempDir dir;
  Pixels bitmap = picture(4, 4);
  using Options = const EncodeOptions&;
  const ImageFormat throwing[] = {
      {"a", {}, "a",
       [](RowSource&, Options, ByteSink&, std::string&) -> bool {
         throw std::bad_alloc();
       },
       "A", 8, false, false, 65535},
      {"b", {}, "b",
       [](RowSource&, Options, ByteSink&, std::string&) -> bool {
         throw std::runtime_error("odd");
       },
       "B", 8, false, false, 65535},
      {"c", {}, "c",
       [](RowSource&, Options, ByteSink&, std::string&) -> bool { throw 7; },
       "C", 8, false, false, 65535}};
  const std::string reasons[] = {
      "out of memory while encoding; give a smaller size", "odd",
      "the encoder failed"};
  for (int k = 0; k < 3; ++k) {
    const ImageFormat& type = throwing[k];
    const std::string& reason = reasons[k];
    std::ostringstream err;
    EXPECT_FALSE(writePicture(bitmap, type, dir.file("e"), err));
    EXPECT_EQ(err.str(), "marl: error: cannot write '" + dir.file("e") +
                             "': " + reason + "\n");
  }
  EXPECT_TRUE(dir.entries().empty());
}

// The data is on the disk before its name is, and the name before the
// picture counts as written; a failed sync is a failure of the picture.
TEST(ImageFileTest, DataIsSyncedBeforeTheRenameAndTheFolderAfter) {
  struct Case {
    std::string failing;  // the call made to fail, if any
    bool written;
    std::vector<std::string> files;
    std::string err;
  };
  const std::string reason = "Input/output error\n";
  const Case cases[] = {
      {"", true, {"a.bmp"}, ""},
      {"fsync file", false, {}, "marl: error: cannot write 'NAME': " + reason},
      {"fsync folder", false, {"a.bmp"},
       "marl: error: wrote 'NAME', but its folder cannot be synced, so a "
       "power cut may lose it: " + reason}};
  for (const Case& c : cases) {
    TempDir dir;
    const std::string folder = fs::canonical(dir.path()).string();
    const std::string name = folder + "/a.bmp";
    Pixels bitmap = picture(4, 4);
    std::ostringstream err;
    sync_calls::calls.clear();
    sync_calls::failing = c.failing;
    sync_calls::recording = true;
    const bool written = writePicture(bitmap, ImageBmp, name, err);
    sync_calls::recording = false;
    EXPECT_EQ(written, c.written) << c.failing;
    std::string expectedErr = c.err;
    if (expectedErr.find("NAME") != std::string::npos)
      expectedErr.replace(expectedErr.find("NAME"), 4, name);
    EXPECT_EQ(err.str(), expectedErr);
    EXPECT_EQ(dir.entries(), c.files) << c.failing;
    const std::vector<std::string>& calls = sync_calls::calls;
    ASSERT_GE(calls.size(), 1u) << c.failing;
    const std::string temporary = calls[0].substr(std::strlen("fsync file "));
    EXPECT_EQ(calls[0].rfind("fsync file " + name + ".tmp-", 0), 0u)
        << calls[0];
    if (c.failing == "fsync file") {
      EXPECT_EQ(calls.size(), 1u);
      continue;
    }
    EXPECT_EQ(calls, (std::vector<std::string>{
                         calls[0], "rename " + temporary + " " + name,
                         "fsync folder " + folder}));
  }
}

// A temporary file a signal could not remove is never made.
TEST(ImageFileTest, FullRegistryOfTemporaryFilesFailsThePictureWithoutAFile) {
  TempDir dir;
  std::vector<int> entries;
  for (int entry; (entry = registerTemporaryFile("held")) >= 0;)
    entries.push_back(entry);
  EXPECT_EQ(entries.size(), std::size_t(MaxTemporaryFiles));
  const std::string name = dir.file("a.gif");
  std::ostringstream err;
  EXPECT_FALSE(writePicture(picture(2, 2), ImageGif, name, err));
  EXPECT_EQ(err.str(),
            "marl: error: cannot write '" + name + "': Too many open files\n");
  EXPECT_TRUE(dir.entries().empty());
  forgetTemporaryFile(entries.back());
  EXPECT_TRUE(writePicture(picture(2, 2), ImageGif, name, err));
  for (int entry : entries) forgetTemporaryFile(entry);
}

TEST(ImageFileTest, ControlBytesInNamesAreShownEscaped) {
  TempDir dir;
  const std::string name = dir.file("absent/\x1b[31m.bmp");
  std::ostringstream err;
  EXPECT_FALSE(writePicture(picture(2, 2), ImageBmp, name, err));
  EXPECT_EQ(err.str(), "marl: error: cannot write '" + dir.path() +
                           "/absent/\\x1b[31m.bmp': No such file or "
                           "directory\n");
}

}  // namespace
}  // namespace marl
