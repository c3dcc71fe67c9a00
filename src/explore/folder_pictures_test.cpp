#include "explore/folder_pictures.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/picture_texts.h"
#include "support/temp_dir.h"

namespace marl {
namespace {

// A 1 x 1 GIF with a comment, for withTexts to replace.
const char TinyGif[] =
    "GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff"
    "\x21\xfe\x01x\x00"
    "\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b";
const char Head[] =
    "\\ marl recipe: 'marl file=PICTURE' makes this picture again; options"
    " on the command line win\n";
// A map marl drew, as its recipe gives it.
const char Map[] =
    "number=294\nattempt=1\nlinear=1\noffset=0\ndetail=6\n"
    "startx=0.59124108171090484\n"
    "starty=0.46322820708155632\ncoefficients=-0.24807815030217173,"
    "0.17426355406641958,-0.19775003101676702,-0.057240783423185337,"
    "0.12442868594080214,0.02875324394553902,0.25644879918545482,"
    "0.36022699344903231,0.21670010220259428,-0.001567189395427715,"
    "-0.26204142738133673,0.2540075149387121,0.18444357328116889,"
    "0.18858183342963453,0.16158488690853123,-0.27344065550714736,"
    "-0.20113096162676813,0.23329990413039925,0.24208821523934609,"
    "-0.38905331119894981,-0.35283057745546104,0.17879153341054921,"
    "-0.24538865797221662,-0.0060457261279225349,0.17897137422114606,"
    "-0.13007649779319763,-0.20225238781422378,0.20385359376668932,"
    "0.25369883663952353,0.16519291084259746,-0.14202321767807008,"
    "-0.04595072679221629,-0.077178473584353924,0.25727449525147683,"
    "-0.1051363764330745,0.25282139964401729\n";

std::string gifWith(const std::string& lines) {
  return marl_test::withTexts(std::string(TinyGif, sizeof TinyGif - 1),
                              {marl_test::sealed(Head + lines)});
}

TEST(FolderPicturesTest, EachFileIsShownOrRefusedAsFileWouldReadIt) {
  const std::string plain = "image=gif\nsize=300\nmode=fast\n";
  std::string forged = gifWith(plain + Map);
  forged.replace(forged.find("size=300"), 8, "size=301");
  struct Case {
    const char* name;
    std::string bytes;
    bool shown;
    const char* why;  // a part of the refusal
  } cases[] = {
      {"a-good.gif", gifWith(plain + Map), true, ""},
      {"b-forged.gif", forged, false, "check"},
      {"c-no-map.gif", gifWith(plain), false, "holds no map"},
      {"d-too-large.gif", gifWith("image=gif\nsize=99999\n" + std::string(Map)),
       false, "size=99999"},
      {"e-cut.gif", gifWith(plain + Map).substr(0, 30), false, "e-cut.gif"},
      {"f-no-recipe.gif", std::string(TinyGif, sizeof TinyGif - 1), false,
       "f-no-recipe.gif"},
      {"g-names-a-file.gif", gifWith(plain + "morph=/etc/passwd\n" + Map), false,
       "morph"},
  };
  marl_test::TempDir dir;
  for (const Case& c : cases)
    std::ofstream(dir.file(c.name), std::ios::binary) << c.bytes;
  // Neither a note nor a subfolder is a picture to show or refuse.
  std::ofstream(dir.file("notes.txt")) << "size=99999\n";
  std::filesystem::create_directory(dir.file("sub"));
  std::ofstream(dir.file("sub/inner.gif"), std::ios::binary) << gifWith(plain + Map);

  const FolderLook look = lookAtFolder(dir.path());
  EXPECT_EQ(look.error, "");
  EXPECT_EQ(look.notPictures, 1u);
  ASSERT_EQ(look.entries.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const FolderEntry& entry = look.entries[i];
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(entry.name, cases[i].name);
    EXPECT_EQ(entry.shown, cases[i].shown) << entry.why;
    EXPECT_NE(entry.why.find(cases[i].why), std::string::npos) << entry.why;
  }
  EXPECT_EQ(look.entries[0].type, "image/gif");
  EXPECT_EQ(look.entries[0].recipe.at("size"), "300");
  EXPECT_EQ(look.entries[0].recipe.count("check"), 0u);

  EXPECT_NE(lookAtFolder(dir.file("none")).error, "");
}

TEST(FolderPicturesTest, FilesAreServedOnlyByTheirNumberAndOnlyWhenShowable) {
  marl_test::TempDir dir;
  std::ofstream(dir.file("a.gif"), std::ios::binary) << gifWith(Map);
  std::ofstream(dir.file("b.tif"), std::ios::binary) << "TIFF";
  FolderFiles files;
  const std::size_t a = files.numberOf(dir.file("a.gif"), "image/gif");
  const std::size_t b = files.numberOf(dir.file("b.tif"), "");
  EXPECT_NE(a, b);
  EXPECT_EQ(files.numberOf(dir.file("a.gif"), "image/gif"), a);
  std::string bytes, type;
  ASSERT_TRUE(files.read(a, bytes, type));
  EXPECT_EQ(bytes, gifWith(Map));
  EXPECT_EQ(type, "image/gif");
  EXPECT_FALSE(files.read(b, bytes, type));  // no browser shows it
  EXPECT_FALSE(files.read(b + 1, bytes, type));
  std::filesystem::remove(dir.file("a.gif"));
  EXPECT_FALSE(files.read(a, bytes, type));
}

}  // namespace
}  // namespace marl
