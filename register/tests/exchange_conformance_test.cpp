// The exchange files we write must be well-formed for any conforming XML
// parser at the fund, whatever the register holds.
#include <QXmlStreamReader>

#include "register/core/exchange_export.h"
#include "register/core/tests/exchange_test_support.h"
#include "register/core/xml_reader.h"

namespace {

struct TParsed {
  std::string Error;
  std::vector<std::string> Elements;
  std::map<std::string, std::string> Attributes;  // "ELEMENT.NAME" of the last one seen
};

// Parses the Windows-1251 bytes as XML (turned to UTF-8 first, with the
// declaration saying so: the code page mapping is ours and tested apart).
TParsed Parse(const std::string& bytes) {
  std::string text = Win1251ToUtf8(bytes);
  const std::string declared = "encoding=\"windows-1251\"";
  const std::size_t at = text.find(declared);
  if (at != std::string::npos) text.replace(at, declared.size(), "encoding=\"UTF-8\"");
  QXmlStreamReader xml(QByteArray::fromStdString(text));
  TParsed parsed;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const std::string element = xml.name().toString().toStdString();
    parsed.Elements.push_back(element);
    for (const QXmlStreamAttribute& a : xml.attributes())
      parsed.Attributes[element + "." + a.name().toString().toStdString()] =
          a.value().toString().toStdString();
  }
  if (xml.hasError()) parsed.Error = xml.errorString().toStdString();
  return parsed;
}

TEST_F(ExchangeTest, EveryKindIsWellFormedWithAwkwardValues) {
  const std::string awkward = "<ООО \"Ромашка\" & Ко>\x01'ё' — №5\r\n";
  const std::string expected = "<ООО 'Ромашка' & Ко> 'ё' — №5  ";
  FLpu.Values = {{"NAME", awkward}, {"ADRES", std::string(5000, 'y')}};
  for (int fileType : {1, 2, 31, 32}) {
    const int frameId = fileType > 30 ? 3 : fileType;
    auto ds = MakeRegister(frameId);
    AddRecord(*ds, 1, [&](TDataSet& d) {
      d.FieldByName("ADDRESS")->SetAsString(awkward);
      if (frameId == 2) {
        d.FieldByName("BQNT")->SetAsInteger(2);
        d.FieldByName("CQNT")->SetAsInteger(1);
        d.FieldByName("DIAG1")->SetAsString("<&>");
      }
      if (frameId == 3) {
        d.FieldByName("CQNT")->SetAsInteger(1);
        d.FieldByName("LNAME1")->SetAsString(awkward);
      }
    });
    AddRecord(*ds, 2, [](TDataSet&) {});
    const std::string name = FDir.File("out.xml");
    ExportRegisterXml(*ds, name, frameId, fileType, FLpu.Access(), EncodeDate(2007, 5, 1));
    const std::string bytes = FileBytes(name);
    EXPECT_EQ(bytes.find_first_of("\r\n"), std::string::npos);
    const TParsed parsed = Parse(bytes);
    EXPECT_EQ(parsed.Error, "") << fileType;
    EXPECT_EQ(parsed.Attributes.at("HEADER.FROM"), expected);
    EXPECT_EQ(parsed.Attributes.at("HEADER.ADRES"), std::string(5000, 'y'));
    EXPECT_EQ(parsed.Attributes.at("POLICY.SPOLICY"), "");
    EXPECT_EQ(parsed.Elements.front(), "BIRTH_SERTIF");
    if (frameId == 2) {
      EXPECT_EQ(parsed.Attributes.at("CHILD.DIAG"), "");  // the blank group
    }
    if (frameId == 3) {
      EXPECT_EQ(parsed.Attributes.at("CHILD.LNAME"), expected);
    }
  }
}

// What a conforming parser reads, our reader reads the same.
TEST_F(ExchangeTest, OurReaderAgreesWithAConformingParser) {
  const std::string value = "a&amp;b &lt; &quot;c&quot; &apos;d&apos; ж";
  const std::string file =
      "<?xml version=\"1.0\" encoding=\"windows-1251\"?><r v=\"" + value + "\">" + value + "</r>";
  const TParsed parsed = Parse(Utf8ToWin1251(file));
  ASSERT_EQ(parsed.Error, "");
  const std::string path = FDir.File("r.xml");
  WriteFileBytes(path, Utf8ToWin1251(file));
  TXmlReader reader(path);
  EXPECT_EQ(reader.Next(), xkInstruction);
  EXPECT_EQ(reader.Next(), xkStartTag);
  EXPECT_EQ(reader.Next(), xkAttribute);
  EXPECT_EQ(reader.Value(), parsed.Attributes.at("r.v"));
  EXPECT_EQ(reader.Value(), "a&b < \"c\" 'd' ж");
}

}  // namespace
