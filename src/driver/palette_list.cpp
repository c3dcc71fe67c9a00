#include "driver/palette_list.h"

#include <cstdio>

#include "colour/palettes.h"
#include "options/option_keys.h"

namespace marl {

namespace {

constexpr std::size_t ShownStops = 16;

}  // namespace

bool printPalettesIfAsked(const ArgumentMap& map, std::ostream& out) {
  const std::string* value = map.find(key::Palette);
  if (!value || *value != "list") return false;
  for (const Palette& p : builtInPalettes()) {
    const std::size_t count = p.stops.size();
    const std::size_t shown = count < ShownStops ? count : ShownStops;
    out << p.name << " ";
    for (std::size_t i = 0; i < shown; ++i) {
      const std::size_t at = (i * (count - 1) + (shown - 1) / 2) / (shown - 1);
      char hex[8];
      std::snprintf(hex, sizeof hex, "%06x", packArgb8(p.stops[at]) & 0xFFFFFFu);
      out << (i > 0 ? "," : "") << hex;
    }
    if (shown < count) out << " (" << shown << " of " << count << " stops)";
    out << "\n";
  }
  out << "palette=random picks one of these by the picture's number\n";
  out.flush();
  return true;
}

}  // namespace marl
