#include "driver/colour_settings_reader.h"

#include <string>
#include <vector>

#include "base/choice_words.h"
#include "base/escaped_text.h"
#include "colour/palettes.h"

namespace marl {

namespace {

const char* const ChannelKeys[6] = {"R0", "G0", "B0", "R1", "G1", "B1"};
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

template <typename Entry, std::size_t N>
void readChoice(const ArgumentMap& map, OptionReader& read, std::ostream& err,
                const char* key, const Entry (&table)[N],
                decltype(Entry::value)& value) {
  const std::string* text = map.find(key);
  if (!text || valueFor(table, *text, value)) return;
  if (map.isFromPicture(key)) {
    read.refuse(key, *text, std::string("is not ") + wordList(table));
    return;
  }
  err << "marl: warning: " << key << "=" << Escaped{*text} << " is not "
      << wordList(table) << "; using " << wordFor(table, value) << "\n";
}

}  // namespace

void readColourSettings(const ArgumentMap& map, OptionReader& read,
                        std::ostream& err, JobSettings& s) {
  ColourSettings& c = s.colour;
  map.getBool("reverse", c.reverse);
  const std::string* reverse = map.find("reverse");
  if (reverse && map.isFromPicture("reverse") && *reverse != "true" &&
      *reverse != "false")
    read.refuse("reverse", *reverse, "is neither true nor false");
  readChoice(map, read, err, "blend", BlendWords, c.blend);
  readChoice(map, read, err, "tone", ToneWords, c.tone);
  c.gamma = read.real("gamma", 0.1, 10.0).value_or(c.gamma);

  auto onCommandLine = [&map](const char* key) {
    return map.has(key) && !map.isFromFile(key);
  };
  bool channelsOnCommandLine = false;
  for (const char* key : ChannelKeys)
    channelsOnCommandLine = channelsOnCommandLine || onCommandLine(key);
  const bool commandLineColours = channelsOnCommandLine ||
                                  onCommandLine("colors") ||
                                  onCommandLine("palette");
  // Whether the key's value counts: a file's colours yield to any colour
  // option on the command line.
  auto counts = [&](const char* key) {
    return map.has(key) && (!commandLineColours || onCommandLine(key));
  };
  auto setAside = [&](const std::string& what, const char* by) {
    err << "marl: warning: " << what << " is ignored: " << by
        << "= gives the colours\n";
  };

  if (counts("colors")) {
    const std::string& text = *map.find("colors");
    std::vector<uint32_t> stops;
    std::string why;
    if (parseStops(text, stops, why)) {
      if (counts("palette"))
        setAside("palette=" + escapedText(*map.find("palette")), "colors");
      if (channelsOnCommandLine && onCommandLine("colors"))
        setAside("R0..B1", "colors");
      for (int k = 0; k < 3; ++k) {
        s.channels[k] = (stops.front() >> (16 - 8 * k)) & 0xFFu;
        s.channels[k + 3] = (stops.back() >> (16 - 8 * k)) & 0xFFu;
      }
      if (stops.size() > 2) c.stops = stops;
      return;
    }
    if (map.isFromPicture("colors")) {
      read.refuse("colors", text, why);
      return;
    }
    err << "marl: warning: colors=" << Escaped{text} << " " << why
        << "; give 2 to 16 colours as RRGGBB, comma-separated; the colours"
           " are drawn as usual\n";
  }
  if (!counts("palette")) return;
  const std::string& name = *map.find("palette");
  if (name == "random" || findPalette(name)) {
    c.palette = name;
    if (channelsOnCommandLine && onCommandLine("palette"))
      setAside("R0..B1", "palette");
    return;
  }
  if (map.isFromPicture("palette")) {
    read.refuse("palette", name, "is not a built-in palette");
    return;
  }
  err << "marl: warning: palette=" << Escaped{name}
      << " is not a built-in palette; the nearest are";
  const std::vector<std::string> nearest = nearestPaletteNames(name);
  for (std::size_t i = 0; i < nearest.size(); ++i)
    err << (i == 0 ? " " : ", ") << nearest[i];
  err << " (palette=list shows them all); the colours are drawn as usual\n";
}

}  // namespace marl
