#include "report/fr_band_view.h"

#include <algorithm>

#include "platform/base/stream.h"
#include "platform/base/text.h"
#include "report/fr_dataset.h"
#include "report/fr_engine.h"
#include "report/fr_stream.h"
#include "report/fr_utils.h"

namespace {

struct TBandFlag {
  const char* Name;
  std::uint16_t Bit;
};
constexpr TBandFlag kBandFlags[] = {
    {"PRINTCHILDIFINVISIBLE", flBandPrintChildIfInvisible},
    {"STRETCHED", flBandStretched},
    {"FORMNEWPAGE", flBandNewPageAfter},
    {"PRINTIFSUBSETEMPTY", flBandPrintIfSubsetEmpty},
    {"BREAKED", flBandBreaked},
    {"ONFIRSTPAGE", flBandOnFirstPage},
    {"ONLASTPAGE", flBandOnLastPage},
    {"REPEATHEADER", flBandRepeatHeader},
};

}  // namespace

TfrBandView::TfrBandView() {
  Typ = gtBand;
  BaseName = "Band";
  Flags |= flBandOnFirstPage | flBandOnLastPage;
}

void TfrBandView::DeclareProperties() {
  TfrView::DeclareProperties();
  AddProperty("ChildBand", frdtString);
  for (const char* flag :
       {"PrintChildIfInvisible", "Stretched", "FormNewPage", "PrintIfSubsetEmpty", "Breaked",
        "OnFirstPage", "OnLastPage", "RepeatHeader"})
    AddProperty(flag, frdtBoolean);
  AddProperty("DataSource", frdtString);
  AddProperty("Columns", frdtInteger);
  AddProperty("ColumnWidth", frdtInteger);
  AddProperty("ColumnGap", frdtInteger);
  AddProperty("Condition", frdtString);
  AddProperty("Master", frdtString);
  AddProperty("EOF", frdtBoolean);
  AddProperty("OnBeforePrint", frdtEvent);
}

void TfrBandView::SetPropertyValue(const std::string& name, const Variant& v) {
  const std::string n = UpperCase(name);
  for (const TBandFlag& f : kBandFlags) {
    if (n == f.Name) {
      Flags = v.AsBoolean() ? (Flags | f.Bit) : (Flags & ~f.Bit);
      return;
    }
  }
  if (n == "CHILDBAND")
    ChildBand = VarToStr(v);
  else if (n == "DATASOURCE" || n == "CONDITION")
    FormatStr = VarToStr(v);
  else if (n == "COLUMNS")
    Columns = v.AsInteger();
  else if (n == "COLUMNWIDTH")
    ColumnWidth = v.AsInteger();
  else if (n == "COLUMNGAP")
    ColumnGap = v.AsInteger();
  else if (n == "MASTER")
    Master = VarToStr(v);
  else
    TfrView::SetPropertyValue(name, v);
}

Variant TfrBandView::GetPropertyValue(const std::string& name) {
  const std::string n = UpperCase(name);
  for (const TBandFlag& f : kBandFlags)
    if (n == f.Name) return Variant((Flags & f.Bit) != 0);
  if (n == "CHILDBAND") return Variant(ChildBand);
  if (n == "DATASOURCE" || n == "CONDITION") return Variant(FormatStr);
  if (n == "COLUMNS") return Variant(Columns);
  if (n == "COLUMNWIDTH") return Variant(ColumnWidth);
  if (n == "COLUMNGAP") return Variant(ColumnGap);
  if (n == "MASTER") return Variant(Master);
  if (Runtime != nullptr) {
    const TRect place = Runtime->Place();
    if (n == "LEFT") return Variant(place.Left);
    if (n == "TOP") return Variant(place.Top);
    if (n == "WIDTH") return Variant(place.Right);
    if (n == "HEIGHT") return Variant(place.Bottom);
    if (n == "VISIBLE") return Variant(Runtime->BandVisible());
    if (n == "EOF") {
      TfrDataset* ds = Runtime->Dataset();
      return Variant(ds != nullptr && ds->Eof());
    }
  }
  if (n == "EOF") return Variant(false);
  return TfrView::GetPropertyValue(name);
}

void TfrBandView::CallMethod(const std::string& name, const std::string& p1, const std::string& p2,
                             const std::string& p3, Variant& Val) {
  TfrView::CallMethod(name, p1, p2, p3, Val);
  const std::string n = UpperCase(name);
  TfrDataset* ds = Runtime != nullptr ? Runtime->Dataset() : nullptr;
  if (ds == nullptr) return;
  if (n == "NEXT")
    ds->Next();
  else if (n == "PRIOR")
    ds->Prior();
  else if (n == "FIRST")
    ds->First();
}

int TfrBandView::CaptionWidth(TCanvas& canvas) const {
  TFont font;
  font.SetName("Arial");
  font.SetSize(8);
  canvas.SetFont(&font);
  const int kind = std::clamp(BandType(), 0, static_cast<int>(btNone));
  return std::max(100, canvas.TextWidth(LoadEngineString(frsBandFirst + kind)) + 8);
}

void TfrBandView::Draw(TCanvas& canvas) {
  // Bands show only while designing: an outline with the kind's name.
  if (frEngine().DocMode != dmDesigning) return;
  ScaleCoords();
  canvas.Pen()->SetColor(clGray);
  canvas.Pen()->SetWidth(1);
  canvas.Pen()->SetStyle(psDot);
  canvas.Brush()->SetStyle(bsClear);
  canvas.Rectangle(x, y, x + dx + 1, y + dy + 1);
  const int kind = std::clamp(BandType(), 0, static_cast<int>(btNone));
  canvas.TextOut(x + 4, y + 2, LoadEngineString(frsBandFirst + kind));
  RestoreCoords();
}

void TfrBandView::LoadFromStream(TStream& stream) {
  TfrView::LoadFromStream(stream);
  if (frEngine().Version <= 23) return;
  ChildBand = ReadString(stream);
  Columns = frCheckedValue(ReadI32(stream), kfrMaxColumns);
  ColumnWidth = frCheckedValue(ReadI32(stream));
  ColumnGap = frCheckedValue(ReadI32(stream));
  NewColumnAfter = ReadI32(stream);
  if (MajorVersion * 10 + MinorVersion > 20) Master = ReadString(stream);
}

void TfrBandView::SaveToStream(TStream& stream) {
  MinorVersion = 1;
  TfrView::SaveToStream(stream);
  WriteString(stream, ChildBand);
  WriteI32(stream, Columns);
  WriteI32(stream, ColumnWidth);
  WriteI32(stream, ColumnGap);
  WriteI32(stream, NewColumnAfter);
  WriteString(stream, Master);
}

TfrSubReportView::TfrSubReportView() {
  Typ = gtSubReport;
  BaseName = "SubReport";
}

void TfrSubReportView::Draw(TCanvas& canvas) {
  ScaleCoords();
  canvas.FillSolidRect(DrawRect(), clWhite);
  canvas.Pen()->SetColor(clBlack);
  canvas.Pen()->SetWidth(1);
  canvas.Pen()->SetStyle(psSolid);
  canvas.Brush()->SetStyle(bsClear);
  canvas.Rectangle(x, y, x + dx + 1, y + dy + 1);
  canvas.TextOut(x + 2, y + 2, Name);
  RestoreCoords();
}

void TfrSubReportView::LoadFromStream(TStream& stream) {
  TfrView::LoadFromStream(stream);
  SubPage = ReadI32(stream);
}

void TfrSubReportView::SaveToStream(TStream& stream) {
  TfrView::SaveToStream(stream);
  WriteI32(stream, SubPage);
}
