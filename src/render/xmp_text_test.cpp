#include "render/xmp_text.h"

#include <gtest/gtest.h>

namespace marl {
namespace {

TEST(XmpTextTest, AnyTextRoundTripsAndThePacketHoldsNoRawMarkup) {
  const std::string texts[] = {
      "", "plain=1\n", "a<b>&c;\"'\n\r\t\x01\x1b[31m\x7f end",
      "&amp; stays &amp;, &#x41; stays too", "\xC3\xA9t\xC3\xA9\n"};
  for (const std::string& text : texts) {
    const std::string packet = xmpPacketOf(text);
    EXPECT_EQ(descriptionOfXmp(packet), text);
    const std::size_t body = packet.find("x-default\">") + 11;
    const std::size_t end = packet.find("</rdf:li>");
    for (std::size_t i = body; i < end; ++i) {
      const unsigned char c = static_cast<unsigned char>(packet[i]);
      EXPECT_TRUE(c != '<' && c != '>' && (c >= 0x20 || c == '\n' || c == '\t'))
          << int(c);
    }
  }
}

TEST(XmpTextTest, OtherToolsPacketsAreReadOrGiveNothing) {
  EXPECT_EQ(descriptionOfXmp("<x:xmpmeta><rdf:RDF><rdf:Description>"
                             "<dc:description><rdf:Alt><rdf:li>one &lt;two&gt;"
                             "</rdf:li></rdf:Alt></dc:description>"),
            "one <two>");
  EXPECT_EQ(descriptionOfXmp("<x:xmpmeta><dc:title>t</dc:title></x:xmpmeta>"),
            "");
  EXPECT_EQ(descriptionOfXmp("<dc:description><rdf:li>cut"), "");
  EXPECT_EQ(descriptionOfXmp("<dc:description><rdf:li>&bogus; &#xZZ; &"
                             "</rdf:li>"),
            "&bogus; &#xZZ; &");
}

}  // namespace
}  // namespace marl
