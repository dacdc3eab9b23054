#include "register/core/xml_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "platform/base/codepage.h"
#include "platform/base/stream.h"

namespace {

std::unique_ptr<TStream> StreamOf(const std::string& bytes) {
  auto s = std::make_unique<TMemoryStream>();
  s->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  s->Seek(0, TSeekOrigin::soBeginning);
  return s;
}

// A stream that hands out at most `chunk` bytes a read, as a pipe may.
class TChunkedStream : public TMemoryStream {
 public:
  explicit TChunkedStream(std::int64_t chunk) : FChunk(chunk) {}
  std::int64_t Read(void* buffer, std::int64_t count) override {
    return TMemoryStream::Read(buffer, std::min(count, FChunk));
  }

 private:
  std::int64_t FChunk;
};

// Every token as "kind:name=[value]" (name and value only when set), blank
// separated, up to the end of input; an error ends the list with "!" and
// the message's specific part. `chunk` > 0: the bytes come so many a read.
std::string Tokens(const std::string& utf8, std::int64_t chunk = 0) {
  const std::string bytes = Utf8ToWin1251(utf8);
  std::unique_ptr<TStream> stream = StreamOf(bytes);
  if (chunk > 0) {
    auto chunked = std::make_unique<TChunkedStream>(chunk);
    chunked->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    chunked->Seek(0, TSeekOrigin::soBeginning);
    stream = std::move(chunked);
  }
  TXmlReader reader(std::move(stream));
  std::string out;
  try {
    while (true) {
      const TXmlTokenKind kind = reader.Next();
      if (!out.empty()) out += ' ';
      out += std::to_string(kind);
      if (!reader.Name().empty()) out += ':' + reader.Name();
      if (!reader.Value().empty()) out += "=[" + reader.Value() + "]";
      if (kind == xkEndOfInput) return out;
    }
  } catch (const EXmlReader& e) {
    const std::string prefix = "Ошибка в XML-документе: ";
    EXPECT_EQ(e.Message().substr(0, prefix.size()), prefix);
    return out + (out.empty() ? "!" : " !") + e.Message().substr(prefix.size());
  }
}

TEST(XmlReaderTest, TokenStreams) {
  const struct {
    const char* input;
    const char* tokens;
  } cases[] = {
      {"", "9"},
      {"<a b='1'/>", "4:a 7:b=[1] 6:a 9"},
      {"<a b=1>", "4:a 7:b=[1] 5 !ожидается закрывающий тэг элемента"},
      {"<a b=1/>", "4:a 7:b=[1] 6:a 9"},
      {"<a b=>x</a>", "4:a 7:b 5 8=[x] 6:a 9"},
      {"<a  b = \"x y\"\tc='\"'></a>", "4:a 7:b=[x y] 7:c=[\"] 5 6:a 9"},
      {" \r\n<a> <b/> </a> ", "4:a 5 8=[ ] 4:b 6:b 8=[ ] 6:a 9"},
      {"<?xml version=\"1.0\"?><?BSERTIF1  v=\"0.1\"?><r/>",
       "0:xml=[version=\"1.0\"] 0:BSERTIF1=[v=\"0.1\"] 4:r 6:r 9"},
      {"<?x?><r/>", "0:x 4:r 6:r 9"},
      {"<!--a-b- ->--><r><![CDATA[<&amp;>]]></r>", "2=[a-b- ->] 4:r 5 3=[<&amp;>] 6:r 9"},
      {"<!DOCTYPE doc SYSTEM \"d\"><doc/>", "1:doc=[ SYSTEM \"d\"] 4:doc 6:doc 9"},
      {"<Д а=\"я\">текст</Д>", "4:Д 7:а=[я] 5 8=[текст] 6:Д 9"},
      // Entities: the five predefined ones decoded, anything else kept.
      {"<a v=\"&amp;&lt;&gt;&quot;&apos; &copy; & &amp\">&lt;x&gt; R&D</a>",
       "4:a 7:v=[&<>\"' &copy; & &amp] 5 8=[<x> R&D] 6:a 9"},
      {"<a v=\"&amp;lt;\"/>", "4:a 7:v=[&lt;] 6:a 9"},
      // Errors, one per message.
      {"<a></b>", "4:a 5 !несоответствие имён открывающего и закрывающего тэгов"},
      {"</a>", "!несоответствие имён открывающего и закрывающего тэгов"},
      {"<a><b></b>", "4:a 5 4:b 5 6:b !ожидается закрывающий тэг элемента"},
      {"x<a/>", "!текст вне элемента"},
      {"<a>text<", "4:a 5 !неожидаемое завершение текста"},
      {"<!X>", "!неизвестная специальная инструкция"},
      {"<!-x-->", "!неизвестная специальная инструкция"},
      {"<? x?>", "!не задано имя в обрабатывающей инструкции"},
      {"<?a b", "!ожидается \"?>\""},
      {"<a/ >", "4:a !ожидается \"/>\""},
      {"<a =1>", "4:a !не задано имя атрибута элемента"},
      {"<a b 1>", "4:a !ожидается \"=\" для атрибута элемента"},
      {"<a b=", "4:a !не задано значение атрибута элемента"},
      {"<a b=\"1", "4:a !не закрыто значение атрибута элемента"},
      {"<>", "!не задано имя открывающего тэга элемента"},
      {"<", "!не задано имя открывающего тэга элемента"},
      {"<a", "4:a !ожидается \">\" для открывающего тэга элемента"},
      {"<a \"b\">", "4:a !ожидается атрибут элемента"},
      {"<a></>", "4:a 5 !не задано имя закрывающего тэга элемента"},
      {"<a></a", "4:a 5 !ожидается \">\" для закрывающего тэга элемента"},
      {"<!-- x", "!ожидается \"-->\""},
      {"<![CDATA[ x]]", "!ожидается \"]]>\""},
      {"<!DOCTYPE >", "!не задано имя в типе документа"},
      {"<!DOCTYPE a", "!ожидается \">\" для типа документа"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Tokens(c.input), c.tokens) << c.input;
    // A token cut by the end of what was read so far reads the same.
    for (std::int64_t chunk : {1, 2, 3, 5}) EXPECT_EQ(Tokens(c.input, chunk), c.tokens) << c.input;
  }
}

TEST(XmlReaderTest, TokensDoNotDependOnHowTheBytesArrive) {
  std::string record =
      "<BTAL2 DREG=\"2007.01.10\" BQNT='2'>\r\n  <PERSON LNAME=\"Иванова &amp; Ко\" X=1 "
      "Y = \"a\"/>\n  <CHILD SEX=\"М\" WEIGHT=\"3.450\"/><!-- c --><![CDATA[<d>]]>text&lt;"
      "</BTAL2>";
  std::string document = "<?xml version=\"1.0\"?>\r\n<?BSERTIF2?>\r\n<BIRTH_SERTIF>";
  // Past the reader's first buffer, so that tokens are cut where it refills.
  while (document.size() < 150000) document += record;
  document += "</BIRTH_SERTIF>\r\n";
  const std::string whole = Tokens(document);
  EXPECT_EQ(whole.find('!'), std::string::npos) << whole.substr(whole.size() - 200);
  EXPECT_EQ(Tokens(document, 4093), whole);
  EXPECT_EQ(Tokens(document.substr(0, 70000), 77), Tokens(document.substr(0, 70000)));
  const std::string longText(200000, 't');
  EXPECT_EQ(Tokens("<a>" + longText + "</a>", 1000), "4:a 5 8=[" + longText + "] 6:a 9");
}

TEST(XmlReaderTest, WordWideScansReadAsByteByByte) {
  // Names and values around the scans' sixteen-byte steps, with an entity,
  // a blank or the other quote at each place: read whole (the quick way)
  // and a byte a read (the general way), the tokens are the same.
  std::string document = "<r>";
  for (std::size_t length = 0; length <= 40; ++length) {
    const std::string name = "n" + std::string(length, 'a');
    for (std::size_t at = 0; at <= length; ++at) {
      std::string value(length, 'v');
      value.insert(at, at % 3 == 0 ? "&amp;" : at % 3 == 1 ? " " : "'");
      document += "<" + name + " " + name + "=\"" + value + "\"  b='" + value.substr(0, at) +
                  "'/><" + name + "\t></" + name + ">";
    }
  }
  document += "</r>";
  const std::string whole = Tokens(document);
  EXPECT_EQ(whole.find('!'), std::string::npos);
  EXPECT_EQ(Tokens(document, 1), whole);
  EXPECT_EQ(Tokens(document, 17), whole);
}

TEST(XmlReaderTest, RandomDocumentsReadAlikeWholeAndByteByByte) {
  // Pieces of markup in random order, well formed or not: the same tokens
  // and the same failure either way.
  const char* const pieces[] = {"<a", "<bb",  "</a>",     "</bb>", "/>", ">",
                                " ",  "x=\"", "y='",      "\"",    "'",  "&amp;",
                                "&",  "v",    "\xC0\xFF", "=",     "\t", "<!-- c -->"};
  std::uint32_t seed = 12345;
  const auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
  };
  for (int n = 0; n < 3000; ++n) {
    std::string bytes = "<r>";  // Windows-1251
    const std::uint32_t count = next() % 24;
    for (std::uint32_t i = 0; i < count; ++i) bytes += pieces[next() % std::size(pieces)];
    if (next() % 2) bytes += "</r>";
    const std::string document = Win1251ToUtf8(bytes);
    const std::string whole = Tokens(document);
    EXPECT_EQ(Tokens(document, 1), whole) << bytes;
    EXPECT_EQ(Tokens(document, 3), whole) << bytes;
  }
}

TEST(XmlReaderTest, ElementNameAndPathFollowTheOpenElements) {
  TXmlReader reader(StreamOf("<A><B><C x=\"1\"/></B></A>"));
  std::vector<std::string> seen;
  for (TXmlTokenKind kind = reader.Next(); kind != xkEndOfInput; kind = reader.Next())
    seen.push_back(std::to_string(kind) + " " + reader.ElementName() + " " + reader.ElementPath());
  EXPECT_EQ(seen, (std::vector<std::string>{"4 A A", "5 A A", "4 B A\\B", "5 B A\\B", "4 C A\\B\\C",
                                            "7 C A\\B\\C", "6 B A\\B", "6 A A", "6  "}));
}

TEST(XmlReaderTest, LongNamesAndTextsComeWhole) {
  const std::string name(20000, 'n');
  const std::string text(50000, 't');
  const std::string value(9000, 'v');
  TXmlReader reader(StreamOf("<" + name + " a=\"" + value + "\">" + text + "</" + name + ">"));
  EXPECT_EQ(reader.Next(), xkStartTag);
  EXPECT_EQ(reader.Name(), name);
  EXPECT_EQ(reader.Next(), xkAttribute);
  EXPECT_EQ(reader.Value(), value);
  EXPECT_EQ(reader.Next(), xkStartTagEnd);
  EXPECT_EQ(reader.Next(), xkText);
  EXPECT_EQ(reader.Value(), text);
  EXPECT_EQ(reader.Next(), xkEndTag);
  EXPECT_EQ(reader.Next(), xkEndOfInput);
}

TEST(XmlReaderTest, TextReaderConvertsOemWhenAsked) {
  const std::string oem = Utf8ToOem866("Ая");
  for (bool convert : {false, true}) {
    auto stream = StreamOf(oem);
    TTextReader reader(*stream, 1, convert);
    std::string read;
    char c = 0;
    while (reader.Read(c)) read += c;
    EXPECT_EQ(read, convert ? Utf8ToWin1251("Ая") : oem);
  }
}

}  // namespace
