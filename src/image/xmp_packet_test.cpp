#include "image/xmp_packet.h"

#include <string>

#include <gtest/gtest.h>

namespace marl {
namespace {

TEST(XmpPacketTest, EveryByteComesBackAndMarkupIsEscaped) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  for (const std::string& text :
       {std::string("a=1\r\nb=<&>\n"), all, std::string("&amp; stays"),
        std::string(""), std::string("a<b>&c;\"'\n\r\t\x01\x1b[31m\x7f end"),
        std::string("&amp; stays &amp;, &#x41; stays too"),
        std::string("\xC3\xA9t\xC3\xA9\n")}) {
    const std::string packet = xmpPacketOf(text);
    // The text can never close the element early or open another, and
    // holds no control byte but line feeds and tabs.
    const std::size_t start = packet.find("x-default\">") + 11;
    const std::string body =
        packet.substr(start, packet.find("</rdf:li>") - start);
    for (const char c : body) {
      const unsigned char b = static_cast<unsigned char>(c);
      EXPECT_TRUE(c != '<' && c != '>' && b != 0x7F &&
                  (b >= 0x20 || c == '\n' || c == '\t'))
          << int(b);
    }
    std::string back;
    ASSERT_TRUE(textOfXmpPacket(packet, back));
    EXPECT_TRUE(back == text) << back;
  }
  std::string back;
  EXPECT_FALSE(textOfXmpPacket("<x:xmpmeta/>", back));
}

TEST(XmpPacketTest, OtherToolsPacketsAreReadOrGiveNothing) {
  std::string text;
  ASSERT_TRUE(textOfXmpPacket("<x:xmpmeta><rdf:RDF><rdf:Description>"
                              "<dc:description><rdf:Alt><rdf:li>one &lt;two&gt;"
                              "</rdf:li></rdf:Alt></dc:description>",
                              text));
  EXPECT_EQ(text, "one <two>");
  EXPECT_FALSE(textOfXmpPacket(
      "<x:xmpmeta><dc:title>t</dc:title></x:xmpmeta>", text));
  EXPECT_FALSE(textOfXmpPacket("<dc:description><rdf:li>cut", text));
  ASSERT_TRUE(textOfXmpPacket(
      "<dc:description><rdf:li>&bogus; &#xZZ; & &;</rdf:li>", text));
  EXPECT_EQ(text, "&bogus; &#xZZ; & &;");
  // An '&' whose ';' is far away is no entity.
  ASSERT_TRUE(textOfXmpPacket(
      "<dc:description><rdf:li>&amp and so on;</rdf:li>", text));
  EXPECT_EQ(text, "&amp and so on;");
}

}  // namespace
}  // namespace marl
