#include "colour/palettes.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "colour/matplotlib_palettes.h"

namespace marl {

namespace {

struct OwnDesign {
  const char* name;
  std::vector<uint32_t> stops;  // 0xRRGGBB
};

// Ours, for pictures of attractors: most start dark, so the empty torus is
// a quiet ground and the orbit glows; ink starts on paper, for print.
const OwnDesign OwnDesigns[] = {
    {"ember", {0x000000, 0x2b0a05, 0x6e1607, 0xb8360a, 0xec7014, 0xfbbf45, 0xfff5d6}},
    {"glacier", {0x02040f, 0x0a1f44, 0x124a86, 0x2a84c0, 0x6cc3e0, 0xc3ecf5, 0xffffff}},
    {"lagoon", {0x001219, 0x005f73, 0x0a9396, 0x94d2bd, 0xe9d8a6}},
    {"aurora", {0x03061a, 0x0b2545, 0x13655c, 0x21a179, 0x8ee28a, 0xe8f9a6}},
    {"dusk", {0x120b2e, 0x3b1f5c, 0x7a2e6e, 0xc2456b, 0xf07f5a, 0xffc878}},
    {"sepia", {0x140d07, 0x4a3220, 0x86603d, 0xc09a6b, 0xe9d7b4, 0xfffaf0}},
    {"neon", {0x07000f, 0x3a0a6b, 0xb3128f, 0xff3d7f, 0x00d1ff, 0xe6ffff}},
    {"moss", {0x07140b, 0x183a22, 0x3d6b2f, 0x7d9b3a, 0xc9c86a, 0xf5f0d0}},
    {"rose", {0x12060c, 0x4a1030, 0x8e2356, 0xd0507f, 0xf2a0b8, 0xfff0f4}},
    {"brass", {0x0c0904, 0x3c2a0c, 0x7a5a17, 0xb8902e, 0xe6c766, 0xfff4cf}},
    {"ink", {0xf8f4ea, 0xd8d2c4, 0x8f8b84, 0x3d3a3a, 0x0b0b10}},
    {"spectrum", {0x2d0b59, 0x3b4cc0, 0x1f9ad6, 0x2fd0a0, 0xa5e34a, 0xf9d423, 0xf5761a, 0xc0262d}},
};

std::vector<Palette> makePalettes() {
  std::vector<Palette> palettes;
  for (std::size_t i = 0; i < ListedPaletteCount; ++i) {
    const ListedPalette& listed = ListedPalettes[i];
    Palette p{listed.name, {}, listed.licence};
    for (std::size_t s = 0; s < listed.count; ++s)
      p.stops.push_back({listed.stops[s][0], listed.stops[s][1], listed.stops[s][2]});
    palettes.push_back(std::move(p));
  }
  for (const OwnDesign& own : OwnDesigns) {
    Palette p{own.name, {}, "marl's own design, under marl's licence"};
    for (uint32_t stop : own.stops) p.stops.push_back(rgbFromHex(stop));
    palettes.push_back(std::move(p));
  }
  return palettes;
}

std::string lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Levenshtein distance: insertions, deletions and substitutions.
std::size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1,
                         diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

const std::vector<Palette>& builtInPalettes() {
  static const std::vector<Palette> palettes = makePalettes();
  return palettes;
}

const Palette* findPalette(const std::string& name) {
  for (const Palette& p : builtInPalettes()) {
    if (p.name == name) return &p;
  }
  return nullptr;
}

std::vector<std::string> nearestPaletteNames(const std::string& name) {
  // Long words cost time and are no palette; compare their start only.
  const std::string wanted = lower(name.substr(0, 64));
  std::vector<std::pair<std::size_t, std::size_t>> ranked;  // distance, index
  const std::vector<Palette>& palettes = builtInPalettes();
  for (std::size_t i = 0; i < palettes.size(); ++i)
    ranked.emplace_back(editDistance(wanted, palettes[i].name), i);
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> names;
  for (std::size_t k = 0; k < ranked.size() && k < 3; ++k)
    names.push_back(palettes[ranked[k].second].name);
  return names;
}

const Palette& paletteForNumber(int32_t number) {
  const std::vector<Palette>& palettes = builtInPalettes();
  const int64_t count = int64_t(palettes.size());
  return palettes[std::size_t(((int64_t(number) % count) + count) % count)];
}

}  // namespace marl
