#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

#include "platform/base/format_settings.h"
#include "platform/base/stream.h"
#include "platform/draw/recording_canvas.h"
#include "report/fr_band_view.h"
#include "report/fr_engine.h"
#include "report/fr_format.h"
#include "report/fr_memo_view.h"
#include "report/fr_picture_view.h"
#include "report/fr_stream.h"
#include "report/fr_utils.h"
#include "report_fixture.h"

namespace {

// Saves `v` in its current mode, reads the bytes into a new object of the
// same kind, saves that again: both byte strings must be equal.
std::string RoundTrip(TfrView& v, TObjectPtr<TfrView>* back = nullptr) {
  TStringStream first;
  v.SaveToStream(first);
  TObjectPtr<TfrView> copy = CreateReportObject(v.Typ, "");
  copy->StreamMode = v.StreamMode;
  TStringStream in(first.DataString());
  copy->LoadFromStream(in);
  EXPECT_EQ(in.Position(), in.Size()) << v.ClassName();
  TStringStream second;
  copy->SaveToStream(second);
  EXPECT_EQ(first.DataString(), second.DataString()) << v.ClassName();
  if (back) *back = std::move(copy);
  return first.DataString();
}

TObjectPtr<TfrView> Filled(int type) {
  TObjectPtr<TfrView> v = CreateReportObject(type, "");
  v->Name = "Объект1";
  v->x = 10, v->y = 20, v->dx = 300, v->dy = 40;
  v->FrameTyp = 15;
  v->FrameWidth = 0.5f;
  v->FrameStyle = frsDouble;
  v->FillColor = clYellow;
  v->FormatStr = "#,##0.00";
  v->Memo.SetText("[A] и [B]\r\nвторая");
  v->Script.SetText("begin end");
  v->Tag = "t[A]";
  v->GapX = 3;
  v->BandAlign = baRest;
  return v;
}

TEST(FrView, EveryKindRoundTripsByteForByte) {
  for (int type : {gtMemo, gtPicture, gtBand, gtSubReport, gtLine}) {
    for (std::uint8_t mode : {0, 1}) {
      TObjectPtr<TfrView> v = Filled(type);
      v->StreamMode = mode;
      if (auto* memo = dynamic_cast<TfrMemoView*>(v.get())) {
        memo->Font.SetName("Times New Roman");
        memo->Font.SetStyle(StyleFromInt(5));
        memo->SetHighlightCondition("[A] > 2*-3");
        memo->LineSpacing = 5;
        memo->Memo1.SetText("evaluated");
      }
      if (auto* band = dynamic_cast<TfrBandView*>(v.get())) {
        band->ChildBand = "Child";
        band->Columns = 3;
      }
      if (auto* pict = dynamic_cast<TfrPictureView*>(v.get())) {
        pict->Picture.Bitmap()->SetSize(3, 2);
        pict->BlobType = btICO;
      }
      TObjectPtr<TfrView> back;
      RoundTrip(*v, &back);
      EXPECT_EQ(back->Name, "Объект1");
      EXPECT_EQ(back->FrameWidth, 0.5f);
      EXPECT_EQ(back->BandAlign, baRest);
      EXPECT_EQ(back->Memo.Text(), mode == 0 ? v->Memo.Text() : std::string());
    }
  }
}

TEST(FrView, FrameWidthEncoding) {
  const struct {
    float width;
    std::int32_t stored;
    float back;
  } cases[] = {
      {0, 0, 0},
      {1, 1, 1},
      {2, 2, 2},
      {0.5f, 500, 0.5f},
      {10, 10, 10},
      {11, 11000, 11},
      {12, 12000, 12},
      {1.25f, 1250, 1.25f},
      {0.005f, 11, 0.011f},
      {0.01f, 11, 0.011f},
      {-3, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeFrameWidth(c.width), c.stored) << c.width;
    EXPECT_FLOAT_EQ(DecodeFrameWidth(EncodeFrameWidth(c.width)), c.back) << c.width;
  }
}

// A view record of template version 22, made by hand: no name, no record
// version, old strings and memos, no script.
std::string Version22Memo() {
  std::string b;
  const auto i32 = [&](int v) {
    for (int k = 0; k < 4; ++k) b += static_cast<char>((v >> (8 * k)) & 0xFF);
  };
  const auto u16 = [&](int v) { b += static_cast<char>(v & 0xFF), b += static_cast<char>(v >> 8); };
  i32(1), i32(2), i32(3), i32(4);  // geometry
  u16(1), u16(15), i32(2), i32(0), u16(0);
  i32(clNone);
  i32(0), b += "fmt", b += '\0';  // Format, FormatStr
  b += "line1";
  b += '\r';
  b += "[A]";
  b += '\0';  // memo
  b += "Arial", b += '\0';
  i32(12), u16(2), i32(255), i32(frtaRight), u16(204);
  u16(2), i32(0), i32(0xFFFFFF), b += '\0';  // highlight and its empty condition
  return b;
}

TEST(FrView, OlderVersionsReadTheirLayouts) {
  auto owner = CreateUnique<TComponent>();
  auto* report = Create<TTestReport>(owner.get());
  TfrCurrentReport current(report);
  TfrPage* page = report->Pages().Add();
  page->Add(CreateReportObject(gtMemo, ""))->Name = "Memo1";

  const int saved = frEngine().Version;
  for (int version : {21, 22}) {
    frEngine().Version = version;
    auto memo = CreateUnique<TfrMemoView>();
    memo->Flags = 0;
    TStringStream s(Version22Memo());
    memo->LoadFromStream(s);
    EXPECT_EQ(s.Position(), s.Size());
    EXPECT_EQ(memo->Name, "Memo2");  // Memo1 is taken
    EXPECT_EQ(memo->Memo.Text(), "line1\r\n[A]\r\n");
    EXPECT_EQ(memo->FormatStr, "fmt");
    EXPECT_EQ(memo->FrameWidth, 2);
    EXPECT_EQ(memo->Font.Name(), "Arial");
    EXPECT_EQ(memo->Font.Charset(), DEFAULT_CHARSET);
    EXPECT_EQ(memo->LineSpacing, 2);
    EXPECT_EQ(memo->Adjust, frtaRight);
    EXPECT_EQ((memo->Flags & flWordWrap) != 0, version == 21);
  }

  // Version 23: a name and a script, still no record version, LineSpacing
  // stays at its default.
  frEngine().Version = 24;
  auto modern = CreateUnique<TfrMemoView>();
  modern->Name = "M";
  modern->LineSpacing = 9;
  TStringStream out;
  modern->SaveToStream(out);
  const std::string full = out.DataString();
  // The memo tail: font name "Arial" (8), size, style, colour, Adjust,
  // charset (16), highlight (10 + 3), LineSpacing and CharSpacing (8).
  const std::size_t tail = 45;
  // Without the version-24 block and BandAlign (14), the spacings and the
  // record version bytes after the name "M".
  std::string bytes =
      full.substr(0, full.size() - tail - 14) + full.substr(full.size() - tail, tail - 8);
  bytes.erase(4, 2);
  frEngine().Version = 23;
  auto old = CreateUnique<TfrMemoView>();
  TStringStream in(bytes);
  old->LoadFromStream(in);
  EXPECT_EQ(old->Name, "M");
  EXPECT_EQ(old->LineSpacing, 2);
  EXPECT_EQ(old->Font.Name(), "Arial");
  frEngine().Version = saved;
}

TEST(FrView, BandAndPictureTails) {
  auto band = CreateUnique<TfrBandView>();
  EXPECT_EQ(band->Flags & (flBandOnFirstPage | flBandOnLastPage),
            flBandOnFirstPage | flBandOnLastPage);
  TStringStream s;
  band->SaveToStream(s);
  // Master is written even when empty: the record ends with its string.
  EXPECT_EQ(s.DataString().substr(s.DataString().size() - 3), Bytes({0, 0, 0}));
  EXPECT_EQ(band->MinorVersion, 1);

  // Picture kind 0 with bytes before its end position: skipped.
  auto pict = CreateUnique<TfrPictureView>();
  TStringStream p;
  pict->SaveToStream(p);
  std::string bytes = p.DataString();
  const std::size_t endAt = bytes.size() - 4;
  const auto end = static_cast<std::int32_t>(bytes.size() + 5);
  for (int k = 0; k < 4; ++k) bytes[endAt + k] = static_cast<char>((end >> (8 * k)) & 0xFF);
  bytes += "junk!";
  bytes += "after";
  auto back = CreateUnique<TfrPictureView>();
  TStringStream in(bytes);
  back->LoadFromStream(in);
  EXPECT_EQ(back->GraphicKind(), gkNone);
  EXPECT_EQ(in.Position(), end);

  // An end position past the stream fails instead of reading on.
  bytes.resize(bytes.size() - 8);
  TStringStream cut(bytes);
  EXPECT_THROW(back->LoadFromStream(cut), EReadError);

  // Metafile bytes survive a round trip untouched.
  std::string emf(44, '\0');
  emf[0] = 1;
  emf.replace(40, 4, " EMF");
  pict->LoadPictureBytes(emf + "tail", btBMP);
  EXPECT_EQ(pict->GraphicKind(), gkMetafile);
  TObjectPtr<TfrView> copy;
  RoundTrip(*pict, &copy);
  EXPECT_EQ(static_cast<TfrPictureView*>(copy.get())->MetafileBytes(), emf + "tail");
}

TEST(FrView, OlderRecordVersionsOfBandsAndPictures) {
  // A picture of record version 1.0: no BandAlign and no BlobType byte.
  auto pict = CreateUnique<TfrPictureView>();
  pict->BandAlign = baCenter;
  pict->BlobType = btWMF;
  TStringStream out;
  pict->SaveToStream(out);
  std::string bytes = out.DataString();
  const std::size_t viewSize = 68;  // empty name, strings and memos
  ASSERT_EQ(static_cast<std::uint8_t>(bytes[viewSize - 1]), baCenter);
  bytes[3] = 1;                  // major
  bytes.erase(viewSize + 1, 1);  // BlobType
  bytes.erase(viewSize - 1, 1);  // BandAlign
  const auto end = static_cast<std::int32_t>(bytes.size());
  for (int k = 0; k < 4; ++k) bytes[viewSize + k] = static_cast<char>((end >> (8 * k)) & 0xFF);
  auto back = CreateUnique<TfrPictureView>();
  TStringStream in(bytes);
  back->LoadFromStream(in);
  EXPECT_EQ(in.Position(), in.Size());
  EXPECT_EQ(back->BandAlign, baNone);
  EXPECT_EQ(back->BlobType, btBMP);

  // A band of a version-23 template has no tail.
  auto band = CreateUnique<TfrBandView>();
  band->Name = "B";
  band->ChildBand = "C";
  TStringStream b24;
  band->SaveToStream(b24);
  // Name (4), [record version (2)], the rest up to Visible (49); no
  // version-24 block, BandAlign or tail.
  const std::string full = b24.DataString();
  const int saved = frEngine().Version;
  frEngine().Version = 23;
  auto old = CreateUnique<TfrBandView>();
  TStringStream b23(full.substr(0, 4) + full.substr(6, 49));
  old->LoadFromStream(b23);
  frEngine().Version = saved;
  EXPECT_EQ(b23.Position(), b23.Size());
  EXPECT_EQ(old->Name, "B");
  EXPECT_EQ(old->ChildBand, "");
  EXPECT_EQ(old->Columns, 1);
}

TEST(FrView, PictureFromFieldFollowsNamesOrSignature) {
  auto pict = CreateUnique<TfrPictureView>();
  TBitmap bmp;
  bmp.SetSize(2, 2);
  TStringStream bytes;
  bmp.SaveToStream(bytes);
  const struct {
    std::string data;
    std::uint8_t blobType;
    TfrGraphicKind kind;
  } cases[] = {
      {bytes.DataString(), btWMF, gkBitmap},  // the signature wins
      {bytes.DataString(), btICO, gkBitmap},
      {std::string("\xD7\xCD\xC6\x9A", 4) + "rest", btBMP, gkMetafile},
      {"unknown", btWMF, gkMetafile},  // by the name, not the shifted number
      {"unknown", btJPG, gkNone},
  };
  for (const auto& c : cases) {
    pict->LoadPictureBytes(c.data, c.blobType);
    EXPECT_EQ(pict->GraphicKind(), c.kind) << static_cast<int>(c.blobType);
  }
}

TEST(FrView, PicturePlacement) {
  const TRect box{0, 0, 100, 200};
  const struct {
    int pw, ph;
    bool stretched, center, keep;
    TRect expected;
  } cases[] = {
      {50, 25, true, false, true, {0, 0, 100, 50}},     // wide picture, tall box
      {10, 40, true, false, true, {0, 0, 50, 200}},     // tall picture
      {50, 25, true, false, false, {0, 0, 100, 200}},   // plain stretch
      {50, 25, false, false, false, {0, 0, 50, 25}},    // natural size
      {50, 20, false, true, false, {25, 90, 75, 110}},  // centred
      {50, 25, true, true, true, {0, 75, 100, 125}},
      {0, 25, true, false, true, {0, 0, 100, 200}},  // degenerate: no division by 0
      {50, 0, true, false, true, {0, 0, 100, 200}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PictureRect(box, c.pw, c.ph, c.stretched, c.center, c.keep, 1.0), c.expected)
        << c.pw << "x" << c.ph;
}

TEST(FrView, BackgroundFrameLineAndClip) {
  const TfrDocMode saved = frEngine().DocMode;
  auto line = CreateReportObject(gtLine, "");
  line->x = 10, line->y = 10, line->dx = 50, line->dy = 5;
  line->FrameTyp = frbLeft;  // a wide line draws horizontally whatever its sides say
  TRecordingCanvas canvas;
  frEngine().DocMode = dmPrinting;
  line->Draw(canvas);
  ASSERT_EQ(canvas.Records().size(), 1u);
  EXPECT_EQ(canvas.Records()[0].Points[0].Y, canvas.Records()[0].Points[1].Y);
  EXPECT_EQ(line->dy, 5);
  line->dx = 2;
  canvas.Clear();
  line->Draw(canvas);
  EXPECT_EQ(canvas.Records()[0].Points[0].X, canvas.Records()[0].Points[1].X);

  auto memo = CreateUnique<TfrMemoView>();
  memo->x = 0, memo->y = 0, memo->dx = 10, memo->dy = 10;
  for (TfrDocMode mode : {dmPrinting, dmDesigning}) {
    frEngine().DocMode = mode;
    canvas.Clear();
    memo->ShowBackground(canvas);
    if (mode == dmPrinting) {
      EXPECT_TRUE(canvas.Records().empty());
    } else {
      ASSERT_EQ(canvas.Records().size(), 1u);
      EXPECT_EQ(canvas.Records()[0].Color, clWhite);
    }
  }
  memo->FrameTyp = frbLeft | frbTop;
  memo->FrameStyle = frsDouble;
  canvas.Clear();
  memo->ShowFrame(canvas);
  EXPECT_EQ(canvas.Records().size(), 4u);

  const struct {
    std::uint16_t frame;
    float width;
    std::uint16_t style;
    bool extended;
    TRect expected;
  } clips[] = {
      {0, 1, 0, false, {10, 20, 41, 61}},
      {15, 3, 0, false, {8, 18, 42, 62}},
      {15, 2, frsDouble, false, {7, 17, 43, 63}},
      {frbLeft, 1, 0, true, {0, 10, 51, 71}},  // half of 1 rounds to even 0
  };
  for (const auto& c : clips) {
    auto v = CreateUnique<TfrMemoView>();
    v->x = 10, v->y = 20, v->dx = 30, v->dy = 40;
    v->FrameTyp = c.frame, v->FrameWidth = c.width, v->FrameStyle = c.style;
    EXPECT_EQ(v->GetClipRgn(c.extended), c.expected) << c.frame << " " << c.width;
  }
  frEngine().DocMode = saved;
}

TEST(FrView, HorizontalBandAlign) {
  std::vector<TObjectPtr<TfrView>> owned;
  const auto make = [&](int x, int dx, std::uint8_t align, int y = 0) {
    owned.push_back(CreateReportObject(gtMemo, ""));
    TfrView* v = owned.back().get();
    v->x = x, v->dx = dx, v->y = y, v->BandAlign = align;
    return v;
  };
  TfrView* left1 = make(50, 30, baLeft);
  TfrView* left2 = make(200, 40, baLeft);
  TfrView* rest = make(300, 10, baRest);
  TfrView* right = make(600, 50, baRight);
  TfrView* center = make(0, 100, baCenter);
  TfrView* other = make(0, 10, baLeft, 99);  // another top: no neighbour
  std::vector<TfrView*> all;
  for (auto& o : owned) all.push_back(o.get());
  for (TfrView* v : all) v->AlignHorizontally(all, 20, 700);
  EXPECT_EQ(left1->x, 20);
  EXPECT_EQ(left2->x, 50);  // left1's new right edge
  EXPECT_EQ(rest->x, 90);
  EXPECT_EQ(rest->dx, 509);  // up to `right` where it stood then
  EXPECT_EQ(right->x, 650);
  EXPECT_EQ(center->x, 310);
  EXPECT_EQ(other->x, 20);
}

// A prepared-page stream that refuses every write.
class TRefusingStream : public TStringStream {
 public:
  std::int64_t Write(const void*, std::int64_t) override { throw EWriteError("refused"); }
};

TEST(FrView, PrintingPutsTagGeometryAndLookBackForEveryKind) {
  auto owner = CreateUnique<TComponent>();
  auto* report = Create<TTestReport>(owner.get());
  report->Texts = {{"A", "a"}};
  TfrCurrentReport current(report);
  const TfrBandPlace band{0, 100, 500, 40, false};
  frEngine().CurBand = &band;
  for (int type : {gtMemo, gtPicture, gtLine}) {
    for (bool refused : {false, true}) {
      TObjectPtr<TfrView> v = Filled(type);
      v->BandAlign = baBottom;
      auto* memo = dynamic_cast<TfrMemoView*>(v.get());
      if (memo != nullptr) memo->SetHighlightCondition("1");
      TStringStream written;
      TRefusingStream refusing;
      TStream& stream = refused ? static_cast<TStream&>(refusing) : written;
      if (refused) {
        EXPECT_THROW(v->Print(stream), EWriteError) << type;
      } else {
        v->Print(stream);
      }
      EXPECT_EQ(v->Tag, "t[A]") << type;
      EXPECT_EQ(v->y, 20) << type;
      EXPECT_EQ(v->dy, 40) << type;
      EXPECT_EQ(v->FillColor, clYellow) << type;
      EXPECT_TRUE(memo == nullptr || memo->Font.Style() == TFontStyles{}) << type;
      EXPECT_EQ(written.Size() > 0, !refused) << type;
    }
  }
  frEngine().CurBand = nullptr;
}

}  // namespace

// At scale 1 without offset the coordinates are only saturated: the same
// numbers the scaling arithmetic gives, over values inside and past the
// limit, and put back whole.
TEST(FrView, UnitScaleKeepsWhatScalingWouldGive) {
  const int big = kfrMaxScaled;
  const int values[] = {0, 1, -1, 12345, -777, big, big + 1, -big - 5, INT_MAX, INT_MIN + 1};
  const float widths[] = {0, 1, 1.5f, -2.25f, 3e8f, -3e8f};
  for (int type : {gtMemo, gtLine}) {
    for (int value : values) {
      for (float width : widths) {
        TObjectPtr<TfrView> v = CreateReportObject(type, "");
        v->x = value, v->y = -value / 3, v->dx = value / 2, v->dy = 7;
        v->GapX = value, v->GapY = -value;
        v->FrameWidth = width;
        const struct {
          int x, y, dx, dy, GapX, GapY;
          float FrameWidth;
        } before{v->x, v->y, v->dx, v->dy, v->GapX, v->GapY, v->FrameWidth};
        v->ScaleCoords();
        EXPECT_EQ(v->x, frScaled(static_cast<double>(before.x), 0)) << value;
        EXPECT_EQ(v->y, frScaled(static_cast<double>(before.y), 0)) << value;
        EXPECT_EQ(v->dx, frScaled(static_cast<double>(before.dx))) << value;
        EXPECT_EQ(v->dy, frScaled(static_cast<double>(before.dy))) << value;
        if (type == gtLine) {
          EXPECT_EQ(v->GapX, frScaled(static_cast<double>(before.GapX))) << value;
          EXPECT_EQ(v->GapY, frScaled(static_cast<double>(before.GapY))) << value;
          EXPECT_EQ(v->FrameWidth, static_cast<float>(std::clamp<double>(width, -big, big)));
        }
        v->RestoreCoords();
        EXPECT_EQ(v->x, before.x);
        EXPECT_EQ(v->GapY, before.GapY);
        EXPECT_EQ(v->FrameWidth, before.FrameWidth);
      }
    }
  }
}
