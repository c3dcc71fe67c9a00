#include "render/xmp_text.h"

#include <cstdio>
#include <cstdlib>

namespace marl {

namespace {

const char Head[] =
    "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
    "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
    "<rdf:Description rdf:about=\"\" "
    "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
    "<dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">";
const char Tail[] =
    "</rdf:li></rdf:Alt></dc:description>\n"
    "</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n"
    "<?xpacket end=\"w\"?>";

// Decodes the entity at text[at] ('&'), appending its byte to `out`;
// returns where the text goes on, or `at` + 1 (the '&' kept) when it is not
// an entity known here.
std::size_t decodeEntity(const std::string& text, std::size_t at,
                         std::string& out) {
  const std::size_t semicolon = text.find(';', at);
  if (semicolon == std::string::npos || semicolon - at > 8) {
    out += '&';
    return at + 1;
  }
  const std::string name = text.substr(at + 1, semicolon - at - 1);
  static const struct {
    const char* name;
    char byte;
  } Named[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'},
               {"apos", '\''}};
  for (const auto& n : Named) {
    if (name == n.name) {
      out += n.byte;
      return semicolon + 1;
    }
  }
  if (name.size() >= 2 && name[0] == '#') {
    const bool hex = name[1] == 'x';
    char* end = nullptr;
    const long code = std::strtol(name.c_str() + (hex ? 2 : 1), &end, hex ? 16 : 10);
    if (*end == '\0' && code >= 0 && code < 0x80) {
      out += static_cast<char>(code);
      return semicolon + 1;
    }
  }
  out += '&';
  return at + 1;
}

}  // namespace

std::string xmpPacketOf(const std::string& text) {
  std::string packet = Head;
  for (const char c : text) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (c == '&') {
      packet += "&amp;";
    } else if (c == '<') {
      packet += "&lt;";
    } else if (c == '>') {
      packet += "&gt;";
    } else if ((b < 0x20 && c != '\n' && c != '\t') || b == 0x7F) {
      char entity[8];
      std::snprintf(entity, sizeof entity, "&#x%X;", b);
      packet += entity;
    } else {
      packet += c;
    }
  }
  return packet + Tail;
}

std::string descriptionOfXmp(const std::string& packet) {
  const std::size_t block = packet.find("<dc:description");
  if (block == std::string::npos) return std::string();
  const std::size_t item = packet.find("<rdf:li", block);
  if (item == std::string::npos) return std::string();
  const std::size_t start = packet.find('>', item);
  const std::size_t end = packet.find("</rdf:li>", item);
  if (start == std::string::npos || end == std::string::npos || end < start)
    return std::string();
  std::string text;
  for (std::size_t at = start + 1; at < end;) {
    if (packet[at] == '&') {
      at = decodeEntity(packet, at, text);
    } else {
      text += packet[at++];
    }
  }
  return text;
}

}  // namespace marl
