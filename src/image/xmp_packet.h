#ifndef MARL_IMAGE_XMP_PACKET_H_
#define MARL_IMAGE_XMP_PACKET_H_

#include <string>

namespace marl {

// An XMP packet holding `text` as its dc:description, escaped so that
// every byte comes back and other tools can read it: markup characters and
// control bytes (carriage returns included, which XML would otherwise turn
// into line feeds, and DEL) as character references.
std::string xmpPacketOf(const std::string& text);

// The dc:description of a packet made by xmpPacketOf, or by another tool
// in the same form (its first rdf:li, whatever its attributes), unescaped;
// false when there is none or it is cut.
bool textOfXmpPacket(const std::string& packet, std::string& text);

}  // namespace marl

#endif  // MARL_IMAGE_XMP_PACKET_H_
