#include "report/fr_memo_view.h"

#include <algorithm>

#include "platform/base/math_utils.h"
#include "platform/base/scope_guard.h"
#include "platform/base/stream.h"
#include "platform/base/text.h"
#include "platform/data/fields.h"
#include "report/fr_dataset.h"
#include "report/fr_engine.h"
#include "report/fr_object.h"
#include "report/fr_stream.h"
#include "report/fr_utils.h"

namespace {

struct TFlagName {
  const char* Name;
  std::uint16_t Bit;
};
constexpr TFlagName kFlags[] = {
    {"WORDWRAP", flWordWrap},     {"WORDBREAK", flWordBreak},   {"AUTOWIDTH", flAutoWidth},
    {"TEXTONLY", flTextOnly},     {"SUPPRESS", flSuppress},     {"HIDEZEROS", flHideZeros},
    {"UNDERLINES", flUnderlines}, {"RTLREADING", flRTLReading},
};

}  // namespace

TfrMemoView::TfrMemoView() {
  Typ = gtMemo;
  BaseName = "Memo";
  Flags = flStretched | flWordWrap;
  Font.SetName("Arial");
  Font.SetSize(10);
  Font.SetColor(clBlack);
  Font.SetCharset(DEFAULT_CHARSET);
}

void TfrMemoView::SetHighlightCondition(const std::string& infix) {
  HighlightStr = Trim(infix).empty() ? std::string() : frEngine().Parser.ToPostfix(infix);
}

void TfrMemoView::DeclareProperties() {
  TfrView::DeclareProperties();
  AddProperty("Font.Name", frdtString);
  AddProperty("Font.Size", frdtInteger);
  AddProperty("Font.Style", frdtInteger);
  AddProperty("Font.Color", frdtColor);
  AddProperty("Font", frdtString);
  AddEnumProperty("Alignment", "frtaLeft;frtaRight;frtaCenter;frtaVertical;frtaMiddle;frtaDown",
                  {frtaLeft, frtaRight, frtaCenter, frtaVertical, frtaMiddle, frtaDown});
  AddProperty("DisplayFormat", frdtString);
  AddProperty("Highlight", frdtString);
  AddProperty("LineSpacing", frdtInteger);
  AddProperty("CharSpacing", frdtInteger);
  AddProperty("GapX", frdtInteger);
  AddProperty("GapY", frdtInteger);
  for (const char* flag :
       {"Stretched", "WordWrap", "WordBreak", "AutoWidth", "TextOnly", "Suppress", "HideZeros"})
    AddProperty(flag, frdtBoolean);
  AddProperty("Lines.Count", frdtInteger);
  AddProperty("Underlines", frdtBoolean);
  AddProperty("RTLReading", frdtBoolean);
}

void TfrMemoView::SetPropertyValue(const std::string& name, const Variant& v) {
  const std::string n = UpperCase(name);
  if (n == "ALIGNMENT") {
    Adjust = v.AsInteger();
  } else if (n == "LINESPACING") {
    LineSpacing = v.AsInteger();
  } else if (n == "CHARSPACING") {
    CharSpacing = v.AsInteger();
  } else if (SetFontProperty(Font, n, v)) {
  } else {
    for (const TFlagName& f : kFlags) {
      if (n == f.Name) {
        Flags = v.AsBoolean() ? (Flags | f.Bit) : (Flags & ~f.Bit);
        return;
      }
    }
    TfrView::SetPropertyValue(name, v);
  }
}

Variant TfrMemoView::GetPropertyValue(const std::string& name) {
  const std::string n = UpperCase(name);
  if (n == "ALIGNMENT") return Variant(Adjust);
  if (n == "LINESPACING") return Variant(LineSpacing);
  if (n == "CHARSPACING") return Variant(CharSpacing);
  if (n == "LINES.COUNT") return Variant(Memo.Count());
  Variant font;
  if (GetFontProperty(Font, n, font)) return font;
  for (const TFlagName& f : kFlags)
    if (n == f.Name) return Variant((Flags & f.Bit) != 0);
  return TfrView::GetPropertyValue(name);
}

void TfrMemoView::CallMethod(const std::string& name, const std::string& p1, const std::string& p2,
                             const std::string& p3, Variant& Val) {
  TfrView::CallMethod(name, p1, p2, p3, Val);
  if (!VarIsEmpty(Val)) return;
  const std::string n = UpperCase(name);
  if (n.rfind("LINES.", 0) == 0)
    ListMethod(Memo, n.substr(6), p1, p2, p3, Val);
  else if ((n == "SETINDEXPROPERTY" || n == "GETINDEXPROPERTY") &&
           UpperCase(Trim(VarToStr(frEngine().Parser.Calculate(p1)))) == "LINES")
    ListMethod(Memo, n, p1, p2, p3, Val);
}

void TfrMemoView::GetBlob(TField* field) { AssignBlobTo(field, Memo1); }

void TfrMemoView::MeasureFont() const {
  if (FFontMetrics.Height == Font.Height() && FFontMetrics.PixelsPerInch == Font.PixelsPerInch())
    return;
  FFontMetrics.Height = Font.Height();
  FFontMetrics.PixelsPerInch = Font.PixelsPerInch();
  FFontMetrics.Size = Font.Size();
  FFontMetrics.Pixels = static_cast<int>(Round(FFontMetrics.Size * 96.0 / 72));
}

int TfrMemoView::FontSize() const {
  MeasureFont();
  return FFontMetrics.Size;
}

int TfrMemoView::FontPixelHeight() const {
  MeasureFont();
  return FFontMetrics.Pixels;
}

int TfrMemoView::LineHeight() const { return LineSpacing + FontPixelHeight(); }

int TfrMemoView::MinHeight() {
  return 2 * static_cast<int>(Round(FrameWidth)) + 2 * GapY + LineHeight();
}

int TfrMemoView::RemainHeight() {
  const int margins = 2 * static_cast<int>(Round(FrameWidth)) + 2 * GapY;
  const int line = std::max(1, LineHeight());
  return std::max(0, dy - margins) / line * line + margins;
}

bool TfrMemoView::EvaluatedHere() const {
  const TfrEngine& e = frEngine();
  return FPrint.Evaluated && FPrint.EvaluatedAt == e.Breaks && e.ReuseMeasuredText;
}

void TfrMemoView::Evaluate() {
  PrepareToPrint();
  if (EvaluatedHere()) return;
  EvaluateIntoMemo1();
  FPrint.Text.SwapItems(Memo1);
}

void TfrMemoView::EvaluateIntoMemo1() {
  TfrEngine& e = frEngine();
  PrepareToPrint();
  // Evaluated again, the text's dialogs answer as they did the first time.
  if (!FPrint.Evaluated) FPrint.Answers.clear();
  TValueGuard<TfrEngine::TDialogAnswers> answers(e.Answers, {&FPrint.Answers, 0, FPrint.Evaluated});
  // Only the highlight reads the object's own VALUE.
  const bool highlight = !HighlightStr.empty();
  if (highlight) FPrint.Value = Variant(0);
  if (FPrint.Replaced) {
    Memo1.Assign(FPrint.Text);
  } else if (Flags & flTextOnly) {
    Memo1.Assign(Memo);
  } else {
    // What the script did to the object's own memo is the text to expand.
    TFlagGuard expanding(FExpandingText);
    if (highlight) e.CurValue = Variant(0);
    ExpandVariables(Memo);
    if (highlight) FPrint.Value = e.CurValue;
  }
  FPrint.Highlighted = highlight && HighlightActive();
  FPrint.Evaluated = true;
  FPrint.EvaluatedAt = e.Breaks;
}

bool TfrMemoView::HighlightActive() {
  if (HighlightStr.empty()) return false;
  // The condition reads this object's own VALUE.
  TValueGuard<Variant> value(frEngine().CurValue, FPrint.Value);
  const Variant v = frEngine().Parser.EvaluatePostfix(HighlightStr);
  return !(v == Variant(0));
}

void TfrMemoView::Print(TStream& stream) {
  TfrEngine& e = frEngine();
  if (Continuation)
    Memo1.Assign(FRemainder);
  else if (EvaluatedHere())
    Memo1.SwapItems(FPrint.Text);  // what the band measured
  else
    EvaluateIntoMemo1();
  // A part cut across pages continues this print (in its highlight).
  if (!Splitting) EndPrint();
  if (!Visible) return;
  // The highlight's look is this output's only; a split part is cut in it.
  TScopeExit restoreLook([this, style = Font.Style(), color = Font.Color()] {
    Font.SetStyle(style);
    Font.SetColor(color);
  });
  TValueGuard<TColor> fill(FillColor, FillColor);
  if (FPrint.Highlighted) {
    Font.SetStyle(StyleFromInt(Highlight.FontStyle));
    Font.SetColor(Highlight.FontColor);
    FillColor = Highlight.FillColor;
  }
  if (Splitting) {
    // Keep the lines that fit in dy; the rest waits for the next part.
    FLaidOut = Continuation;
    ScaleCoords();
    LayoutText();
    Memo1.SwapItems(e.LayoutList);
    FCanvas = &frScratchCanvas();
    FFitOnly = true;
    DrawLaidOutText();
    FFitOnly = false;
    RestoreCoords();
    FRemainder.Clear();
    for (int i = FDrawnLines; i < Memo1.Count(); ++i) FRemainder.Add(Memo1.StringRef(i));
    while (Memo1.Count() > FDrawnLines) Memo1.Delete(Memo1.Count() - 1);
  }
  if ((Splitting || Continuation) && Memo1.Text().find(kParagraphEnd) == std::string::npos)
    Memo1.Add(std::string(1, kParagraphEnd));
  if (Flags & flSuppress) {
    const std::string text = Memo1.Text();
    if (FHasLastValue && text == FLastValue) return;
    FLastValue = text;
    FHasLastValue = true;
  }
  WriteAlignedToBand(stream);
}

void TfrMemoView::LoadFromStream(TStream& stream) {
  TfrView::LoadFromStream(stream);
  const int version = frEngine().Version;
  Font.SetName(ReadStringVersioned(stream));
  Font.SetSize(frCheckedValue(ReadI32(stream), kfrMaxFontSize));
  Font.SetStyle(StyleFromInt(ReadU16(stream)));
  Font.SetColor(ReadI32(stream));
  Adjust = ReadI32(stream);
  const std::uint16_t charset = ReadU16(stream);
  Font.SetCharset(version < 23 ? DEFAULT_CHARSET : static_cast<TFontCharset>(charset));
  if (StreamMode == 0) {
    Highlight.FontStyle = ReadU16(stream);
    Highlight.FontColor = ReadI32(stream);
    Highlight.FillColor = ReadI32(stream);
    HighlightStr = ReadStringVersioned(stream);
  }
  if (version >= 24) {
    LineSpacing = frCheckedValue(ReadI32(stream));
    CharSpacing = frCheckedValue(ReadI32(stream));
  }
  if (version == 21) Flags |= flWordWrap;
}

void TfrMemoView::SaveToStream(TStream& stream) {
  // The whole record in one write: a prepared page holds one per object.
  static TfrRecordWriter w;
  w.Clear();  // nothing left over from a record that failed
  GatherRecord(w);
  w.WriteTo(stream);
}

bool TfrMemoView::GatherRecord(TfrRecordWriter& w) {
  SaveRecord(w);
  w.String(Font.Name());
  TfrFixedFields font;
  font.I32(FontSize());
  font.U16(static_cast<std::uint16_t>(IntFromStyle(Font.Style())));
  font.I32(Font.Color());
  font.I32(Adjust);
  font.U16(Font.Charset());
  if (StreamMode == 0) {
    font.U16(Highlight.FontStyle);
    font.I32(Highlight.FontColor);
    font.I32(Highlight.FillColor);
  }
  w.Fixed(font);
  if (StreamMode == 0) w.String(HighlightStr);
  TfrFixedFields spacing;
  spacing.I32(LineSpacing);
  spacing.I32(CharSpacing);
  w.Fixed(spacing);
  return true;
}
