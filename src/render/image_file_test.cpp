#include "render/image_file.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <boost/gil.hpp>
#include <boost/gil/extension/io/bmp.hpp>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace marl {
namespace {

namespace fs = std::filesystem;

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
void paintNoise(Bitmap& bitmap) {
  for (int y = 0; y < bitmap.height(); ++y)
    for (int x = 0; x < bitmap.width(); ++x)
      bitmap.row(y)[x] = argb(255, (x * 37 + y * 11) & 255,
                              ((x * 13) ^ (y * 29)) & 255, (x * y + 5) & 255);
}

// Smooth, with 851 colours: JPEG stays close and GIF has to quantise.
void paintGradient(Bitmap& bitmap) {
  for (int y = 0; y < bitmap.height(); ++y)
    for (int x = 0; x < bitmap.width(); ++x)
      bitmap.row(y)[x] = argb(255, x * 7, y * 11, (x * 3 + y * 5));
}

// Sixteen colours in 3 x 3 blocks.
void paintFewColours(Bitmap& bitmap) {
  for (int y = 0; y < bitmap.height(); ++y)
    for (int x = 0; x < bitmap.width(); ++x)
      bitmap.row(y)[x] = argb(255, (x / 3 % 4) * 80, (y / 3 % 4) * 60, 200);
}

// Premultiplied pixels: clear, half, a fifth and fully opaque.
void paintTranslucent(Bitmap& bitmap) {
  const uint32_t pixels[2][3] = {
      {argb(0, 0, 0, 0), argb(128, 64, 32, 0), argb(51, 51, 0, 51)},
      {argb(255, 16, 32, 48), argb(255, 255, 255, 255), argb(0, 0, 0, 0)}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) bitmap.row(y)[x] = pixels[y][x];
}

// A decoded picture as 0xAARRGGBB pixels, row by row.
struct Picture {
  int width = 0;
  int height = 0;
  int samples = 0;  // TIFF only
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

std::vector<unsigned char> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

Picture readBmp(const std::string& path) {
  namespace gil = boost::gil;
  gil::rgb8_image_t image;
  gil::read_image(path, image, gil::bmp_tag());
  Picture picture;
  picture.width = static_cast<int>(image.width());
  picture.height = static_cast<int>(image.height());
  const auto view = gil::const_view(image);
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const auto p = view(x, y);
      picture.pixels.push_back(argb(255, p[0], p[1], p[2]));
    }
  return picture;
}

Picture readTiff(const std::string& path) {
  Picture picture;
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (!tif) return picture;
  uint32_t w = 0, h = 0;
  uint16_t samples = 0, bits = 0, extraCount = 0;
  uint16_t* extra = nullptr;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  if (bits == 8 && (samples == 3 || samples == 4)) {
    if (samples == 4 &&
        !(TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) &&
          extraCount == 1 && extra[0] == EXTRASAMPLE_UNASSALPHA)) {
      samples = 0;  // alpha of the wrong kind
    }
    std::vector<unsigned char> line(TIFFScanlineSize(tif));
    for (uint32_t y = 0; samples && y < h; ++y) {
      if (TIFFReadScanline(tif, line.data(), y, 0) < 0) break;
      for (uint32_t x = 0; x < w; ++x) {
        const unsigned char* s = line.data() + x * samples;
        picture.pixels.push_back(
            argb(samples == 4 ? s[3] : 255, s[0], s[1], s[2]));
      }
    }
  }
  TIFFClose(tif);
  picture.width = int(w);
  picture.height = int(h);
  picture.samples = samples;
  return picture;
}

Picture readJpeg(const std::string& path, int* subsampling) {
  Picture picture;
  std::vector<unsigned char> bytes = readBytes(path);
  tjhandle handle = tjInitDecompress();
  int colourspace = 0;
  if (tjDecompressHeader3(handle, bytes.data(), bytes.size(), &picture.width,
                          &picture.height, subsampling, &colourspace) == 0) {
    std::vector<unsigned char> rgb(std::size_t(picture.width) * picture.height *
                                   3);
    if (tjDecompress2(handle, bytes.data(), bytes.size(), rgb.data(),
                      picture.width, 0, picture.height, TJPF_RGB, 0) == 0) {
      for (std::size_t i = 0; i < rgb.size(); i += 3)
        picture.pixels.push_back(argb(255, rgb[i], rgb[i + 1], rgb[i + 2]));
    }
  }
  tjDestroy(handle);
  return picture;
}

Picture readGif(const std::string& path, int* colourCount) {
  Picture picture;
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (!gif) return picture;
  if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1) {
    const SavedImage& image = gif->SavedImages[0];
    const ColorMapObject* map =
        image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    picture.width = image.ImageDesc.Width;
    picture.height = image.ImageDesc.Height;
    *colourCount = map ? map->ColorCount : 0;
    for (int i = 0; map && i < picture.width * picture.height; ++i) {
      const GifColorType c = map->Colors[image.RasterBits[i]];
      picture.pixels.push_back(argb(255, c.Red, c.Green, c.Blue));
    }
  }
  DGifCloseFile(gif, &error);
  return picture;
}

// The colour each opaque-only format must show: the premultiplied colour,
// i.e. the pixel over black.
uint32_t overBlack(uint32_t pixel) { return pixel | 0xFF000000u; }

void expectSamePixels(const Bitmap& bitmap, const Picture& picture) {
  ASSERT_EQ(picture.width, bitmap.width());
  ASSERT_EQ(picture.height, bitmap.height());
  ASSERT_EQ(picture.pixels.size(),
            std::size_t(bitmap.width()) * bitmap.height());
  for (int y = 0; y < bitmap.height(); ++y)
    for (int x = 0; x < bitmap.width(); ++x)
      ASSERT_EQ(picture.at(x, y), overBlack(bitmap.row(y)[x])) << x << "," << y;
}

// Per pixel, the largest difference of any channel between the bitmap and
// the picture; the worst and the mean of these.
struct Error {
  int worst = 0;
  double mean = 0.0;
};

Error errorOf(const Bitmap& bitmap, const Picture& picture) {
  Error e;
  for (int y = 0; y < bitmap.height(); ++y)
    for (int x = 0; x < bitmap.width(); ++x) {
      const uint32_t a = bitmap.row(y)[x], b = picture.at(x, y);
      const int d = std::max({std::abs(int(red(a)) - int(red(b))),
                              std::abs(int(green(a)) - int(green(b))),
                              std::abs(int(blue(a)) - int(blue(b)))});
      e.worst = std::max(e.worst, d);
      e.mean += d;
    }
  e.mean /= double(bitmap.width()) * bitmap.height();
  return e;
}

TEST(ImageFileTest, BmpRoundTripIsExact) {
  TempDir dir;
  Bitmap bitmap(Width, Height);
  paintNoise(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writeImageFile(bitmap, ImageBmp, dir.file("a.bmp"), err))
      << err.str();
  EXPECT_EQ(err.str(), "");
  expectSamePixels(bitmap, readBmp(dir.file("a.bmp")));
}

TEST(ImageFileTest, OpaqueTiffIsRgbAndExact) {
  TempDir dir;
  Bitmap bitmap(Width, Height);
  paintNoise(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writeImageFile(bitmap, ImageTiff, dir.file("a.tif"), err))
      << err.str();
  const Picture picture = readTiff(dir.file("a.tif"));
  EXPECT_EQ(picture.samples, 3);
  expectSamePixels(bitmap, picture);
}

TEST(ImageFileTest, TranslucentTiffKeepsUnpremultipliedAlpha) {
  TempDir dir;
  Bitmap bitmap(3, 2);
  paintTranslucent(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writeImageFile(bitmap, ImageTiff, dir.file("t.tif"), err))
      << err.str();
  const Picture picture = readTiff(dir.file("t.tif"));
  ASSERT_EQ(picture.samples, 4);
  ASSERT_EQ(picture.pixels.size(), 6u);
  EXPECT_EQ(picture.at(0, 0), argb(0, 0, 0, 0));
  EXPECT_EQ(picture.at(1, 0), argb(128, 128, 64, 0));
  EXPECT_EQ(picture.at(2, 0), argb(51, 255, 0, 255));
  EXPECT_EQ(picture.at(0, 1), argb(255, 16, 32, 48));
  EXPECT_EQ(picture.at(1, 1), argb(255, 255, 255, 255));
  EXPECT_EQ(picture.at(2, 1), argb(0, 0, 0, 0));
}

TEST(ImageFileTest, FormatsWithoutAlphaShowTranslucencyOverBlack) {
  TempDir dir;
  Bitmap bitmap(3, 2);
  paintTranslucent(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writeImageFile(bitmap, ImageBmp, dir.file("t.bmp"), err));
  ASSERT_TRUE(writeImageFile(bitmap, ImageGif, dir.file("t.gif"), err));
  ASSERT_TRUE(writeImageFile(bitmap, ImageJpeg, dir.file("t.jpg"), err));
  const Picture bmp = readBmp(dir.file("t.bmp"));
  EXPECT_EQ(bmp.at(0, 0), argb(255, 0, 0, 0));
  EXPECT_EQ(bmp.at(1, 0), argb(255, 64, 32, 0));
  expectSamePixels(bitmap, bmp);
  int colours = 0;
  expectSamePixels(bitmap, readGif(dir.file("t.gif"), &colours));
  int subsampling = -1;
  const Picture jpeg = readJpeg(dir.file("t.jpg"), &subsampling);
  ASSERT_EQ(jpeg.pixels.size(), 6u);
  // The clear pixel beside the white one must stay dark, not white.
  EXPECT_LT(red(jpeg.at(2, 1)) + green(jpeg.at(2, 1)) + blue(jpeg.at(2, 1)),
            3u * 40);
}

TEST(ImageFileTest, JpegIsFullChromaAndClose) {
  TempDir dir;
  Bitmap bitmap(Width, Height);
  paintGradient(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writeImageFile(bitmap, ImageJpeg, dir.file("a.jpg"), err))
      << err.str();
  int subsampling = -1;
  const Picture picture = readJpeg(dir.file("a.jpg"), &subsampling);
  EXPECT_EQ(subsampling, TJSAMP_444);
  ASSERT_EQ(picture.width, Width);
  ASSERT_EQ(picture.height, Height);
  ASSERT_EQ(picture.pixels.size(), std::size_t(Width) * Height);
  EXPECT_LE(errorOf(bitmap, picture).worst, 8);
}

TEST(ImageFileTest, GifWithFewColoursIsExact) {
  TempDir dir;
  Bitmap bitmap(Width, Height);
  paintFewColours(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writeImageFile(bitmap, ImageGif, dir.file("a.gif"), err))
      << err.str();
  int colours = 0;
  const Picture picture = readGif(dir.file("a.gif"), &colours);
  EXPECT_EQ(colours, 16);
  expectSamePixels(bitmap, picture);
}

TEST(ImageFileTest, GifWithManyColoursIsQuantised) {
  TempDir dir;
  Bitmap bitmap(Width, Height);
  paintGradient(bitmap);
  std::ostringstream err;
  // Any image type outside 0 to 3 is a GIF.
  ASSERT_TRUE(writeImageFile(bitmap, 7, dir.file("a.gif"), err)) << err.str();
  int colours = 0;
  const Picture picture = readGif(dir.file("a.gif"), &colours);
  EXPECT_EQ(colours, 256);
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
  Bitmap bitmap(4, 4);
  paintNoise(bitmap);
  const std::string name = dir.file("absent/a.bmp");
  std::ostringstream err;
  EXPECT_FALSE(writeImageFile(bitmap, ImageBmp, name, err));
  EXPECT_EQ(err.str(), "marl: error: cannot write '" + name +
                           "': No such file or directory\n");
  EXPECT_TRUE(dir.entries().empty());
}

TEST(ImageFileTest, ReplacesAnExistingFileWhole) {
  TempDir dir;
  const std::string name = dir.file("a.bmp");
  {
    std::ofstream old(name, std::ios::binary);
    old << std::string(100000, 'x');
  }
  Bitmap bitmap(Width, Height);
  paintNoise(bitmap);
  std::ostringstream err;
  ASSERT_TRUE(writeImageFile(bitmap, ImageBmp, name, err)) << err.str();
  // 54 bytes of headers and rows padded to 4 bytes.
  EXPECT_EQ(fs::file_size(name), 54u + 112u * Height);
  expectSamePixels(bitmap, readBmp(name));
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.bmp"});
}

TEST(ImageFileTest, FileTakesUsualModeNotPrivateOne) {
  TempDir dir;
  Bitmap bitmap(2, 2);
  const mode_t previous = umask(022);
  std::ostringstream err;
  const bool written = writeImageFile(bitmap, ImageBmp, dir.file("m.bmp"), err);
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
  Bitmap bitmap(2, 2);
  std::ostringstream err;
  ASSERT_TRUE(writeImageFile(bitmap, ImageGif, dir.file(base), err))
      << err.str();
  EXPECT_EQ(dir.entries(), std::vector<std::string>{base});
}

TEST(ImageFileTest, FailuresBeforeAndAfterEncodingLeaveNoFile) {
  TempDir dir;
  Bitmap bitmap(4, 4);
  const std::string name = dir.file("a.png");
  std::ostringstream err;

  EXPECT_FALSE(writeImageFile(bitmap, "image/png", imageEncoders(), name, err));
  EXPECT_EQ(err.str(), "marl: error: cannot write '" + name +
                           "': no encoder for image/png\n");

  const std::vector<ImageEncoder> failing = {
      {"image/png",
       [](const Bitmap&, std::vector<unsigned char>& out, std::string& error) {
         out.assign(10, 0);
         error = "disk of the encoder on fire";
         return false;
       }}};
  err.str("");
  EXPECT_FALSE(writeImageFile(bitmap, "image/png", failing, name, err));
  EXPECT_EQ(err.str(), "marl: error: cannot write '" + name +
                           "': disk of the encoder on fire\n");

  Bitmap broken(0, 0);
  err.str("");
  EXPECT_FALSE(writeImageFile(broken, ImageBmp, dir.file("b.bmp"), err));
  EXPECT_NE(
      err.str().find("marl: error: cannot write '" + dir.file("b.bmp") + "': "),
      std::string::npos);
  EXPECT_TRUE(dir.entries().empty());
}

TEST(ImageFileTest, RenameOntoAFolderFailsCleanly) {
  TempDir dir;
  const std::string name = dir.file("taken");
  ASSERT_TRUE(fs::create_directory(name));
  Bitmap bitmap(4, 4);
  std::ostringstream err;
  EXPECT_FALSE(writeImageFile(bitmap, ImageTiff, name, err));
  EXPECT_EQ(err.str(),
            "marl: error: cannot write '" + name + "': Is a directory\n");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"taken"});
  EXPECT_TRUE(fs::is_empty(name));
}

}  // namespace
}  // namespace marl
