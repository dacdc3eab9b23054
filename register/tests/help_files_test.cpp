// The help document and the change history ship beside the program and are
// opened by whatever the desktop has: the document must stay RTF that any
// word processor reads, whatever is edited in it.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/codepage.h"
#include "platform/base/text.h"
#include "register/core/tests/exchange_test_support.h"

namespace {

std::string AppFile(const std::string& name) {
  return FileBytes((std::filesystem::path(MEBRATH_APP_DIR) / name).string());
}

// The document's text: \'xx escapes read as Windows-1251, control words and
// groups dropped. Fails the test on unbalanced groups or 8-bit bytes.
std::string RtfText(const std::string& rtf) {
  std::string bytes;
  int depth = 0;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    const char c = rtf[i];
    EXPECT_LT(static_cast<unsigned char>(c), 0x80u) << "at " << i;
    if (c == '{') {
      ++depth;
    } else if (c == '}') {
      --depth;
      EXPECT_GE(depth, 0) << "at " << i;
    } else if (c == '\\' && i + 1 < rtf.size()) {
      const char next = rtf[i + 1];
      if (next == '\'') {
        bytes += static_cast<char>(std::stoi(rtf.substr(i + 2, 2), nullptr, 16));
        i += 3;
      } else if (next == '\\' || next == '{' || next == '}') {
        bytes += next;
        ++i;
      } else {
        while (i + 1 < rtf.size() && std::isalnum(static_cast<unsigned char>(rtf[i + 1]))) ++i;
        if (i + 1 < rtf.size() && rtf[i + 1] == ' ') ++i;
      }
    } else if (c != '\r' && c != '\n') {
      bytes += c;
    }
  }
  EXPECT_EQ(depth, 0);
  return Win1251ToUtf8(bytes);
}

TEST(HelpFilesTest, TheHelpDocumentIsRtfInWindows1251) {
  const std::string rtf = AppFile("doc/Kelm.doc");
  ASSERT_TRUE(rtf.starts_with("{\\rtf1\\ansi\\ansicpg1251")) << rtf.substr(0, 40);
  const std::string text = RtfText(rtf);
  for (const char* caption :
       {"Реквизиты ЛПУ", "Импорт из xml файла", "Справочник сертификатов", "Реквизиты для печати",
        "Печать приложения №2", "Упаковка таблицы", "История изменений"}) {
    EXPECT_NE(text.find(caption), std::string::npos) << caption;
  }
}

TEST(HelpFilesTest, TheHistoryIsUtf8Text) {
  const std::string history = AppFile("history.txt");
  ASSERT_FALSE(history.empty());
  // Every byte survives a trip through the text helpers only when it is
  // valid UTF-8.
  EXPECT_EQ(Utf32ToUtf8(Utf8ToUtf32(history)), history);
  EXPECT_NE(history.find("Версия"), std::string::npos);
}

}  // namespace
