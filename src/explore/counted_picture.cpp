#include "explore/counted_picture.h"

#include "colour/palettes.h"
#include "explore/preview_webp.h"
#include "job/picture_colours.h"
#include "job/picture_draws.h"
#include "job/picture_files.h"
#include "job/picture_job.h"

namespace marl {

std::size_t CountedPicture::bytes() const {
  const std::size_t side = plan.options.side + 10;
  return side * side * sizeof(uint32_t) + sizeof(*this);
}

std::unique_ptr<CountedPicture> countPicture(const JobSettings& settings,
                                             RandomSource& random,
                                             std::time_t now,
                                             std::string& why) {
  auto counted = std::make_unique<CountedPicture>();
  counted->console = std::make_unique<FillConsole>();
  std::optional<PreparedPicture> prepared =
      preparePicture(settings, random, now, *counted->console);
  if (!prepared || !prepared->hits->finish(prepared->plan)) {
    why = counted->console->takeDiagnostics();
    if (why.empty()) why = "the picture cannot be counted";
    return nullptr;
  }
  counted->plan = std::move(prepared->plan);
  counted->hits = std::move(prepared->hits);
  return counted;
}

namespace {

std::vector<unsigned char> colouredPreview(const PicturePlan& plan,
                                           HitGrid& grid) {
  PictureColours colours = colourHits(plan, grid, false);
  GridRows rows = pictureRows(plan, grid, colours.files, 8);
  return previewWebp(rows);
}

}  // namespace

PicturePlan recolouredPlan(const PicturePlan& kept,
                           const JobSettings& settings) {
  PicturePlan plan = kept;
  plan.options.colour = settings.colour;
  plan.options.background = settings.background;
  plan.palette = nullptr;
  // The recipe gives both colours, so nothing is really drawn here.
  RandomSource random;
  QuietConsole quiet;
  drawColours(settings, random, quiet, plan);
  if (settings.colour.palette == "random")
    plan.palette = &paletteForNumber(plan.imageNumber);
  return plan;
}

std::vector<unsigned char> previewOf(const PicturePlan& plan, HitGrid& grid) {
  // The density filter works on the counts in place, and the kept counts
  // must stay as counted for the next colour asked: a filtered preview is
  // made from a copy.
  if (plan.options.colour.filter != FilterKind::None) {
    HitGrid filtered = grid;
    return colouredPreview(plan, filtered);
  }
  return colouredPreview(plan, grid);
}

std::string dataUrlOf(const std::vector<unsigned char>& webp) {
  static const char Alphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text = "data:image/webp;base64,";
  text.reserve(text.size() + (webp.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < webp.size(); i += 3) {
    const uint32_t v = uint32_t(webp[i]) << 16 | uint32_t(webp[i + 1]) << 8 |
                       webp[i + 2];
    for (int s = 18; s >= 0; s -= 6) text += Alphabet[(v >> s) & 63];
  }
  if (i < webp.size()) {
    uint32_t v = uint32_t(webp[i]) << 16;
    if (i + 1 < webp.size()) v |= uint32_t(webp[i + 1]) << 8;
    text += Alphabet[(v >> 18) & 63];
    text += Alphabet[(v >> 12) & 63];
    text += i + 1 < webp.size() ? Alphabet[(v >> 6) & 63] : '=';
    text += '=';
  }
  return text;
}

}  // namespace marl
