#include "image/image_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
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
#include "support/picture_writing.h"
#include "support/sync_calls.h"
#include "support/temp_dir.h"

namespace marl {
namespace {

namespace fs = std::filesystem;
using marl_test::Pixels;
using marl_test::TempDir;
using namespace marl_test;

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
    // Unnamed in the folder where the file system allows it, linked by its
    // /proc path; otherwise named beside the name and renamed.
    const bool unnamed = calls[0].rfind("fsync file " + folder + "/#", 0) == 0;
    if (!unnamed) {
      EXPECT_EQ(calls[0].rfind("fsync file " + name + ".tmp-", 0), 0u)
          << calls[0];
    }
    if (c.failing == "fsync file") {
      EXPECT_EQ(calls.size(), 1u);
      continue;
    }
    const std::string temporary = calls[0].substr(std::strlen("fsync file "));
    ASSERT_EQ(calls.size(), 3u);
    if (unnamed) {
      EXPECT_EQ(calls[1].rfind("link /proc/self/fd/", 0), 0u) << calls[1];
      EXPECT_EQ(calls[1].substr(calls[1].size() - name.size() - 1), " " + name);
    } else {
      EXPECT_EQ(calls[1], "rename " + temporary + " " + name);
    }
    EXPECT_EQ(calls[2], "fsync folder " + folder);
  }
}

// A named temporary file a signal could not remove is never made; an
// unnamed one needs no listing, so a picture is still written where the
// file system gives those.
TEST(ImageFileTest, FullRegistryOfTemporaryFilesFailsANamedFileWithoutAFile) {
  TempDir dir;
  std::vector<int> entries;
  for (int entry; (entry = registerTemporaryFile("held")) >= 0;)
    entries.push_back(entry);
  EXPECT_EQ(entries.size(), std::size_t(MaxTemporaryFiles));
  const std::string name = dir.file("a.gif");
  {
    TemporaryFile named;
    EXPECT_FALSE(named.createNamed(name));
    EXPECT_EQ(errno, EMFILE);
  }
  EXPECT_TRUE(dir.entries().empty());
  bool unnamed = false;
  {
    TemporaryFile probe;
    unnamed = probe.create(name) && probe.unnamed();
  }
  std::ostringstream err;
  EXPECT_EQ(writePicture(picture(2, 2), ImageGif, name, err), unnamed);
  if (!unnamed) {
    EXPECT_EQ(err.str(),
              "marl: error: cannot write '" + name + "': Too many open files\n");
    EXPECT_TRUE(dir.entries().empty());
  }
  forgetTemporaryFile(entries.back());
  TemporaryFile named;
  EXPECT_TRUE(named.createNamed(dir.file("b.gif")));
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
