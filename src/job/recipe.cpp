#include "job/recipe.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <sstream>

#include "base/choice_words.h"
#include "base/escaped_text.h"
#include "job/picture_plan.h"
#include "options/option_table.h"

namespace marl {

namespace {

const std::string CheckKey = std::string(key::Check) + "=";
// Every recipe begins with this line, found by its start up to the colon.
const char HeaderLine[] =
    "\\ marl recipe: 'marl file=PICTURE' makes this picture again; options"
    " on the command line win\n";
const std::size_t HeaderMark = sizeof "\\ marl recipe:" - 1;
// A recipe copied through a Windows editor is still the same recipe.
std::string withoutReturn(const std::string& line) {
  return !line.empty() && line.back() == '\r' ? line.substr(0, line.size() - 1)
                                              : line;
}

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

// Only what differs from the default, so that a recipe without colour
// options reads as it always has.
void writeColourKeys(std::ostream& r, const ColourSettings& c,
                     const Palette* palette) {
  if (!c.stops.empty()) {
    r << key::Colors << "=";
    for (std::size_t i = 0; i < c.stops.size(); ++i) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "%06x", unsigned(c.stops[i] & 0xFFFFFFu));
      r << (i > 0 ? "," : "") << hex;
    }
    r << "\n";
  }
  if (palette) r << key::Palette << "=" << palette->name << "\n";
  if (c.reverse) r << key::Reverse << "=true\n";
  if (c.blend != Blend::Rgb)
    r << key::Blend << "=" << wordFor(BlendWords, c.blend) << "\n";
  if (c.tone != Tone::Equalize)
    r << key::Tone << "=" << wordFor(ToneWords, c.tone) << "\n";
  if (c.gamma != 1.0) r << key::Gamma << "=" << real(c.gamma) << "\n";
}

// FNV-1a, 64 bits (from RecipeChecker::HashStart, see there): enough to tell
// an edit from a whole recipe, not a seal.
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
std::string shapeLines(const PictureOptions& s) {
  std::string lines;
  if (s.width)
    lines += std::string(key::Width) + "=" + std::to_string(*s.width) + "\n";
  if (s.height)
    lines += std::string(key::Height) + "=" + std::to_string(*s.height) + "\n";
  if (s.shiftX != 0.0)
    lines += std::string(key::ShiftX) + "=" + real(s.shiftX) + "\n";
  if (s.shiftY != 0.0)
    lines += std::string(key::ShiftY) + "=" + real(s.shiftY) + "\n";
  return lines;
}

}  // namespace

bool isRecipeKey(const std::string& key) { return isRecipeOnlyKey(key); }

std::string recipeOf(const PicturePlan& plan) {
  const std::optional<FrameOfAnimation>& frame = plan.frame;
  if (!frame) return withCheckLine(recipeLinesOf(plan));
  return withCheckLine(frame->recipeLines + key::Frame + "=" +
                       std::to_string(frame->index) + "\n");
}

std::string withCheckLine(const std::string& lines) {
  return lines + CheckKey + hexOf(hashOn(RecipeChecker::HashStart, lines)) +
         "\n";
}

std::string recipeReal(double value) { return real(value); }

std::string recipeLinesOf(const PicturePlan& p) {
  const PictureOptions& s = p.options;
  const TorusMap& map = p.map;
  std::ostringstream r;
  r << HeaderLine;
  for (int c = 0; c < 6; ++c) {
    const uint32_t colour = c < 3 ? p.startColour : p.finishColour;
    r << key::Channels[c] << "=" << ((colour >> (16 - 8 * (c % 3))) & 0xFF)
      << "\n";
  }
  writeColourKeys(r, s.colour, p.palette);
  r << key::Basename << "=" << s.basename << "\n"
    << key::Image << "=" << s.format->name << "\n";
  // Written only when not the default, so a default picture's recipe reads
  // as it always has.
  if (s.depth != 8) r << key::Depth << "=" << s.depth << "\n";
  if (s.lossless) r << key::Quality << "=lossless\n";
  if (s.quality > 0) r << key::Quality << "=" << s.quality << "\n";
  if (s.background.kind == Background::Transparent)
    r << key::Background << "=none\n";
  if (s.background.kind == Background::Colour) {
    char colour[8];
    std::snprintf(colour, sizeof colour, "%06X", s.background.colour);
    r << key::Background << "=" << colour << "\n";
  }
  r << key::It << "=" << s.iterationMaximum << "\n"
    << key::Size << "=" << s.side << "\n"
    << shapeLines(s)
    << key::Detail << "=" << map.detail << "\n"
    << key::Mode << "="
    << (s.mode == JobSettings::Mode::Fast ? "fast" : "exact") << "\n";
  // Only with a seed, so that a recipe of a run without one reads as it
  // always has.
  if (s.seed) r << key::Seed << "=" << *s.seed << "\n";
  r    << key::Number << "=" << p.imageNumber << "\n"
    << key::Attempt << "=" << p.attempt << "\n"
    << key::Linear << "=" << map.linearCoefficient << "\n"
    << key::Offset << "=" << real(map.offsetX) << "\n"
    << key::StartX << "=" << real(map.x) << "\n"
    << key::StartY << "=" << real(map.y) << "\n";
  std::vector<double> coefficients;
  for (int32_t i = 0; i < map.detail; ++i)
    for (int32_t j = 0; j < map.detail; ++j)
      coefficients.push_back(map.coefficientMatrix[i][j]);
  r << key::Coefficients << "="
    << realList(coefficients.data(), coefficients.size())
    << "\n";
  if (p.tiling) {
    const QuaziSettings& q = *p.tiling;
    r << key::Quazi << "=true\n"
      << key::Qline << "=" << q.qline << "\n"
      << key::Qsize << "=" << q.qsize << "\n"
      << key::Qx << "=" << q.qx << "\n"
      << key::Qy << "=" << q.qy << "\n"
      << key::Qscale << "=" << real(q.qscale) << "\n"
      << key::Qsep << "=" << real(q.qsep) << "\n"
      << key::Spacings << "="
      << realList(p.spacingUnits.data(), p.spacingUnits.size())
      << "\n";
  }
  return r.str();
}

void RecipeChecker::addLine(const std::string& raw) {
  if (checkSeen_) return;
  const std::string line = withoutReturn(raw);
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos || !isRecipeKey(line.substr(0, equals))) {
    hash_ = hashOn(hash_, line + "\n");
    return;
  }
  recipe_ = true;
  if (line.compare(0, CheckKey.size(), CheckKey) != 0) {
    hash_ = hashOn(hash_, line + "\n");
    return;
  }
  const std::string given = line.substr(CheckKey.size());
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

namespace {

constexpr std::size_t None = std::string::npos;

// Lines holding more than blanks and line ends.
std::size_t linesIn(const std::string& text) {
  std::size_t count = 0;
  bool content = false;
  for (const char c : text) {
    if (c == '\n') {
      count += content;
      content = false;
    } else if (c != '\r' && c != ' ' && c != '\t') {
      content = true;
    }
  }
  return count + content;
}

// Where a recipe's first line begins in `text`, at the start of a line.
std::size_t headerIn(const std::string& text) {
  for (std::size_t at = 0; (at = text.find(HeaderLine, at, HeaderMark)) != None;
       ++at) {
    if (at == 0 || text[at - 1] == '\n') return at;
  }
  return None;
}

// Why a line after the first is not one recipeOf writes; empty when it is.
std::string unwrittenLine(const std::vector<std::string>& lines) {
  std::vector<std::string> seen;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string line = withoutReturn(lines[i]);
    // A comment, as a parameter file has them, changes nothing made (an
    // animation's recipe says in one how to use it); the check covers it.
    if ((!line.empty() && line[0] == '\\') ||
        (line.size() > 1 && line[1] == '\\'))
      continue;
    const std::size_t equals = line.find('=');
    if (equals == None)
      return "its recipe holds a line without '=': '" + escapedText(line) + "'";
    const std::string key = line.substr(0, equals);
    if (!isWrittenKey(key)) {
      return "its recipe holds the key '" + escapedText(key) +
             "', which marl never writes into a recipe";
    }
    for (const std::string& earlier : seen) {
      if (earlier == key) return "its recipe gives " + key + " twice";
    }
    seen.push_back(key);
  }
  return std::string();
}

}  // namespace

FoundRecipe findRecipe(const std::vector<std::string>& texts) {
  FoundRecipe found;
  std::size_t first = 0;
  std::size_t at = None;
  while (first < texts.size() && (at = headerIn(texts[first])) == None)
    ++first;
  if (at == None) return found;
  found.status = FoundRecipe::Status::Broken;
  for (std::size_t t = 0; t < first; ++t) found.otherLines += linesIn(texts[t]);
  found.otherLines += linesIn(texts[first].substr(0, at));

  // The texts from the first line on, joined, and where each of them ends.
  std::string joined = texts[first].substr(at);
  std::vector<std::size_t> ends = {joined.size()};
  for (std::size_t t = first + 1; t < texts.size(); ++t) {
    joined += texts[t];
    ends.push_back(joined.size());
  }
  RecipeChecker checker;
  std::vector<std::string> lines;
  std::size_t lineEnd = 0;
  for (std::size_t from = 0; from < joined.size() && !checker.ended();) {
    lineEnd = std::min(joined.find('\n', from), joined.size());
    lines.push_back(joined.substr(from, lineEnd - from));
    checker.addLine(lines.back());
    from = lineEnd + 1;
  }
  std::string why;
  if (!checker.ended()) {
    found.why = "its recipe is cut or changed: it ends before its check line";
    return found;
  }
  if (checker.verdict(why) != RecipeChecker::Verdict::Whole) {
    found.why = "its recipe is cut or changed: its check line does not "
                "match; give changes on the command line instead";
    return found;
  }
  // The text that holds the check line ends with it.
  std::size_t last = 0;
  while (ends[last] < lineEnd) ++last;
  for (std::size_t i = lineEnd; i < ends[last]; ++i) {
    if (joined[i] != '\n' && joined[i] != '\r') {
      found.why = "it holds text after the recipe's check: '" +
                  escapedText(joined.substr(i, 60)) + "'";
      return found;
    }
  }
  found.why = unwrittenLine(lines);
  if (!found.why.empty()) return found;
  for (std::size_t t = first + last + 1; t < texts.size(); ++t)
    found.otherLines += linesIn(texts[t]);
  found.status = FoundRecipe::Status::Whole;
  found.text = joined.substr(0, lineEnd) + "\n";
  return found;
}

}  // namespace marl
