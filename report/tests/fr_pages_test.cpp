#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "platform/base/stream.h"
#include "platform/draw/recording_canvas.h"
#include "report/fr_band_view.h"
#include "report/fr_engine.h"
#include "report/fr_memo_view.h"
#include "report/fr_pages.h"
#include "report/fr_picture_view.h"
#include "report/fr_stream.h"
#include "report/fr_utils.h"
#include "report_fixture.h"

namespace {

class FrPages : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = CreateUnique<TComponent>();
    report = Create<TTestReport>(owner.get());
    other = Create<TTestReport>(owner.get());
  }
  // Two pages with objects of every kind and a dictionary.
  void Fill(TTestReport* r) {
    TfrPages& pages = r->Pages();
    pages.Settings.DoublePass = true;
    pages.Settings.PrinterName = "Virtual printer";
    TfrPage* p1 = pages.Add();
    p1->Name = "Page1";
    p1->pgMargins = TRect{10, 20, 30, 40};
    p1->Script.SetText("x := 1;");
    TfrPage* p2 = pages.Add();
    p2->Name = "Страница";
    p2->pgOr = 1;
    p2->PageType = ptDialog;
    int n = 0;
    for (TfrPage* p : {p1, p2}) {
      for (int type : {gtBand, gtMemo, gtPicture, gtSubReport, gtLine}) {
        TfrView* v = p->Add(CreateReportObject(type, ""));
        v->Name = v->BaseName + std::to_string(++n);
        v->x = n * 10, v->y = n * 5, v->dx = 40, v->dy = 20;
        v->Memo.SetText("[A] " + std::to_string(n));
      }
    }
    r->Dictionary().Variables.Add(" Cat=");
    r->Dictionary().Variables.Add("A=1 + 2");
  }
  std::string Save(TTestReport* r) {
    TStringStream s;
    r->Pages().SaveToStream(s);
    return s.DataString();
  }
  void Load(TTestReport* r, const std::string& bytes) {
    TStringStream s(bytes);
    r->Pages().LoadFromStream(s);
  }
  TObjectPtr<TComponent> owner;
  TTestReport* report = nullptr;
  TTestReport* other = nullptr;
};

TEST_F(FrPages, TemplateHeadAndRoundTrip) {
  Fill(report);
  const std::string bytes = Save(report);
  EXPECT_EQ(bytes.substr(0, 10), Bytes({24, 0, 0, 0xFF, 0xFF, 1, 0, 1, 0, 0xFF}));
  Load(other, bytes);
  EXPECT_EQ(Save(other), bytes);
  ASSERT_EQ(other->Pages().Count(), 2);
  EXPECT_EQ(other->Pages().Settings.PrinterName, "Virtual printer");
  EXPECT_TRUE(other->Pages().Settings.DoublePass);
  TfrPage* p2 = other->Pages().Pages(1);
  EXPECT_EQ(p2->Name, "Страница");
  EXPECT_EQ(p2->PageType, ptDialog);
  ASSERT_EQ(p2->Objects.size(), 5u);
  EXPECT_EQ(p2->Objects[1]->ClassName(), "TfrMemoView");
  EXPECT_EQ(p2->Objects[1]->Name, "Memo7");
  EXPECT_EQ(other->Pages().Pages(0)->Script.Text(), "x := 1;\r\n");
  EXPECT_EQ(other->Dictionary().Variables.Count(), 2);
}

// Template framing written by hand around real records.
struct Builder {
  TStringStream s;
  int version = 24;
  void Head(int v, bool versionByte = true) {
    version = v;
    if (versionByte) WriteU8(s, static_cast<std::uint8_t>(v));
    WriteBool2(s, false);
    WriteBool2(s, false);
    if (v >= 23) {
      WriteString(s, "HP");
    } else {
      s.WriteBuffer("HP", 3);
    }
  }
  void Page() {
    WriteU8(s, 0xFF);
    auto page = CreateUnique<TfrPage>();
    page->SaveToStream(s);
  }
  // An object record with `junk` bytes before its stored end position.
  void Object(int type, const std::string& className, TfrView* view, int pageIndex = 0,
              const std::string& junk = "") {
    WriteU8(s, static_cast<std::uint8_t>(type));
    if (type == gtAddIn) WriteString(s, className);
    WriteU8(s, static_cast<std::uint8_t>(pageIndex));
    const std::int64_t at = s.Position();
    WriteI32(s, 0);
    if (view) view->SaveToStream(s);
    s.WriteBuffer(junk.data(), static_cast<std::int64_t>(junk.size()));
    const std::int64_t end = s.Position();
    s.SetPosition(at);
    WriteI32(s, static_cast<std::int32_t>(end));
    s.SetPosition(end);
  }
  std::string Done() {
    WriteU8(s, 0xFD);
    return s.DataString();
  }
};

TEST_F(FrPages, RecordsSkippedByTheirEndPosition) {
  auto memo = CreateUnique<TfrMemoView>();
  memo->Name = "First";
  auto second = CreateUnique<TfrMemoView>();
  second->Name = "Second";
  Builder b;
  b.Head(24);
  b.Page();
  b.Object(gtMemo, "", memo.get(), 0, "longer than read");
  b.Object(7, "", memo.get());  // a type that makes nothing
  frRegisterObject("TfrGone", [] { return TObjectPtr<TfrView>(CreateUnique<TfrMemoView>()); });
  auto gone = CreateReportObject(gtAddIn, "TfrGone");
  frUnregisterObject("TfrGone");
  b.Object(gtAddIn, "TfrGone", gone.get());
  b.Object(gtAddIn, "TfrAlsoGone", memo.get());
  b.Object(gtMemo, "", second.get());
  try {
    Load(report, b.Done());
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "TfrGone\rTfrAlsoGone\r");
  }
  ASSERT_EQ(report->Pages().Count(), 1);
  const auto& objects = report->Pages().Pages(0)->Objects;
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0]->Name, "First");
  EXPECT_EQ(objects[1]->Name, "Second");
}

TEST_F(FrPages, FramedMemoAlias) {
  auto memo = CreateUnique<TfrMemoView>();
  memo->Name = "Framed";
  Builder b;
  b.Head(24);
  b.Page();
  b.Object(gtAddIn, "TFRFRAMEDMEMOVIEW", memo.get(), 0, std::string(8, 'x'));
  Load(report, b.Done());
  ASSERT_EQ(report->Pages().Pages(0)->Objects.size(), 1u);
  EXPECT_EQ(report->Pages().Pages(0)->Objects[0]->ClassName(), "TfrMemoView");
}

TEST_F(FrPages, OldTemplatesWithoutVersionByteOrMarker) {
  // Version 21: no version byte, old strings, a page record without the
  // marker, objects without end positions.
  Builder b;
  b.Head(21, false);
  WriteU8(b.s, 0xFF);
  for (int v : {9, 2100, 2970, 1, 2, 3, 4}) WriteI32(b.s, v);
  WriteU8(b.s, 1);
  b.s.WriteBuffer("sixsix", 6);
  WriteBool2(b.s, true);
  WriteBool2(b.s, false);
  WriteI32(b.s, 2);
  WriteI32(b.s, 5);
  WriteU8(b.s, gtLine);
  WriteU8(b.s, 0);
  for (int v : {1, 2, 3, 4}) WriteI32(b.s, v);
  WriteU16(b.s, 1), WriteU16(b.s, 4), WriteI32(b.s, 1), WriteI32(b.s, 0), WriteU16(b.s, 0);
  WriteI32(b.s, clNone), WriteI32(b.s, 0), WriteU8(b.s, 0), WriteU8(b.s, 0);
  Load(report, b.Done());
  ASSERT_EQ(report->Pages().Count(), 1);
  TfrPage* page = report->Pages().Pages(0);
  EXPECT_EQ(page->Name, "Page1");
  EXPECT_EQ(page->pgSize, 9);
  EXPECT_EQ(page->pgBin, -1);
  EXPECT_EQ(page->pgOr, 1);
  EXPECT_TRUE(page->PrintToPrevPage);
  EXPECT_FALSE(page->UseMargins);
  EXPECT_EQ(page->Columns, 2);
  EXPECT_EQ(report->Pages().Settings.PrinterName, "HP");
  ASSERT_EQ(page->Objects.size(), 1u);
  EXPECT_EQ(page->Objects[0]->Name, "Line1");
  EXPECT_EQ(page->Objects[0]->dy, 4);

  // Without end positions an unknown add-in or a type 5-9 cannot be skipped.
  for (int type : {gtAddIn, 6}) {
    Builder old;
    old.Head(23);
    old.Page();
    WriteU8(old.s, static_cast<std::uint8_t>(type));
    if (type == gtAddIn) WriteString(old.s, "TfrNone");
    WriteU8(old.s, 0);
    EXPECT_ANY_THROW(Load(report, old.Done())) << type;
    EXPECT_EQ(report->Pages().Count(), 0);
  }
}

TEST_F(FrPages, DamagedTemplatesFailCleanly) {
  Fill(report);
  const std::string good = Save(report);
  auto memo = CreateUnique<TfrMemoView>();
  const auto withTag = [&](int tag) {
    Builder b;
    b.Head(24);
    b.Page();
    WriteU8(b.s, static_cast<std::uint8_t>(tag));
    return b.Done();
  };
  const auto badEnd = [&](std::int32_t end) {
    Builder b;
    b.Head(24);
    b.Page();
    WriteU8(b.s, gtMemo);
    WriteU8(b.s, 0);
    WriteI32(b.s, end);
    return b.s.DataString();
  };
  Builder wrongPage;
  wrongPage.Head(24);
  wrongPage.Page();
  wrongPage.Object(gtMemo, "", memo.get(), 1);
  const std::string cases[] = {
      withTag(11),
      withTag(100),
      withTag(252),
      badEnd(3),
      badEnd(1 << 30),
      badEnd(-5),
      wrongPage.Done(),
      Bytes({25, 0, 0, 0, 0}),
      good.substr(0, good.size() / 2),
  };
  for (const std::string& bytes : cases) {
    try {
      Load(other, bytes);
      ADD_FAILURE() << "loaded";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), "Unsupported FRF format");
    }
    EXPECT_EQ(other->Pages().Count(), 0);
  }
  // Every cut of a good template fails or loads; none crashes or hangs.
  for (std::size_t n = 0; n < good.size(); n += 7) {
    try {
      Load(other, good.substr(0, n));
    } catch (const EReadError&) {
    }
  }
}

class FrPrepared : public FrPages {
 protected:
  // Three prepared pages, each with a printed memo and band.
  void Prepare(TTestReport* r) {
    TfrCurrentReport current(r);
    r->Texts = {{"A", "value"}};
    TfrPage* page = r->Pages().Add();
    page->pgSize = 11;
    page->pgOr = 1;
    page->UseMargins = false;
    page->pgMargins = TRect{20, 30, 20, 30};
    auto memo = CreateUnique<TfrMemoView>();
    memo->Name = "M";
    memo->x = 10, memo->y = 10, memo->dx = 100, memo->dy = 20;
    memo->FillColor = clAqua;
    memo->Memo.SetText("[A]");
    for (int i = 0; i < 3; ++i) {
      r->EMFPages().Add(*page);
      memo->y = 10 + 40 * i;
      memo->Print(*r->EMFPages().Pages(i).Stream);
    }
    r->EMFPages().PrinterName = "Virtual printer";
  }
};

TEST_F(FrPrepared, RoundTripKeepsPagesAndPaper) {
  Prepare(report);
  EXPECT_EQ(report->BegunPages, (std::vector<int>{1, 2, 3}));
  TStringStream s;
  report->EMFPages().SaveToStream(s);
  EXPECT_EQ(s.DataString().substr(0, 6), Bytes({24, 0, 1, 0, 1, 0}));
  s.SetPosition(0);
  other->EMFPages().LoadFromStream(s);
  TStringStream again;
  other->EMFPages().SaveToStream(again);
  EXPECT_EQ(again.DataString(), s.DataString());
  ASSERT_EQ(other->EMFPages().Count(), 3);
  TfrEMFPage& p = other->EMFPages().Pages(2);
  EXPECT_EQ(p.pgSize, 11);
  EXPECT_EQ(p.pgOr, 1);
  EXPECT_FALSE(p.UseMargins);
  EXPECT_EQ(p.pgMargins, (TRect{20, 30, 20, 30}));
  other->EMFPages().ObjectsToPage(2);
  ASSERT_EQ(p.Page->Objects.size(), 1u);
  EXPECT_EQ(p.Page->Objects[0]->Memo1.Text(), "value\r\n");
  EXPECT_EQ(p.Page->Objects[0]->y, 90);
  other->EMFPages().PageToObjects(2);
  EXPECT_EQ(p.Stream->Size(), report->EMFPages().Pages(2).Stream->Size());
}

TEST_F(FrPrepared, CompressionAndDamage) {
  Prepare(report);
  TStringStream s;
  report->EMFPages().SaveToStream(s);
  const std::string good = s.DataString();
  const struct {
    std::string bytes;
    const char* message;
  } refused[] = {
      {Bytes({24, 1}) + good.substr(2), "Compressed prepared reports are not supported"},
      {Bytes({24, 7}) + good.substr(2), "Prepared reports of the oldest layout are not supported"},
      {Bytes({24, 0, 0, 0, 0, 0, 0, 0x7F}), "Unsupported FRF format"},  // huge count
      {good.substr(0, good.size() - 3), "Unsupported FRF format"},
      {good.substr(0, 20), "Unsupported FRF format"},
  };
  for (const auto& c : refused) {
    TStringStream in(c.bytes);
    try {
      other->EMFPages().LoadFromStream(in);
      ADD_FAILURE() << c.message;
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(other->EMFPages().Count(), 0);
  }
  // 255 reads as uncompressed.
  TStringStream ff(Bytes({24, 255}) + good.substr(2));
  other->EMFPages().LoadFromStream(ff);
  EXPECT_EQ(other->EMFPages().Count(), 3);

  // A damaged object stream fails when the page is built.
  other->EMFPages().Pages(0).Stream->SetSize(10);
  EXPECT_THROW(other->EMFPages().ObjectsToPage(0), EReadError);
}

TEST_F(FrPrepared, DrawAndPoint) {
  Prepare(report);
  TfrEMFPages& pages = report->EMFPages();
  const TSize size = pages.Pages(0).ScreenSize();
  TRecordingCanvas canvas;
  pages.Draw(0, canvas, TRect{0, 0, size.cx, size.cy});
  ASSERT_FALSE(canvas.Records().empty());
  EXPECT_EQ(canvas.Records()[0].Kind, TRecordKind::FillRect);
  EXPECT_EQ(canvas.Records()[0].Rect, (TRect{10, 10, 111, 31}));
  EXPECT_FALSE(pages.Pages(0).Page);  // not shown: objects freed

  // Half size: scaled; an object outside the clip is skipped.
  canvas.Clear();
  pages.Pages(1).Visible = true;
  pages.Draw(1, canvas, TRect{100, 0, 100 + size.cx / 2, size.cy / 2});
  ASSERT_FALSE(canvas.Records().empty());
  EXPECT_EQ(canvas.Records()[0].Rect.Left, 105);
  EXPECT_TRUE(pages.Pages(1).Page);
  TRecordingCanvas clipped;
  clipped.IntersectClipRect(TRect{500, 500, 600, 600});
  pages.Draw(1, clipped, TRect{0, 0, size.cx, size.cy});
  EXPECT_TRUE(clipped.Records().empty());

  // Pointing: with margins the page maps inside them.
  TCursor cursor = crDefault;
  TfrEMFPage& p = pages.Pages(0);
  const double kx = static_cast<double>(size.cx - 40) / size.cx;
  const int inside = 20 + static_cast<int>(50 * kx);
  EXPECT_TRUE(pages.DoMouse(0, TPoint{inside, 30 + 15}, cursor, true));
  EXPECT_EQ(report->Clicked, std::vector<std::string>{"M"});
  EXPECT_FALSE(pages.DoMouse(0, TPoint{5, 5}, cursor, true));
  p.UseMargins = true;
  EXPECT_TRUE(pages.DoMouse(0, TPoint{12, 12}, cursor, true));
  EXPECT_FALSE(pages.DoMouse(0, TPoint{12, 12}, cursor, false));  // no mouse-over handler
}

// A text object whose drawing fails.
class TFailingMemo : public TfrMemoView {
  MEBRATH_CLASS(TFailingMemo, TfrMemoView)
 public:
  void Draw(TCanvas&) override { throw EReadError("drawing failed"); }

 protected:
  TFailingMemo() = default;
};

TEST_F(FrPrepared, DrawingThatFailsPutsTheDocumentModeBack) {
  Prepare(report);
  TfrEMFPages& pages = report->EMFPages();
  pages.Pages(0).Visible = true;
  pages.ObjectsToPage(0);
  pages.Pages(0).Page->Add(CreateUnique<TFailingMemo>());
  const TfrDocMode before = frEngine().DocMode;
  TRecordingCanvas canvas;
  EXPECT_THROW(pages.Draw(0, canvas, TRect{0, 0, 800, 1100}), EReadError);
  EXPECT_EQ(frEngine().DocMode, before);
}

// Damaged values in a template and in a prepared report. Each case marks
// one field of a ruled, auto-width text object with a value of its own,
// then overwrites that value's bytes in the file: values no page holds are
// refused, the others draw no more rules than the canvas shows.
TEST(FrDamagedFiles, RefusedOrDrawnWithinTheCanvas) {
  constexpr std::int32_t kMark = 0x5A5A5;
  const struct {
    const char* What;
    std::function<void(TfrPage&, TfrMemoView&)> Mark;
    std::int32_t Damaged;
    bool Refused;
  } cases[] = {
      {"height at the limit", [](TfrPage&, TfrMemoView& m) { m.dy = kMark; }, kfrMaxCoordinate,
       false},
      {"height past a page", [](TfrPage&, TfrMemoView& m) { m.dy = kMark; }, INT32_MAX, true},
      {"left far off", [](TfrPage&, TfrMemoView& m) { m.x = kMark; }, INT32_MIN, true},
      {"gap", [](TfrPage&, TfrMemoView& m) { m.GapX = kMark; }, 0x7FFFFFF0, true},
      {"line spacing", [](TfrPage&, TfrMemoView& m) { m.LineSpacing = kMark; }, -0x7FFFFFF0, true},
      {"character spacing at the limit", [](TfrPage&, TfrMemoView& m) { m.CharSpacing = kMark; },
       kfrMaxCoordinate, false},
      {"character spacing", [](TfrPage&, TfrMemoView& m) { m.CharSpacing = kMark; }, 0x40000000,
       true},
      {"a page of a pixel", [](TfrPage& p, TfrMemoView&) { p.pgWidth = kMark; }, 3, false},
      {"a page past the limit", [](TfrPage& p, TfrMemoView&) { p.pgHeight = kMark; }, INT32_MAX,
       true},
  };
  const TRect surface{0, 0, 300, 200};
  for (const bool prepared : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(prepared ? "prepared: " : "template: ") + c.What);
      auto owner = CreateUnique<TComponent>();
      TTestReport* report = Create<TTestReport>(owner.get());
      TfrCurrentReport current(report);
      TfrPage* page = report->Pages().Add();
      auto memo = CreateUnique<TfrMemoView>();
      memo->x = memo->y = 10, memo->dx = 200, memo->dy = 100;
      memo->Flags = flAutoWidth | flUnderlines | flWordWrap;
      memo->Font.SetSize(1);
      memo->Memo.SetText("Итого по реестру");
      c.Mark(*page, *memo);
      TStringStream s;
      if (prepared) {
        report->EMFPages().Add(*page);
        memo->Print(*report->EMFPages().Pages(0).Stream);
        report->EMFPages().SaveToStream(s);
      } else {
        page->Add(std::move(memo));
        report->Pages().SaveToStream(s);
      }
      std::string bytes = s.DataString();
      const std::string mark(reinterpret_cast<const char*>(&kMark), 4);
      const std::size_t at = bytes.find(mark);
      ASSERT_NE(at, std::string::npos);
      std::memcpy(bytes.data() + at, &c.Damaged, 4);
      TStringStream in(bytes);
      TRecordingCanvas canvas(surface);
      try {
        TTestReport* damaged = Create<TTestReport>(owner.get());
        TfrCurrentReport reading(damaged);
        if (prepared) {
          damaged->EMFPages().LoadFromStream(in);
          damaged->EMFPages().Draw(0, canvas, TRect{0, 0, 800, 1100});
        } else {
          damaged->Pages().LoadFromStream(in);
          damaged->Pages().ResetBeforeBuild(canvas);
        }
        EXPECT_FALSE(c.Refused);
      } catch (const EReadError& e) {
        EXPECT_TRUE(c.Refused) << e.Message();
        EXPECT_EQ(e.Message(), "Unsupported FRF format");
      }
      int lines = 0;
      for (const TCanvasRecord& r : canvas.Records()) lines += r.Kind == TRecordKind::Line;
      EXPECT_LE(lines, surface.Height() + 1);
    }
  }
}

}  // namespace
