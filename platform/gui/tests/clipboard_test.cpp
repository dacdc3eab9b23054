#include "platform/gui/clipboard.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/base/exceptions.h"
#include "platform/gui/services.h"

namespace {

// Records what reaches the desktop.
class TRecordingBackend final : public IClipboardBackend {
 public:
  explicit TRecordingBackend(std::vector<TClipboardContent>* log) : FLog(log) {}
  void SetContent(const TClipboardContent& content) override {
    FLog->push_back(content);
    FContent = content;
  }
  bool HasFormat(unsigned format) override { return FContent.count(format) != 0; }
  std::optional<std::string> GetFormat(unsigned format) override {
    auto it = FContent.find(format);
    if (it == FContent.end()) return std::nullopt;
    return it->second;
  }

 private:
  std::vector<TClipboardContent>* FLog;
  TClipboardContent FContent;
};

class ClipboardTest : public ::testing::Test {
 protected:
  ~ClipboardTest() override {
    SetClipboardBackend(nullptr);
    SetClipboardText("");
  }
};

TEST_F(ClipboardTest, RegisteredFormatsKeepTheirIdsAcrossCase) {
  unsigned a = RegisterClipboardFormat("Test Format A");
  unsigned b = RegisterClipboardFormat("Test Format B");
  EXPECT_GE(a, kFirstRegisteredClipboardFormat);
  EXPECT_NE(a, b);
  EXPECT_EQ(RegisterClipboardFormat("test format a"), a);
  EXPECT_EQ(GetClipboardFormatName(b), "Test Format B");
  EXPECT_EQ(GetClipboardFormatName(CF_TEXT), "");
  EXPECT_EQ(GetClipboardFormatName(0xFFFF), "");
  EXPECT_THROW(RegisterClipboardFormat(""), EInvalidOperation);
}

TEST_F(ClipboardTest, BatchReachesTheDesktopAsOneContent) {
  std::vector<TClipboardContent> log;
  SetClipboardBackend(std::make_unique<TRecordingBackend>(&log));
  unsigned grid = RegisterClipboardFormat("Grid rows");
  unsigned csv = RegisterClipboardFormat("Csv");

  TClipboard& clip = Clipboard();
  clip.Open();
  clip.SetBuffer(grid, std::string("\x01\x00\x02", 3));
  clip.Open();  // nested batches end at the outer Close
  clip.SetBuffer(csv, "a;b");
  clip.Close();
  clip.SetAsText("строка");
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(clip.HasFormat(csv)) << "a batch reads what it has set";
  clip.Close();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].size(), 3u);
  EXPECT_EQ(clip.GetBuffer(grid), std::string("\x01\x00\x02", 3));
  EXPECT_EQ(clip.AsText(), "строка");
  EXPECT_TRUE(clip.HasFormat(CF_UNICODETEXT)) << "all text formats are the one text";

  // Outside a batch each change replaces the whole content.
  clip.SetBuffer(csv, "x");
  EXPECT_FALSE(clip.HasFormat(grid));
  EXPECT_FALSE(clip.HasFormat(CF_TEXT));
  EXPECT_EQ(clip.GetBuffer(grid), "");
  clip.Clear();
  EXPECT_FALSE(clip.HasFormat(csv));
  ASSERT_EQ(log.size(), 3u);
  EXPECT_TRUE(log[2].empty());
  clip.Close();  // unbalanced: nothing happens
  EXPECT_EQ(log.size(), 3u);
}

TEST_F(ClipboardTest, OneBlockUnderSeveralFormatsReachesTheDesktopShared) {
  std::vector<TClipboardContent> log;
  SetClipboardBackend(std::make_unique<TRecordingBackend>(&log));
  const unsigned a = RegisterClipboardFormat("Shared A");
  const unsigned b = RegisterClipboardFormat("Shared B");
  const unsigned c = RegisterClipboardFormat("Shared C");
  struct TCase {
    const char* Name;
    std::string Bytes;
  };
  const TCase cases[] = {
      {"empty", ""}, {"short", "{\\rtf0}"}, {"with zeros", std::string("a\0b", 3)}};
  for (const TCase& k : cases) {
    SCOPED_TRACE(k.Name);
    log.clear();
    const TClipboardBytes block(k.Bytes);
    TClipboard& clip = Clipboard();
    clip.Open();
    clip.Clear();
    clip.SetBuffer(a, block);
    clip.SetBuffer(b, block);
    clip.SetBuffer(c, k.Bytes);  // equal bytes, a block of its own
    clip.Close();
    ASSERT_EQ(log.size(), 1u);
    const TClipboardContent& content = log[0];
    EXPECT_TRUE(content.at(a).SharesWith(content.at(b)));
    EXPECT_TRUE(content.at(a).SharesWith(block));
    EXPECT_FALSE(content.at(c).SharesWith(block));
    for (unsigned format : {a, b, c}) EXPECT_EQ(clip.GetBuffer(format), k.Bytes);
  }
}

TEST_F(ClipboardTest, InMemoryClipboardSharesTheTextWithEdits) {
  unsigned grid = RegisterClipboardFormat("Grid rows");
  TClipboard& clip = Clipboard();
  clip.Open();
  clip.SetAsText("1\t2");
  clip.SetBuffer(grid, "rows");
  clip.Close();
  EXPECT_EQ(GetClipboardText(), "1\t2");
  EXPECT_TRUE(clip.HasFormat(grid));

  // An edit copies text: the grid rows are gone with the old content.
  SetClipboardText("typed");
  EXPECT_FALSE(clip.HasFormat(grid));
  EXPECT_EQ(clip.GetBuffer(grid), "");
  EXPECT_TRUE(clip.HasFormat(CF_TEXT));
  EXPECT_EQ(clip.AsText(), "typed");

  clip.SetBuffer(grid, "only rows");
  EXPECT_FALSE(clip.HasFormat(CF_TEXT));
  EXPECT_TRUE(clip.HasFormat(grid));
}

}  // namespace
