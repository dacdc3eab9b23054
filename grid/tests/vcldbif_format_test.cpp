#include "grid/vcldbif_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/exceptions.h"

namespace {

using namespace std::string_literals;

std::string Hex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02x ", c);
    out += buf;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

// What a reader makes of `bytes`: "cols=N v v v |" or the error text.
std::string Decode(const std::string& bytes) {
  try {
    vcldbif::Reader reader(bytes);
    std::string out = "cols=" + std::to_string(reader.ReadPrefix().size());
    vcldbif::Value v;
    while (reader.ReadValue(v)) {
      switch (v.Kind) {
        case vcldbif::kTagNull:
          out += " null";
          break;
        case vcldbif::kTagInteger:
          out += " i" + std::to_string(v.Integer);
          break;
        case vcldbif::kTagFloat:
          out += " f" + std::to_string(v.Float);
          break;
        case vcldbif::kTagString:
          out += " s'" + v.Bytes + "'";
          break;
        case vcldbif::kTagBinary:
          out += " b'" + v.Bytes + "'";
          break;
        default:
          out += " none";
      }
    }
    return out + " |";
  } catch (const Exception& e) {
    return e.Message();
  }
}

const std::string kPrefix1 = "VCLDBIF\x01\x01\x00\x00\x00\x01\x00"s;  // one visible column

TEST(VcldbifFormatTest, WritesTheLayoutByteForByte) {
  std::string out;
  vcldbif::PutPrefix(out, {{true, ""}});
  for (int v : {1, 2, 3}) vcldbif::PutInteger(out, v);
  vcldbif::PutTag(out, vcldbif::kTagEnd);
  EXPECT_EQ(Hex(out),
            "56 43 4c 44 42 49 46 01 01 00 00 00 01 00 "
            "03 01 00 00 00 03 02 00 00 00 03 03 00 00 00 00");

  struct Case {
    const char* what;
    std::string bytes;
    const char* hex;
  };
  std::string f, s, b, n, hidden;
  vcldbif::PutFloat(f, 1.5);
  vcldbif::PutBytes(s, vcldbif::kTagString, "ab");
  vcldbif::PutBytes(b, vcldbif::kTagBinary, std::string("\0\xff", 2));
  vcldbif::PutInteger(n, -2);
  vcldbif::PutPrefix(hidden, {{false, ""}, {true, "X"}});
  const std::vector<Case> cases = {
      {"float", f, "04 00 00 00 00 00 00 f8 3f"},
      {"string", s, "05 02 00 00 00 61 62"},
      {"binary", b, "06 02 00 00 00 00 ff"},
      {"negative integer", n, "03 fe ff ff ff"},
      {"two columns", hidden, "56 43 4c 44 42 49 46 01 02 00 00 00 00 00 01 58 00"},
  };
  for (const Case& c : cases) EXPECT_EQ(Hex(c.bytes), c.hex) << c.what;
}

TEST(VcldbifFormatTest, ReadsValuesAndRejectsDamage) {
  const std::string bad = std::string(vcldbif::kFormatErrorText);
  std::string good = kPrefix1;
  vcldbif::PutInteger(good, 7);
  vcldbif::PutTag(good, vcldbif::kTagNull);
  vcldbif::PutFloat(good, 2.5);
  vcldbif::PutBytes(good, vcldbif::kTagString, "x");
  vcldbif::PutBytes(good, vcldbif::kTagBinary, "");
  vcldbif::PutTag(good, vcldbif::kTagNoValue);
  good += '\x09';  // unknown tag
  vcldbif::PutTag(good, vcldbif::kTagEnd);
  std::string version2 = good;
  version2[7] = 2;
  std::string negativeCount = kPrefix1;
  negativeCount[11] = '\xff';
  std::string hugeCount = kPrefix1;
  hugeCount[10] = '\x7f';
  std::string negativeLength = kPrefix1 + "\x05\xff\xff\xff\xff"s;
  std::string longLength = kPrefix1 + "\x05\x00\x00\x00\x7f"s + "abc";
  struct Case {
    const char* what;
    std::string bytes;
    std::string result;
  };
  const std::vector<Case> cases = {
      {"every tag", good, "cols=1 i7 null f2.500000 s'x' b'' none none |"},
      {"version 2 reads like 1", version2, "cols=1 i7 null f2.500000 s'x' b'' none none |"},
      {"empty", "", bad},
      {"short prefix", "VCLDBIF\x01\x00"s, bad},
      {"wrong signature", "VCLDBIG\x01\x00\x00\x00\x00"s + '\0', bad},
      {"negative count", negativeCount, bad},
      {"count beyond the data", hugeCount, bad},
      {"name without its zero", "VCLDBIF\x01\x01\x00\x00\x00\x01XY"s, bad},
      {"no end tag", kPrefix1, bad},
      {"short integer", kPrefix1 + "\x03\x01\x00"s, bad},
      {"short float", kPrefix1 + "\x04\x01\x00\x00\x00"s, bad},
      {"negative length", negativeLength, bad},
      {"length beyond the data", longLength, bad},
      {"truncated string", kPrefix1 + "\x05\x03\x00\x00\x00" + "ab"s, bad},
      {"no columns, no values", "VCLDBIF\x01\x00\x00\x00\x00\x00"s, "cols=0 |"},
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(c.bytes), c.result) << c.what;
}

}  // namespace
