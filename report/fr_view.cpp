#include "report/fr_view.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/base/format_settings.h"
#include "platform/base/math_utils.h"
#include "platform/base/scope_guard.h"
#include "platform/base/stream.h"
#include "platform/base/text.h"
#include "report/fr_engine.h"
#include "report/fr_page.h"
#include "report/fr_pages.h"
#include "report/fr_stream.h"
#include "report/fr_utils.h"

TfrView::~TfrView() {
  TfrEngine& e = frEngine();
  if (e.CurView == this) e.CurView = nullptr;
  if (e.CurBandView == this) e.CurBandView = nullptr;
}

std::int32_t DefaultFormat() {
  return 512 + static_cast<unsigned char>(FormatSettings.DecimalSeparator);
}

std::int32_t EncodeFrameWidth(float width) {
  if (!(width > 0)) return 0;
  if (width == std::floor(width) && width < 11) return static_cast<std::int32_t>(width);
  if (width > 2e6f) return 2000000000;
  const auto thousandths = static_cast<std::int32_t>(Round(static_cast<double>(width) * 1000));
  // 1..10 would read back as whole pixels.
  return thousandths > 0 && thousandths < 11 ? 11 : thousandths;
}

float DecodeFrameWidth(std::int32_t stored) {
  if (stored < 11) return static_cast<float>(stored);
  return static_cast<float>(static_cast<double>(stored) / 1000);
}

std::string ExpandLine(std::string_view line,
                       const std::function<std::string(const std::string&)>& text) {
  std::string result;
  AppendExpanded(result, SplitBracketedLine(line),
                 [&](const TfrExpression& e) { return text(e.Text); });
  return result;
}

// --- properties -------------------------------------------------------------

void TfrView::DeclareProperties() {
  AddProperty("Name", frdtString);
  AddProperty("Left", frdtInteger);
  AddProperty("Top", frdtInteger);
  AddProperty("Width", frdtInteger);
  AddProperty("Height", frdtInteger);
  AddProperty("Flags", frdtInteger);
  AddProperty("FrameTyp", frdtInteger);
  AddProperty("FrameWidth", frdtFloat);
  AddProperty("FrameColor", frdtColor);
  AddEnumProperty("FrameStyle", "psSolid;psDash;psDot;psDashDot;psDashDotDot;psDouble",
                  {0, 1, 2, 3, 4, 5});
  AddProperty("FillColor", frdtColor);
  AddProperty("Tag", frdtString);
  AddEnumProperty("BandAlign", "baNone;baLeft;baRight;baCenter;baWidth;baBottom;baTop;baRest",
                  {0, 1, 2, 3, 4, 5, 6, 7});
  AddProperty("Visible", frdtBoolean);
  AddProperty("Memo", frdtString);
  AddProperty("Memo.Count", frdtInteger);
  AddProperty("Restrictions", frdtInteger);
}

void TfrView::SetPropertyValue(const std::string& name, const Variant& v) {
  const std::string n = UpperCase(name);
  if (n == "NAME")
    Name = VarToStr(v);
  else if (n == "LEFT")
    x = v.AsInteger();
  else if (n == "TOP")
    y = v.AsInteger();
  else if (n == "WIDTH")
    dx = v.AsInteger();
  else if (n == "HEIGHT")
    dy = v.AsInteger();
  else if (n == "FLAGS")
    Flags = static_cast<std::uint16_t>(v.AsInteger());
  else if (n == "FRAMETYP")
    FrameTyp = static_cast<std::uint16_t>(v.AsInteger());
  else if (n == "FRAMEWIDTH")
    FrameWidth = static_cast<float>(v.AsDouble());
  else if (n == "FRAMECOLOR")
    FrameColor = v.AsInteger();
  else if (n == "FRAMESTYLE")
    FrameStyle = static_cast<std::uint16_t>(v.AsInteger());
  else if (n == "FILLCOLOR")
    FillColor = v.AsInteger();
  else if (n == "VISIBLE")
    Visible = v.AsBoolean();
  else if (n == "MEMO" || n == "DATAFIELD")
    Memo.SetText(VarToStr(v));
  else if (n == "GAPX")
    GapX = v.AsInteger();
  else if (n == "GAPY")
    GapY = v.AsInteger();
  else if (n == "STRETCHED")
    Flags = v.AsBoolean() ? (Flags | flStretched) : (Flags & ~flStretched);
  else if (n == "BANDALIGN")
    BandAlign = static_cast<std::uint8_t>(v.AsInteger());
  else if (n == "TAG")
    Tag = VarToStr(v);
  else if (n == "RESTRICTIONS")
    Restrictions = static_cast<std::uint16_t>(v.AsInteger());
}

Variant TfrView::GetPropertyValue(const std::string& name) {
  const std::string n = UpperCase(name);
  if (n == "NAME") return Variant(Name);
  if (n == "LEFT") return Variant(x);
  if (n == "TOP") return Variant(y);
  if (n == "WIDTH") return Variant(dx);
  if (n == "HEIGHT") return Variant(dy);
  if (n == "FLAGS") return Variant(static_cast<int>(Flags));
  if (n == "FRAMETYP") return Variant(static_cast<int>(FrameTyp));
  if (n == "FRAMEWIDTH") return Variant(static_cast<double>(FrameWidth));
  if (n == "FRAMECOLOR") return Variant(static_cast<int>(FrameColor));
  if (n == "FRAMESTYLE") return Variant(static_cast<int>(FrameStyle));
  if (n == "FILLCOLOR") return Variant(static_cast<int>(FillColor));
  if (n == "VISIBLE") return Variant(Visible);
  if (n == "MEMO" || n == "DATAFIELD") return Variant(Memo.Text());
  if (n == "MEMO.COUNT") return Variant(Memo.Count());
  if (n == "GAPX") return Variant(GapX);
  if (n == "GAPY") return Variant(GapY);
  if (n == "STRETCHED") return Variant((Flags & flStretched) != 0);
  if (n == "BANDALIGN") return Variant(static_cast<int>(BandAlign));
  if (n == "TAG") return Variant(Tag);
  if (n == "RESTRICTIONS") return Variant(static_cast<int>(Restrictions));
  return Variant();
}

void TfrView::CallMethod(const std::string& name, const std::string& p1, const std::string& p2,
                         const std::string& p3, Variant& Val) {
  Val = Variant();
  const std::string n = UpperCase(name);
  if (n == "HIDE") {
    Visible = false;
  } else if (n == "SHOW") {
    Visible = true;
  } else if (n.rfind("MEMO.", 0) == 0) {
    ListMethod(Memo, n.substr(5), p1, p2, p3, Val);
  } else if ((n == "SETINDEXPROPERTY" || n == "GETINDEXPROPERTY") &&
             UpperCase(Trim(VarToStr(frEngine().Parser.Calculate(p1)))) == "MEMO") {
    ListMethod(Memo, n, p1, p2, p3, Val);
  }
}

// --- drawing ----------------------------------------------------------------

void TfrView::ShowBackground(TCanvas& canvas) {
  TColor fill = FillColor;
  if (fill == clNone) {
    if (frEngine().DocMode == dmPrinting) return;
    fill = clWhite;
  }
  canvas.FillSolidRect(DrawRect(), fill);
}

void TfrView::ShowFrame(TCanvas& canvas) {
  if ((FrameTyp & 0xF) == 0) return;
  const int width = std::max<int>(1, static_cast<int>(Round(FrameWidth)));
  canvas.Pen()->SetColor(FrameColor);
  canvas.Pen()->SetWidth(width);
  canvas.Pen()->SetStyle(FrameStyle < frsDouble ? static_cast<TPenStyle>(FrameStyle) : psSolid);
  const int right = x + dx, bottom = y + dy;
  const auto sides = [&](int inset) {
    if (FrameTyp & frbRight)
      canvas.MoveTo(right - inset, y), canvas.LineTo(right - inset, bottom + 1);
    if (FrameTyp & frbBottom)
      canvas.MoveTo(x, bottom - inset), canvas.LineTo(right + 1, bottom - inset);
    if (FrameTyp & frbLeft) canvas.MoveTo(x + inset, y), canvas.LineTo(x + inset, bottom + 1);
    if (FrameTyp & frbTop) canvas.MoveTo(x, y + inset), canvas.LineTo(right + 1, y + inset);
  };
  sides(0);
  if (FrameStyle == frsDouble) sides(width * 2);
}

void TfrView::GetBlob(TField*) {}

TRect TfrView::GetClipRgn(bool extended) const {
  TRect r{x, y, x + dx + 1, y + dy + 1};
  const double fw = FrameWidth;
  const bool dbl = FrameStyle == frsDouble;
  const int leftTop = static_cast<int>(Round(dbl ? fw * 1.5 : fw / 2));
  const int rightBottom = static_cast<int>(Round((fw - 1) / 2 + (dbl ? fw : 0)));
  if (FrameTyp & frbLeft) r.Left -= leftTop;
  if (FrameTyp & frbTop) r.Top -= leftTop;
  if (FrameTyp & frbRight) r.Right += rightBottom;
  if (FrameTyp & frbBottom) r.Bottom += rightBottom;
  if (extended) r = TRect{r.Left - 10, r.Top - 10, r.Right + 10, r.Bottom + 10};
  return r;
}

void TfrView::ScaleCoords() {
  FSaved = {x, y, dx, dy, GapX, GapY, FrameWidth};
  if (ScaleX == 1 && ScaleY == 1 && OffsX == 0 && OffsY == 0) {
    // Saving a prepared page: the same saturation, without the rounding.
    const auto keep = [](int v) { return std::clamp(v, -kfrMaxScaled, kfrMaxScaled); };
    x = keep(x), y = keep(y), dx = keep(dx), dy = keep(dy), GapX = keep(GapX), GapY = keep(GapY);
    FrameWidth = static_cast<float>(std::clamp<double>(FrameWidth, -kfrMaxScaled, kfrMaxScaled));
    return;
  }
  x = frScaled(x * ScaleX, OffsX);
  y = frScaled(y * ScaleY, OffsY);
  dx = frScaled(dx * ScaleX);
  dy = frScaled(dy * ScaleY);
  FrameWidth =
      static_cast<float>(std::clamp<double>(FrameWidth * ScaleX, -kfrMaxScaled, kfrMaxScaled));
  GapX = frScaled(GapX * ScaleX);
  GapY = frScaled(GapY * ScaleY);
}

void TfrView::RestoreCoords() {
  x = FSaved.x;
  y = FSaved.y;
  dx = FSaved.dx;
  dy = FSaved.dy;
  GapX = FSaved.GapX;
  GapY = FSaved.GapY;
  FrameWidth = FSaved.FrameWidth;
}

void TfrView::AlignHorizontally(const std::vector<TfrView*>& objects, int leftMargin,
                                int rightMargin) {
  const auto neighbour = [&](std::uint8_t align, bool toLeft) -> TfrView* {
    TfrView* best = nullptr;
    for (TfrView* o : objects) {
      if (o == this || o->Typ == gtBand || o->y != y || o->BandAlign != align) continue;
      if (toLeft ? o->x < x && (!best || o->x > best->x) : o->x > x && (!best || o->x < best->x))
        best = o;
    }
    return best;
  };
  const auto leftEdge = [&] {
    TfrView* n = neighbour(baLeft, true);
    return std::min(n ? n->x + n->dx : leftMargin, rightMargin);
  };
  switch (BandAlign) {
    case baLeft:
      x = leftEdge();
      break;
    case baRight: {
      TfrView* n = neighbour(baRight, false);
      x = n ? n->x - dx - 1 : rightMargin - dx;
      break;
    }
    case baRest: {
      TfrView* n = neighbour(baRight, false);
      x = leftEdge();
      dx = std::max(0, (n ? n->x - 1 : rightMargin) - x);
      break;
    }
    case baCenter:
      x = leftMargin + (rightMargin - leftMargin - dx) / 2;
      break;
    default:
      break;
  }
}

void TfrView::AlignToBand() {
  const TfrBandPlace* band = frEngine().CurBand;
  if (band == nullptr) return;
  switch (BandAlign) {
    case baBottom:
      y = band->y + band->dy - dy;
      break;
    case baTop:
      y = band->y;
      break;
    case baWidth:
      if (band->Cross) {
        x = band->x;
        dx = band->dx;
      }
      break;
    default:
      break;
  }
}

// --- printing ---------------------------------------------------------------

void TfrView::ExpandVariables(const TStringList& lines) {
  TfrReportBase* report = frEngine().CurReport;
  const auto text = [&](const TfrExpression& expression) {
    if (report == nullptr) return std::string();
    try {
      return report->ParsedExpressionText(this, expression);
    } catch (const EAbort&) {
      throw;
    } catch (const Exception& error) {
      // The engine's text names the object whose expression failed; an
      // object expanded inside another's expression has given it already.
      if (!frEngine().ErrorFlag) {
        TValueGuard<TfrView*> current(frEngine().CurView, this);
        ReportCalculationError(error.Message());
      }
      throw;
    }
  };
  // An expression may run a script that changes the memo, or (through the
  // report) expand this object again: the loop re-reads the lines, and a
  // nested expansion splits on its own.
  const bool outer = !FExpanding;
  TFlagGuard expanding(FExpanding);
  // Memo1's lines are overwritten in place (the last record's lines have
  // the room) and the ones left over dropped when the expansion ends, also
  // when an expression throws.
  int count = 0;
  TScopeExit trim([this, &count] {
    while (Memo1.Count() > count) Memo1.Delete(Memo1.Count() - 1);
  });
  const auto add = [&](std::string_view text) {
    if (count < Memo1.Count()) {
      Memo1.Put(count, text);
      if (Memo1.GetObject(count) != nullptr) Memo1.PutObject(count, nullptr);
    } else {
      Memo1.Add(text);
    }
    ++count;
  };
  std::string expanded;
  TfrBracketedLine local;
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines.StringRef(i);
    if (line.empty()) {
      add("");
      continue;
    }
    const TfrBracketedLine* split;
    if (outer) {
      if (FSplitLines.size() <= static_cast<std::size_t>(i)) FSplitLines.resize(i + 1);
      TSplitLine& kept = FSplitLines[i];
      if (kept.Split.Literals.empty() || kept.Source != line) {
        kept.Source = line;
        kept.Split = SplitBracketedLine(line);
      }
      split = &kept.Split;
    } else {
      local = SplitBracketedLine(line);
      split = &local;
    }
    if (split->Expressions.size() == 1 && split->Literals[0].empty() &&
        split->Literals[1].empty()) {
      expanded = text(split->Expressions[0]);  // the line is one expression
    } else {
      expanded.clear();
      AppendExpanded(expanded, *split, text);
    }
    if (expanded.empty()) continue;
    if (expanded.find('\r') == std::string::npos && expanded.find('\n') == std::string::npos) {
      add(expanded);
      continue;
    }
    TStringList parts;
    parts.SetText(expanded);
    for (int k = 0; k < parts.Count(); ++k) add(parts.StringRef(k));
  }
}

void TfrView::PrepareThisPrint() {
  FPrint.Prepared = true;
  FPrint.Replaced = false;
  TfrReportBase* report = frEngine().CurReport;
  if (report == nullptr || !report->WantsBeforePrint(this)) return;
  Memo1.Assign(Memo);
  report->BeforePrint(this, Memo1);
  FPrint.Replaced = !Memo1.Equals(Memo);
  if (FPrint.Replaced) FPrint.Text.Assign(Memo1);
  report->RunViewScript(this);
}

void TfrView::Print(TStream& stream) {
  Memo1.Assign(Memo);
  PrepareToPrint();
  if (FPrint.Replaced) Memo1.Assign(FPrint.Text);  // prepared while its band was measured
  EndPrint();
  if (!Visible) return;
  WriteAlignedToBand(stream);
}

void TfrView::WriteAlignedToBand(TStream& stream) {
  // The expanded tag and the band's geometry belong to this record only.
  std::optional<TValueGuard<std::string>> tag;
  TScopeExit geometry(
      [this, sx = x, sy = y, sdx = dx, sdy = dy] { x = sx, y = sy, dx = sdx, dy = sdy; });
  if (Tag.find('[') != std::string::npos) {
    tag.emplace(Tag, Tag);
    TfrReportBase* report = frEngine().CurReport;
    std::string expanded;
    AppendExpanded(expanded, SplitBracketedLine(Tag), [&](const TfrExpression& e) {
      return report != nullptr ? report->ParsedExpressionText(this, e) : std::string();
    });
    Tag = std::move(expanded);
  }
  AlignToBand();
  WriteWithType(stream);
}

void TfrView::WriteWithType(TStream& stream) {
  TValueGuard<std::uint8_t> mode(StreamMode, 1);
  if (Typ != gtAddIn) {
    // One write for a kind that gathers its record.
    static TfrRecordWriter w;
    w.Clear();  // nothing left over from a record that failed
    w.U8(Typ);
    if (GatherRecord(w)) {
      w.WriteTo(stream);
      return;
    }
    w.Clear();
  }
  WriteU8(stream, Typ);
  if (Typ == gtAddIn) WriteString(stream, ClassName());
  SaveToStream(stream);
}

bool TfrView::GatherRecord(TfrRecordWriter&) { return false; }

std::string TfrView::UniqueName() const {
  TfrReportBase* report = frEngine().CurReport;
  for (int n = 1; n <= 10000; ++n) {
    const std::string candidate = BaseName + IntToStr(n);
    bool used = false;
    if (report != nullptr) {
      TfrPages& pages = report->Pages();
      for (int p = 0; p < pages.Count() && !used; ++p)
        used = pages.Pages(p)->FindObject(candidate) != nullptr;
    }
    if (!used) return candidate;
  }
  return {};
}

// --- the record ---------------------------------------------------------------

void TfrView::LoadFromStream(TStream& stream) {
  const int version = frEngine().Version;
  if (version >= 24 || (version == 23 && StreamMode == 0))
    Name = ReadStringVersioned(stream);
  else
    Name = UniqueName();
  if (version > 23) {
    MajorVersion = ReadU8(stream);
    MinorVersion = ReadU8(stream);
  }
  x = frCheckedValue(ReadI32(stream));
  y = frCheckedValue(ReadI32(stream));
  dx = frCheckedValue(ReadI32(stream));
  dy = frCheckedValue(ReadI32(stream));
  Flags = ReadU16(stream);
  FrameTyp = ReadU16(stream);
  FrameWidth = DecodeFrameWidth(ReadI32(stream));
  if (!(std::abs(FrameWidth) <= kfrMaxCoordinate)) frRaiseDamaged();
  FrameColor = ReadI32(stream);
  FrameStyle = ReadU16(stream);
  FillColor = ReadI32(stream);
  if (StreamMode == 0) {
    Format = ReadI32(stream);
    FormatStr = ReadStringVersioned(stream);
  }
  ReadMemoVersioned(stream, StreamMode == 0 ? Memo : Memo1);
  if (StreamMode == 0 && version >= 23) {
    ReadMemoVersioned(stream, Script);
    Visible = ReadU16(stream) != 0;
  }
  if (version >= 24) {
    Restrictions = ReadU16(stream);
    Tag = ReadString(stream);
    GapX = frCheckedValue(ReadI32(stream));
    GapY = frCheckedValue(ReadI32(stream));
  }
  if (MajorVersion > 1) BandAlign = ReadU8(stream);
}

void TfrView::SaveToStream(TStream& stream) {
  // Gathered first and written at once: a prepared page holds many.
  static TfrRecordWriter w;
  w.Clear();  // nothing left over from a record that failed
  SaveRecord(w);
  w.WriteTo(stream);
}

void TfrView::SaveRecord(TfrRecordWriter& w) {
  MajorVersion = 2;
  w.String(Name);
  TfrFixedFields head;
  head.U8(MajorVersion);
  head.U8(MinorVersion);
  head.I32(x);
  head.I32(y);
  head.I32(dx);
  head.I32(dy);
  head.U16(Flags);
  head.U16(FrameTyp);
  head.I32(EncodeFrameWidth(FrameWidth));
  head.I32(FrameColor);
  head.U16(FrameStyle);
  head.I32(FillColor);
  if (StreamMode == 0) head.I32(Format);
  w.Fixed(head);
  if (StreamMode == 0) {
    w.String(FormatStr);
    w.Memo(Memo);
  } else {
    w.Memo(Memo1, FMemo1Bytes);
  }
  if (StreamMode == 0) {
    w.Memo(Script);
    w.U16(Visible ? 0xFFFF : 0);
  }
  w.U16(Restrictions);
  w.String(Tag);
  TfrFixedFields tail;
  tail.I32(GapX);
  tail.I32(GapY);
  tail.U8(BandAlign);
  w.Fixed(tail);
}
