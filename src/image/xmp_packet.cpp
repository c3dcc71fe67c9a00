#include "image/xmp_packet.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace marl {

namespace {

const char Opening[] =
    "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
    "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
    "<rdf:Description rdf:about=\"\" "
    "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
    "<dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">";
const char Closing[] =
    "</rdf:li></rdf:Alt></dc:description>\n"
    "</rdf:Description>\n"
    "</rdf:RDF>\n"
    "</x:xmpmeta>\n"
    "<?xpacket end=\"r\"?>";
const char Description[] = "<dc:description";
const char ItemStart[] = "<rdf:li";
const char ItemEnd[] = "</rdf:li>";
// Bytes from an entity's '&' to its ';' at most: "&#x" and three digits fit.
constexpr std::size_t MaxEntityLength = 8;

// The byte an entity such as "amp" or "#x0D" stands for; -1 when unknown.
int entityValue(const std::string& name) {
  if (name == "amp") return '&';
  if (name == "lt") return '<';
  if (name == "gt") return '>';
  if (name == "quot") return '"';
  if (name == "apos") return '\'';
  if (name.size() < 2 || name[0] != '#') return -1;
  const bool hex = name[1] == 'x' || name[1] == 'X';
  const std::string digits = name.substr(hex ? 2 : 1);
  if (digits.empty() || digits.size() > 3) return -1;
  char* end = nullptr;
  const long value = std::strtol(digits.c_str(), &end, hex ? 16 : 10);
  if (*end != '\0' || value < 0 || value > 255) return -1;
  return static_cast<int>(value);
}

}  // namespace

std::string xmpPacketOf(const std::string& text) {
  std::string packet = Opening;
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '&') {
      packet += "&amp;";
    } else if (c == '<') {
      packet += "&lt;";
    } else if (c == '>') {
      packet += "&gt;";
    } else if ((byte < 0x20 && c != '\n' && c != '\t') || byte == 0x7F) {
      char reference[8];
      std::snprintf(reference, sizeof reference, "&#x%02X;", byte);
      packet += reference;
    } else {
      packet += c;
    }
  }
  return packet + Closing;
}

bool textOfXmpPacket(const std::string& packet, std::string& text) {
  const std::size_t block = packet.find(Description);
  if (block == std::string::npos) return false;
  const std::size_t item = packet.find(ItemStart, block);
  if (item == std::string::npos) return false;
  const std::size_t tagEnd = packet.find('>', item);
  if (tagEnd == std::string::npos) return false;
  const std::size_t from = tagEnd + 1;
  const std::size_t end = packet.find(ItemEnd, from);
  if (end == std::string::npos) return false;
  text.clear();
  for (std::size_t i = from; i < end; ++i) {
    // Entities are short: looking further for the ';' would make a hostile
    // packet of many '&' cost time by the square of its length.
    std::size_t semicolon = std::string::npos;
    if (packet[i] == '&') {
      const std::size_t last = std::min(end, i + MaxEntityLength + 1);
      for (std::size_t j = i + 1; j < last && semicolon == std::string::npos;
           ++j)
        if (packet[j] == ';') semicolon = j;
    }
    const int value = semicolon != std::string::npos
                          ? entityValue(packet.substr(i + 1, semicolon - i - 1))
                          : -1;
    if (value < 0) {
      text += packet[i];
    } else {
      text += static_cast<char>(value);
      i = semicolon;
    }
  }
  return true;
}

}  // namespace marl
