// The XML stream under hostile markup: entities that would grow without
// end, entities that name files, and the events plain markup gives.
#include "officesvr/document_text/xml_stream.h"

#include <gtest/gtest.h>

#include "support/scratch_dir.h"

namespace parlotto::office {
namespace {

// Every event as one string: <name>, </name>, "text", or ! for a failure.
std::string Events(const std::string& xml) {
  XmlStream stream(xml, "test.xml");
  std::string events;
  for (;;) {
    switch (stream.Next()) {
      case XmlStream::Event::kStart:
        events += "<" + std::string(stream.local_name()) + ">";
        break;
      case XmlStream::Event::kEnd:
        events += "</" + std::string(stream.local_name()) + ">";
        break;
      case XmlStream::Event::kText:
        events += "\"" + std::string(stream.text()) + "\"";
        break;
      case XmlStream::Event::kFinished:
        return events;
      case XmlStream::Event::kFailed:
        EXPECT_FALSE(stream.error().empty());
        return events + "!";
    }
  }
}

TEST(XmlStreamTest, GivesElementsEmptyOnesTooAndTheirText) {
  EXPECT_EQ(Events("<a xmlns:w='u'><w:b x='1'/>Text<![CDATA[<roh>]]><c> </c></a>"),
            "<a><b></b>\"Text<roh>\"<c>\" \"</c></a>");
  EXPECT_EQ(Events("<a><b></a>").back(), '!');
  EXPECT_EQ(Events(""), "!");
}

TEST(XmlStreamTest, EntitiesThatWouldGrowWithoutEndFailFast) {
  std::string xml = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol0 \"lollollollollol\">";
  for (int i = 1; i < 10; ++i) {
    xml += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) xml += "&lol" + std::to_string(i - 1) + ";";
    xml += "\">";
  }
  xml += "]><lolz>&lol9;</lolz>";
  const std::string events = Events(xml);
  // Either refused or passed over as a reference: never expanded.
  EXPECT_LT(events.size(), 100u);
  EXPECT_EQ(events.find("lollol"), std::string::npos);
}

TEST(XmlStreamTest, ExternalEntitiesAreNeverRead) {
  const parlotto::testing::ScratchDir dir;
  parlotto::testing::WriteFile(dir.File("secret.txt"), "GEHEIM");
  const std::string xml = "<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY x SYSTEM \"file://" +
                          dir.File("secret.txt") + "\">]><a>&x;</a>";
  EXPECT_EQ(Events(xml).find("GEHEIM"), std::string::npos);
}

}  // namespace
}  // namespace parlotto::office
