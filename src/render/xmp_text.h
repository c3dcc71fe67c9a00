#ifndef MARL_RENDER_XMP_TEXT_H_
#define MARL_RENDER_XMP_TEXT_H_

#include <string>

namespace marl {

// An XMP packet whose dc:description is `text`, with the XML special
// characters and control bytes written as entities, so that any text makes
// a packet other tools can read.
std::string xmpPacketOf(const std::string& text);

// The dc:description of an XMP packet written by xmpPacketOf (or by another
// tool in the same form), entities decoded. Empty when the packet has none.
std::string descriptionOfXmp(const std::string& packet);

}  // namespace marl

#endif  // MARL_RENDER_XMP_TEXT_H_
