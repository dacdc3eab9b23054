// Text layout with the recording canvas's fixed metrics: Arial 10 is 13
// pixels high and every character 7 wide; a line takes 15 with the default
// LineSpacing 2. With a one-pixel frame the gaps stay 2 and 1, so the width
// available for text is dx - 4.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/stream.h"
#include "platform/draw/recording_canvas.h"
#include "report/fr_engine.h"
#include "report/fr_memo_view.h"
#include "report_fixture.h"

namespace {

class TExportReport : public TTestReport {
  MEBRATH_CLASS(TExportReport, TTestReport)
 public:
  std::vector<int> Sides;
  std::vector<std::string> Lines;
  void ExportText(const TRect&, int, int, const std::string& text, int frameTyp,
                  TfrView*) override {
    Lines.push_back(text);
    Sides.push_back(frameTyp);
  }

 protected:
  using TTestReport::TTestReport;
};

class FrMemoLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = CreateUnique<TComponent>();
    report = Create<TExportReport>(owner.get());
    current = std::make_unique<TfrCurrentReport>(report);
    memo = CreateUnique<TfrMemoView>();
    memo->x = 10;
    memo->y = 20;
    memo->dy = 200;
    frEngine().DocMode = dmPrinting;
  }
  void TearDown() override { frEngine().DocMode = dmDesigning; }

  // The laid-out lines, '|' between them, the paragraph end shown as '~'.
  std::string Layout(const std::string& text, int dx, std::uint16_t flags = flWordWrap) {
    memo->Memo.SetText(text);
    memo->dx = dx;
    memo->Flags = flags;
    memo->EndPrint();  // each layout measures a print of its own
    memo->CalcHeight();
    std::string out;
    for (int i = 0; i < memo->Memo1.Count(); ++i) {
      if (i > 0) out += '|';
      for (char c : memo->Memo1[i]) out += c == kParagraphEnd ? '~' : c;
    }
    return out;
  }

  TObjectPtr<TComponent> owner;
  TExportReport* report = nullptr;
  std::unique_ptr<TfrCurrentReport> current;
  TObjectPtr<TfrMemoView> memo;
};

TEST_F(FrMemoLayout, HeightOfThreeLines) {
  memo->Memo.SetText("a\r\nb\r\nc");
  memo->dx = 100;
  EXPECT_EQ(memo->CalcHeight(), 47);
  memo->EndPrint();
  memo->Memo.Clear();
  EXPECT_EQ(memo->CalcHeight(), 0);
}

// A highlighted memo is measured, and split, in the font it prints in:
// bold characters are 8 wide, so "abcdefghij" (70 plain) wraps in 74.
TEST_F(FrMemoLayout, HighlightFontLaysTheTextOut) {
  memo->SetHighlightCondition("1");
  const TFontData plain = memo->Font.Data();
  EXPECT_EQ(Layout("abcdefghij", 78), "abcdefghi|j~");
  EXPECT_EQ(memo->CalcHeight(), 2 + 2 * 15);
  EXPECT_EQ(memo->Font.Data(), plain);
  memo->EndPrint();
  memo->SetHighlightCondition("0");
  EXPECT_EQ(memo->CalcHeight(), 2 + 15);

  // A part cut to one line keeps the bold line that fits.
  memo->EndPrint();
  memo->SetHighlightCondition("1");
  memo->dy = 17;
  memo->Splitting = true;
  TStringStream s;
  memo->Print(s);
  memo->Splitting = false;
  s.SetPosition(1);
  auto back = CreateUnique<TfrMemoView>();
  back->StreamMode = 1;
  back->LoadFromStream(s);
  ASSERT_GE(back->Memo1.Count(), 1);
  EXPECT_EQ(back->Memo1[0], "abcdefghi");
  EXPECT_EQ(memo->Font.Data(), plain);
}

TEST_F(FrMemoLayout, Wrapping) {
  constexpr std::uint16_t wrap = flWordWrap;
  constexpr std::uint16_t brk = flWordWrap | flWordBreak;
  const struct {
    const char* Text;
    int Dx;
    std::uint16_t Flags;
    const char* Lines;
  } cases[] = {
      {"a", 3, wrap, "a~"},
      {"ab cd", 25, wrap, "ab|cd~"},
      {"ab cd", 25, 0, "ab cd~"},
      {"abc,def", 39, wrap, "abc,|def~"},
      {"abcdefghij", 32, wrap, "abcd|efgh|ij~"},
      {"ab cd", 100, wrap, "ab cd~"},
      {"ab молоко", 60, brk, "ab моло-|ко~"},
      {"ab молоко", 46, brk, "ab мо-|локо~"},
      {"ab milkyway", 60, brk, "ab|milkyway~"},
      {"ab молоко", 60, wrap, "ab|молоко~"},
      // A word without any hyphenation point is cut where it overflows.
      {"бвгджзклмн", 32, brk, "бвгд|жзкл|мн~"},
      // A character wider than the line still gets a line of its own.
      {"WWW", 5, brk, "W|W|W~"},
  };
  for (const auto& c : cases) EXPECT_EQ(Layout(c.Text, c.Dx, c.Flags), c.Lines) << c.Text;
}

// Measures on the recording metrics and counts the measurements.
class TCountingCanvas : public TRecordingCanvas {
 public:
  int Measured = 0;

 protected:
  void DoMeasure(std::u32string_view text, std::vector<int>& advances) override {
    ++Measured;
    TRecordingCanvas::DoMeasure(text, advances);
  }
};

// A paragraph met again (the same text, width, font and flags) takes the
// lines it wrapped into before, unmeasured; any difference measures anew
// and wraps exactly as without the cache.
TEST_F(FrMemoLayout, EachDistinctParagraphIsMeasuredOnce) {
  TCountingCanvas canvas;
  TCanvas* previous = frSetScratchCanvas(&canvas);
  const std::string text = "Иванова Мария Петровна, г. Москва";
  const std::string first = Layout(text, 60);
  EXPECT_EQ(first, "Иванова|Мария|Петровна|, г.|Москва~");
  const int measured = canvas.Measured;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Layout(text, 60), first);
  EXPECT_EQ(canvas.Measured, measured);
  const auto fresh = [&](int dx, std::uint16_t flags) {
    const std::string cached = Layout(text, dx, flags);
    frEngine().LayoutCache.Clear();
    EXPECT_EQ(Layout(text, dx, flags), cached) << dx;
    return cached;
  };
  EXPECT_EQ(fresh(100, flWordWrap), "Иванова Мария|Петровна, г.|Москва~");
  EXPECT_EQ(fresh(60, flWordWrap | flWordBreak), "Иванова|Мария|Петров-|на, г.|Москва~");
  memo->CharSpacing = 2;
  EXPECT_EQ(fresh(60, flWordWrap), "Иванов|а|Мария|Петров|на, г.|Москва~");
  memo->CharSpacing = 0;
  const TFontData firstFont = memo->Font.Data();
  memo->Font.SetSize(14);
  EXPECT_NE(fresh(60, flWordWrap), first);
  EXPECT_GT(canvas.Measured, measured);
  // Fonts taking turns each find their own lines unmeasured.
  const std::string larger = Layout(text, 60);
  memo->Font.SetData(firstFont);
  EXPECT_EQ(Layout(text, 60), first);
  const int remeasured = canvas.Measured;
  for (int i = 0; i < 2; ++i) {
    memo->Font.SetSize(14);
    EXPECT_EQ(Layout(text, 60), larger);
    memo->Font.SetData(firstFont);
    EXPECT_EQ(Layout(text, 60), first);
  }
  EXPECT_EQ(canvas.Measured, remeasured);
  // Another measuring canvas starts afresh.
  frSetScratchCanvas(previous);
  EXPECT_EQ(frEngine().LayoutCache.Find(canvas, 60, false, text), nullptr);
}

TEST_F(FrMemoLayout, LineBreaksEndParagraphs) {
  memo->Memo.Clear();
  memo->Memo.Add("line\r\n\r\nnext\r\n");
  memo->dx = 200;
  memo->Flags = flWordWrap | flTextOnly;
  memo->CalcHeight();
  ASSERT_EQ(memo->Memo1.Count(), 2);
  EXPECT_EQ(memo->Memo1[0], std::string("line") + kParagraphEnd);
  EXPECT_EQ(memo->Memo1[1], std::string("next") + kParagraphEnd);
}

TEST_F(FrMemoLayout, WrapAlwaysProgresses) {
  const std::string text = "ab ccccccccccccccc d молокомолоко x,y/z.w-v";
  for (int dx : {1, 8, 11, 20, 33, 50}) {
    Layout(text, dx, flWordWrap | flWordBreak);
    std::string joined;
    for (int i = 0; i < memo->Memo1.Count(); ++i) {
      std::string line = memo->Memo1[i];
      if (!line.empty() && line.back() == kParagraphEnd) line.pop_back();
      joined += line;
    }
    std::string letters;
    for (char c : text)
      if (c != ' ' && c != '-') letters += c;
    std::string got;
    for (char c : joined)
      if (c != ' ' && c != '-') got += c;
    EXPECT_EQ(got, letters) << dx;
  }
}

TEST(FrHyphenation, Points) {
  const struct {
    const char* Word;
    std::vector<int> Points;
  } cases[] = {
      {"молоко", {2, 4}}, {"сестра", {4}},    {"подъезд", {}}, {"дом", {}},
      {"milkyway", {}},   {"МОЛОКО", {2, 4}}, {"ёлка", {2}},
  };
  for (const auto& c : cases) EXPECT_EQ(FindHyphenPoints(c.Word), c.Points) << c.Word;
}

TEST_F(FrMemoLayout, AlignmentAndJustification) {
  memo->Memo.SetText("a b c d e f g h\r\nx y");
  memo->dx = 80;  // 76 for text: "a b c d e" (63) per line
  memo->Flags = flWordWrap;
  memo->Adjust = 3;
  TRecordingCanvas canvas;
  memo->Draw(canvas);
  std::vector<const TCanvasRecord*> texts;
  for (const auto& r : canvas.Records())
    if (r.Kind == TRecordKind::Text) texts.push_back(&r);
  ASSERT_EQ(texts.size(), 3u);
  // W = 81, gaps 2: 77 - 63 = 14 extra pixels over 4 blanks, remainder first.
  EXPECT_EQ(texts[0]->Text, "a b c d e");
  EXPECT_EQ(texts[0]->Rect.Left, 12);
  EXPECT_EQ(texts[0]->Offsets[2], 7 + 7 + 4);
  EXPECT_EQ(texts[0]->Offsets.back(), 8 * 7 + 14);
  // Paragraph ends are not stretched, and the canvas carries no
  // justification afterwards.
  EXPECT_EQ(texts[1]->Text, "f g h");
  EXPECT_EQ(texts[1]->Offsets.back(), 4 * 7);
  EXPECT_EQ(texts[2]->Offsets.back(), 2 * 7);
  EXPECT_EQ(canvas.TextWidth("a b"), 21 + 0);

  const struct {
    int Adjust;
    int Left;
  } aligns[] = {
      {frtaLeft, 12}, {frtaRight, 10 + 81 - 1 - 2 - 21}, {frtaCenter, 12 + (77 - 21) / 2}};
  for (const auto& a : aligns) {
    memo->Memo.SetText("x y");
    memo->Adjust = a.Adjust;
    TRecordingCanvas c2;
    memo->Draw(c2);
    int left = -1;
    for (const auto& r : c2.Records())
      if (r.Kind == TRecordKind::Text) left = r.Rect.Left;
    EXPECT_EQ(left, a.Left) << a.Adjust;
  }
}

TEST_F(FrMemoLayout, SplitKeepsTheLinesThatFit) {
  memo->Memo.SetText("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10");
  memo->dx = 100;
  memo->dy = 51;  // clip bottom 50 below the first line's top
  memo->Splitting = true;
  TStringStream first;
  memo->Print(first);
  EXPECT_EQ(memo->DrawnLines(), 3);
  EXPECT_EQ(memo->Memo1.Count(), 3);
  memo->Splitting = false;
  memo->Continuation = true;
  memo->dy = 200;
  TStringStream rest;
  memo->Print(rest);
  ASSERT_EQ(memo->Memo1.Count(), 7);
  EXPECT_EQ(memo->Memo1[0], std::string("4") + kParagraphEnd);
}

TEST_F(FrMemoLayout, ExportedLinesCarryFrameSides) {
  memo->Memo.SetText("a\r\nb\r\nc");
  memo->dx = 100;
  memo->FrameTyp = 15;
  memo->ExportData();
  EXPECT_EQ(report->Lines, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(report->Sides, (std::vector<int>{13, 5, 7}));
  report->Sides.clear();
  memo->Adjust = frtaVertical;
  memo->ExportData();
  EXPECT_EQ(report->Sides, (std::vector<int>{0, 0, 0}));
}

TEST_F(FrMemoLayout, RuledLines) {
  memo->Memo.SetText("x");
  memo->dx = 100;
  memo->dy = 100;
  memo->Flags = flUnderlines;
  TRecordingCanvas canvas;
  memo->Draw(canvas);
  std::vector<int> ys;
  for (const auto& r : canvas.Records())
    if (r.Kind == TRecordKind::Line) ys.push_back(r.Points[0].Y);
  ASSERT_EQ(ys.size(), 6u);
  EXPECT_EQ(ys[0], 20 + 1 + 15);
  EXPECT_EQ(ys[1], 20 + 1 + 30);
}

TEST_F(FrMemoLayout, AutoWidthKeepsTheRightEdge) {
  memo->Memo.SetText("abc");
  memo->x = 100;
  memo->dx = 200;
  memo->Adjust = frtaRight;
  memo->Flags = flAutoWidth;
  TRecordingCanvas canvas;
  memo->Draw(canvas);
  EXPECT_EQ(memo->dx, 21 + 1 + 4 + 1);
  EXPECT_EQ(memo->x + memo->dx, 300);
  frEngine().DocMode = dmDesigning;
  memo->dx = 200;
  memo->Draw(canvas);
  EXPECT_EQ(memo->dx, 200);
}

TEST_F(FrMemoLayout, VerticalMiddleAndDown) {
  memo->Memo.SetText("ab");
  memo->dx = 100;
  memo->dy = 100;
  memo->Adjust = frtaDown;
  TRecordingCanvas canvas;
  memo->Draw(canvas);
  int top = -1;
  for (const auto& r : canvas.Records())
    if (r.Kind == TRecordKind::Text) top = r.Rect.Top;
  // Layout height 17; the drawing rectangle ends at 20 + 100 + 1.
  EXPECT_EQ(top, 121 - 17 - 1 + 1);
}

}  // namespace
