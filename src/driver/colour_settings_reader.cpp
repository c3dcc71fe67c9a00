#include "driver/colour_settings_reader.h"

#include <string>
#include <vector>

#include "base/escaped_text.h"
#include "colour/palettes.h"
#include "options/option_keys.h"

namespace marl {

namespace {

constexpr std::size_t MostStops = 16;

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') ||
         (c >= 'A' && c <= 'F');
}

// The stops of a colors= value, or false with `why` set.
bool parseStops(const std::string& text, std::vector<uint32_t>& stops,
                std::string& why) {
  std::size_t from = 0;
  for (;;) {
    const std::size_t comma = text.find(',', from);
    std::string stop = text.substr(from, comma == std::string::npos
                                             ? std::string::npos
                                             : comma - from);
    const std::string given = stop;
    if (!stop.empty() && stop[0] == '#') stop.erase(0, 1);
    bool hex = stop.size() == 6;
    for (char c : stop) hex = hex && isHexDigit(c);
    if (!hex) {
      why = "has '" + escapedText(given) + "', which is no RRGGBB colour";
      return false;
    }
    stops.push_back(uint32_t(std::stoul(stop, nullptr, 16)));
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  if (stops.size() < 2 || stops.size() > MostStops) {
    why = "has " + std::to_string(stops.size()) + " stops, not 2 to 16";
    return false;
  }
  return true;
}

std::string nearestPalettes(const std::string& name) {
  std::string list = "the nearest are";
  const std::vector<std::string> nearest = nearestPaletteNames(name);
  for (std::size_t i = 0; i < nearest.size(); ++i)
    list += (i == 0 ? " " : ", ") + nearest[i];
  return list + " (palette=list shows them all); the colours are drawn as "
                "usual";
}

}  // namespace

void readColourSettings(OptionReader& read, JobSettings& s) {
  const ArgumentMap& map = read.map();
  ColourSettings& c = s.colour;
  c.reverse = read.onOff(key::Reverse).value_or(c.reverse);
  read.choice(key::Blend, BlendWords, c.blend);
  read.choice(key::Tone, ToneWords, c.tone);
  c.gamma = read.real(key::Gamma).value_or(c.gamma);
  read.choice(key::Filter, FilterWords, c.filter);
  c.density.radius = read.real(key::DeRadius).value_or(c.density.radius);
  c.density.curve = read.real(key::DeCurve).value_or(c.density.curve);
  c.density.mirror = read.onOff(key::DeMirror).value_or(c.density.mirror);

  auto onCommandLine = [&map](const char* key) {
    return map.has(key) && !map.isFromFile(key);
  };
  bool channelsOnCommandLine = false;
  for (const char* key : key::Channels)
    channelsOnCommandLine = channelsOnCommandLine || onCommandLine(key);
  const bool commandLineColours = channelsOnCommandLine ||
                                  onCommandLine(key::Colors) ||
                                  onCommandLine(key::Palette);
  // Whether the key's value counts: a file's colours yield to any colour
  // option on the command line.
  auto counts = [&](const char* key) {
    return map.has(key) && (!commandLineColours || onCommandLine(key));
  };
  auto setAside = [&](const std::string& what, const char* by) {
    read.err() << "marl: warning: " << what << " is ignored: " << by
               << "= gives the colours\n";
  };

  if (counts(key::Colors)) {
    const std::string& text = *read.text(key::Colors);
    std::vector<uint32_t> stops;
    std::string why;
    if (parseStops(text, stops, why)) {
      if (counts(key::Palette)) {
        setAside(std::string(key::Palette) + "=" +
                     escapedText(*read.text(key::Palette)),
                 key::Colors);
      }
      if (channelsOnCommandLine && onCommandLine(key::Colors))
        setAside("R0..B1", key::Colors);
      for (int k = 0; k < 3; ++k) {
        s.channels[k] = (stops.front() >> (16 - 8 * k)) & 0xFFu;
        s.channels[k + 3] = (stops.back() >> (16 - 8 * k)) & 0xFFu;
      }
      if (stops.size() > 2) c.stops = stops;
      return;
    }
    read.report(key::Colors, text,
                {why, "give 2 to 16 colours as RRGGBB, comma-separated; the "
                      "colours are drawn as usual"});
    if (map.isFromPicture(key::Colors)) return;  // refused
  }
  if (!counts(key::Palette)) return;
  const std::string& name = *read.text(key::Palette);
  if (name == "random" || findPalette(name)) {
    c.palette = name;
    if (channelsOnCommandLine && onCommandLine(key::Palette))
      setAside("R0..B1", key::Palette);
    return;
  }
  read.report(key::Palette, name,
              {"is not a built-in palette", nearestPalettes(name)});
}

}  // namespace marl
