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
#include <string>

#include "platform/draw/graphics.h"
#include "report/fr_view.h"

class TfrStretcheable : public TfrView {
  MEBRATH_CLASS(TfrStretcheable, TfrView)
 public:
  virtual int CalcHeight() = 0;
  virtual int MinHeight() = 0;
  virtual int RemainHeight() = 0;

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

 protected:
  TfrMemoView();

 private:
  // Memo1 from Memo: the report's before-print handling, then the
  // expansion when the text was left unchanged.
  void EvaluateMemo();
  bool HighlightActive();
  std::string FLastValue;  // for Suppress
  bool FHasLastValue = false;
};
