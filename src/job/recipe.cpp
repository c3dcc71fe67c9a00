#include "job/recipe.h"

#include <cinttypes>
#include <cstdio>
#include <sstream>

#include "job/picture_job.h"

namespace marl {

namespace {

const char* const RecipeKeys[] = {"linear",       "offset", "startx",
                                   "starty",       "coefficients",
                                   "number",       "attempt", "spacings",
                                   "check"};
const char CheckKey[] = "check=";

std::string real(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

std::string realList(const double* values, std::size_t count) {
  std::string list;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) list += ',';
    list += real(values[i]);
  }
  return list;
}

// FNV-1a, 64 bits: enough to tell an edit from a whole recipe, not a seal.
uint64_t hashOn(uint64_t hash, const std::string& text) {
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string hexOf(uint64_t hash) {
  char text[20];
  std::snprintf(text, sizeof text, "%016" PRIx64, hash);
  return text;
}

// The cut, only where it is not the square itself, so that a square
// picture's recipe reads as it always has.
std::string shapeLines(const JobSettings& s) {
  std::string lines;
  if (s.width) lines += "width=" + std::to_string(*s.width) + "\n";
  if (s.height) lines += "height=" + std::to_string(*s.height) + "\n";
  if (s.shiftX != 0.0) lines += "shiftx=" + real(s.shiftX) + "\n";
  if (s.shiftY != 0.0) lines += "shifty=" + real(s.shiftY) + "\n";
  return lines;
}

}  // namespace

bool isRecipeKey(const std::string& key) {
  for (const char* k : RecipeKeys) {
    if (key == k) return true;
  }
  return false;
}

std::string recipeOf(const PictureJob& job) {
  const JobSettings& s = job.settings();
  const PictureParameters& p = job.parameters();
  const StartOfMap& start = job.start();
  const TorusMap& map = job.map();
  std::ostringstream r;
  r << "\\ marl recipe: 'marl file=PICTURE' makes this picture again; options"
       " on the command line win\n";
  const char* channelKeys[6] = {"R0", "G0", "B0", "R1", "G1", "B1"};
  for (int c = 0; c < 6; ++c) {
    const uint32_t colour = c < 3 ? p.startColour : p.finishColour;
    r << channelKeys[c] << "=" << ((colour >> (16 - 8 * (c % 3))) & 0xFF)
      << "\n";
  }
  r << "basename=" << s.basename << "\n"
    << "image=" << s.format->name << "\n"
    << "it=" << s.iterationMaximum << "\n"
    << "size=" << job.grid().size() << "\n"
    << shapeLines(s)
    << "detail=" << map.detail << "\n"
    << "mode="
    << (s.mode == JobSettings::Mode::Fast ? "fast" : "exact") << "\n"
    << "number=" << start.imageNumber << "\n"
    << "attempt=" << start.attempt << "\n"
    << "linear=" << map.linearCoefficient << "\n"
    << "offset=" << real(map.offsetX) << "\n"
    << "startx=" << real(start.x) << "\n"
    << "starty=" << real(start.y) << "\n";
  std::vector<double> coefficients;
  for (int32_t i = 0; i < map.detail; ++i)
    for (int32_t j = 0; j < map.detail; ++j)
      coefficients.push_back(map.coefficientMatrix[i][j]);
  r << "coefficients=" << realList(coefficients.data(), coefficients.size())
    << "\n";
  if (p.quazi) {
    const QuaziSettings& q = p.quaziSettings;
    r << "quazi=true\n"
      << "qline=" << q.qline << "\n"
      << "qsize=" << q.qsize << "\n"
      << "qx=" << q.qx << "\n"
      << "qy=" << q.qy << "\n"
      << "qscale=" << real(q.qscale) << "\n"
      << "qsep=" << real(q.qsep) << "\n"
      << "spacings="
      << realList(job.spacingUnits().data(), job.spacingUnits().size())
      << "\n";
  }
  const std::string lines = r.str();
  return lines + CheckKey +
         hexOf(hashOn(RecipeChecker::HashStart, lines)) + "\n";
}

void RecipeChecker::addLine(const std::string& raw) {
  if (checkSeen_) return;
  // A recipe copied through a Windows editor is still the same recipe.
  const std::string line =
      !raw.empty() && raw.back() == '\r' ? raw.substr(0, raw.size() - 1) : raw;
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos || !isRecipeKey(line.substr(0, equals))) {
    hash_ = hashOn(hash_, line + "\n");
    return;
  }
  recipe_ = true;
  if (line.compare(0, sizeof CheckKey - 1, CheckKey) != 0) {
    hash_ = hashOn(hash_, line + "\n");
    return;
  }
  const std::string given = line.substr(sizeof CheckKey - 1);
  checkSeen_ = true;
  checkMatches_ = given == hexOf(hash_);
}

RecipeChecker::Verdict RecipeChecker::verdict(std::string& why) const {
  if (!recipe_) return Verdict::NotARecipe;
  if (!checkSeen_) {
    why = "the recipe is cut short: its check line is missing";
    return Verdict::Broken;
  }
  if (!checkMatches_) {
    why = "the recipe has been changed or damaged: its check line does not "
          "match; give changes on the command line instead";
    return Verdict::Broken;
  }
  return Verdict::Whole;
}

}  // namespace marl
