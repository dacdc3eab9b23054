// TfrStretcheable, the base of objects that stretch to their content, and
// TfrMemoView, the text object: a memo whose [expressions] are replaced by
// values while the report is built, with a font, alignment, wrapping
// options, a highlight condition and a display format.
//
// Memo record (after the view record):
//   font name (string), size (i32), style (u16: 1 italic, 2 bold,
//   4 underline, 8 strike-out), colour (i32), Adjust (i32), charset (u16;
//   ignored before version 23), template only: highlight style (u16),
//   colour (i32), fill (i32) and HighlightStr (string, postfix form),
//   LineSpacing and CharSpacing (i32; read from version 24). Version 21
//   templates get WordWrap.
//
// HighlightStr holds the condition in the parser's postfix form; memo lines
// hold infix text. GUI thread only.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "platform/draw/graphics.h"
#include "report/fr_engine.h"
#include "report/fr_view.h"

class TfrStretcheable : public TfrView {
  MEBRATH_CLASS(TfrStretcheable, TfrView)
 public:
  virtual int CalcHeight() = 0;
  virtual int MinHeight() = 0;
  virtual int RemainHeight() = 0;

  // Set by the band while it cuts the object across pages: Print keeps
  // what fits in dy and leaves the rest for the next part.
  bool Splitting = false;
  // The next Print (and CalcHeight) continues with the rest that the last
  // split part left.
  bool Continuation = false;

 protected:
  TfrStretcheable() = default;
};

// Memo flag bits (bit 0 is flStretched).
inline constexpr std::uint16_t flWordWrap = 0x002;
inline constexpr std::uint16_t flWordBreak = 0x004;
inline constexpr std::uint16_t flAutoWidth = 0x008;
inline constexpr std::uint16_t flTextOnly = 0x010;
inline constexpr std::uint16_t flSuppress = 0x020;
inline constexpr std::uint16_t flHideZeros = 0x040;
inline constexpr std::uint16_t flUnderlines = 0x080;
inline constexpr std::uint16_t flRTLReading = 0x100;

// Ends the last line of every paragraph in laid-out text; never drawn.
inline constexpr char kParagraphEnd = '\x01';

// Adjust values.
inline constexpr int frtaLeft = 0;
inline constexpr int frtaRight = 1;
inline constexpr int frtaCenter = 2;
inline constexpr int frtaVertical = 4;
inline constexpr int frtaMiddle = 8;
inline constexpr int frtaDown = 16;

struct TfrHighlightAttr {
  std::uint16_t FontStyle = 2;  // bold
  TColor FontColor = clBlack;
  TColor FillColor = clWhite;
};

class TfrMemoView : public TfrStretcheable {
  MEBRATH_CLASS(TfrMemoView, TfrStretcheable)
 public:
  TFont Font;
  int Adjust = frtaLeft;
  TfrHighlightAttr Highlight;
  std::string HighlightStr;  // postfix
  int LineSpacing = 2;
  int CharSpacing = 0;

  // Stores `infix` as the highlight condition (converted to postfix).
  void SetHighlightCondition(const std::string& infix);

  // TfrObject
  void SetPropertyValue(const std::string& Name, const Variant& Value) override;
  Variant GetPropertyValue(const std::string& Name) override;
  void CallMethod(const std::string& Name, const std::string& p1, const std::string& p2,
                  const std::string& p3, Variant& Val) override;
  void DeclareProperties() override;
  // TfrView
  void GetBlob(TField* field) override;
  void Draw(TCanvas& canvas) override;
  void Print(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // TfrStretcheable
  int CalcHeight() override;
  int MinHeight() override;
  int RemainHeight() override;

  // LineSpacing plus the font's pixel height.
  int LineHeight() const;
  // Font.Size(), and its pixel height at 96 dpi (what layout steps by).
  int FontSize() const;
  int FontPixelHeight() const;

  // Text layout and drawing. Layout runs at 96 dpi and scale 1 on the
  // engine's scratch canvas, so a text breaks into the same lines on
  // screen, on paper and when heights are computed.
  void SetupCanvasFont(TCanvas& canvas);
  // Memo1 into frEngine().LayoutList and LayoutHeight.
  void LayoutText();
  // The paragraphs of `text` into `lines` (exactly the laid-out lines, put
  // over the strings `lines` held) and LayoutHeight. REQUIRES: the two
  // lists differ.
  void LayoutText(const TStringList& text, TStringList& lines);
  // One paragraph's lines, measured on `canvas` (the scratch canvas with
  // the layout font) or taken from the engine's layout cache.
  void WrapParagraph(TCanvas& canvas, const std::string& text);
  // WrapParagraph without the layout cache: measures `text` and appends
  // its lines to `lines`.
  void WrapMeasured(TCanvas& canvas, const std::string& text,
                    std::vector<std::string>& lines) const;
  void DrawLaidOutText();
  void DrawRuledLines();
  int MeasureAutoWidth(const TStrings& memo);
  // TfrView: asked while the text itself expands ([CALCWIDTH]), the
  // width it has.
  int CalcWidth() override;
  void ExportData() override;
  void ScaleCoords() override;

  // Set by the page drawer when the canvas is the printer's: the font keeps
  // its size.
  bool IsPrinting = false;
  // Lines output by the last drawing of the lines.
  int DrawnLines() const { return FDrawnLines; }

 protected:
  TfrMemoView();
  // TfrView: the memo's record, written whole by SaveToStream.
  bool GatherRecord(TfrRecordWriter& w) override;

 private:
  // FPrint.Text, Value and Highlighted for this print: prepared once,
  // then the expansion of Memo unless the handler replaced the text.
  // Evaluated once per print, again only after a break moved the object.
  void Evaluate();
  // The same evaluation, now, into Memo1.
  void EvaluateIntoMemo1();
  // FPrint.Text holds this print's text, evaluated where it prints.
  bool EvaluatedHere() const;
  // The highlight condition, against the object's own VALUE.
  bool HighlightActive();
  void DrawHorizontal();
  void DrawVertical();
  void AddLine(std::string_view line);
  void MeasureFont() const;
  // While the text expands: CALCWIDTH asked from inside it is dx.
  bool FExpandingText = false;
  std::string FLastValue;  // for Suppress
  bool FHasLastValue = false;
  TCanvas* FCanvas = nullptr;
  bool FLaidOut = false;
  bool FFitOnly = false;
  bool FExporting = false;
  int FDrawnLines = 0;
  int FLayoutPos = 0;                   // current position while laying out
  int FLayoutWidth = 0;                 // available width while laying out
  int FLineStep = 0;                    // from one line to the next while laying out
  TStringList* FLayoutLines = nullptr;  // the lines being laid out
  int FLayoutCount = 0;                 // of them, so far
  TRect FDrawRect;                      // of the last ScaleCoords
  TStringList FRemainder;               // laid-out lines a split part left
  // Font.Size() and its pixel height for the font height and resolution
  // they were computed at: each takes a division per object and record.
  mutable struct { int Height = 0, PixelsPerInch = 0, Size = 0, Pixels = 0; } FFontMetrics;
  // The frame's gaps at unit scale, for the frame width they were
  // computed for (none at first: NaN equals nothing).
  struct {
    float FrameWidth = std::numeric_limits<float>::quiet_NaN();
    int Inner = 0, Outer = 0;
  } FUnitGaps;
};

// The positions (1-based, ascending) after which `word` may be hyphenated:
// vowel-vowel, vowel-consonant-vowel, consonant-consonant (not a hard or
// soft sign)-vowel; only Cyrillic letters are vowels. None for words
// shorter than four characters.
std::vector<int> FindHyphenPoints(const std::string& word);
