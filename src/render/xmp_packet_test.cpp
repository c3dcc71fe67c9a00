#include "render/xmp_packet.h"

#include <gtest/gtest.h>

namespace marl {
namespace {

TEST(XmpPacketTest, EveryByteComesBackAndMarkupIsEscaped) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  for (const std::string& text :
       {std::string("a=1\r\nb=<&>\n"), all, std::string("&amp; stays")}) {
    const std::string packet = xmpPacketOf(text);
    // The text can never close the element early or open another.
    const std::size_t start = packet.find("x-default\">") + 11;
    const std::string body = packet.substr(start, packet.find("</rdf:li>") - start);
    EXPECT_EQ(body.find('<'), std::string::npos);
    EXPECT_EQ(body.find('\r'), std::string::npos);
    std::string back;
    ASSERT_TRUE(textOfXmpPacket(packet, back));
    EXPECT_TRUE(back == text) << back;
  }
  std::string back;
  EXPECT_FALSE(textOfXmpPacket("<x:xmpmeta/>", back));
}

}  // namespace
}  // namespace marl
