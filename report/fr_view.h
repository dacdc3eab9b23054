// TfrView: the base of every object placed on a report page (memo,
// picture, line, band, sub-report). It holds the geometry, frame and fill,
// the memo its kinds interpret, the script run before it prints, and its
// record in template and prepared-page streams.
//
// View record (after the framing of the page streams):
//   1. Name: string; read from version 24, or 23 in a template; older
//      records get BaseName + the first free number 1..10000.
//   2. record version major, minor: bytes (version > 23)
//   3. x, y, dx, dy (i32), Flags (u16), FrameTyp (u16), frame width (i32),
//      FrameColor (i32), FrameStyle (u16): 30 bytes
//   4. FillColor (i32)
//   5. template only: Format (i32), FormatStr (string)
//   6. memo: the design Memo in templates, the evaluated Memo1 in
//      prepared pages
//   7. template, version >= 23: Script (memo), Visible (u16 Boolean)
//   8. version >= 24: Restrictions (u16), Tag (string), GapX, GapY (i32)
//   9. BandAlign (byte): always written, read when major > 1
// Frame width: a whole width below 11 as itself, anything else as
// thousandths (0.5 as 500, 12 as 12000); a stored value below 11 reads as
// whole pixels. Widths below 0.011 that are not whole are written as 11
// (0.011), never as 1..10.
//
// GUI thread only.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/string_list.h"
#include "platform/draw/canvas.h"
#include "platform/draw/geometry.h"
#include "report/fr_object.h"
#include "report/fr_parser.h"
#include "report/fr_stream.h"

class TField;
class TStream;

// Flags bit 0.
inline constexpr std::uint16_t flStretched = 1;
// Flags bit 7 of an object that is not a band: the object hears of every
// text object printed while a report is built (OnHook).
inline constexpr std::uint16_t flWantHook = 0x80;
// FrameTyp bits.
inline constexpr std::uint16_t frbRight = 1;
inline constexpr std::uint16_t frbBottom = 2;
inline constexpr std::uint16_t frbLeft = 4;
inline constexpr std::uint16_t frbTop = 8;
// FrameStyle beyond the pen styles.
inline constexpr std::uint16_t frsDouble = 5;
// Restrictions bit 3: the "stretched" toggle does not apply.
inline constexpr std::uint16_t frrfDontStretch = 8;

enum TfrBandAlign : std::uint8_t {
  baNone,
  baLeft,
  baRight,
  baCenter,
  baWidth,
  baBottom,
  baTop,
  baRest
};

// 512 + the decimal separator: a number in the default layout.
std::int32_t DefaultFormat();

// One print of an object, from its preparation to its output. Measuring
// the object's band and printing the object share it: the before-print
// handling and the script run once, and the text that was measured is the
// text that prints.
struct TfrPrintState {
  bool Prepared = false;  // before-print handling and script have run
  bool Replaced = false;  // the handler changed the text: Text holds it
  // Text objects: Text holds the evaluated text, evaluated when
  // frEngine().Breaks was EvaluatedAt; with its VALUE and highlight (the
  // last evaluation's: the parts of a text cut across pages print in it).
  bool Evaluated = false;
  unsigned EvaluatedAt = 0;
  bool Highlighted = false;
  Variant Value;
  TStringList Text;
  std::vector<Variant> Answers;  // of its dialogs (TfrEngine::Answers)

  void Swap(TfrPrintState& other) {
    std::swap(Prepared, other.Prepared);
    std::swap(Replaced, other.Replaced);
    std::swap(Evaluated, other.Evaluated);
    std::swap(EvaluatedAt, other.EvaluatedAt);
    std::swap(Highlighted, other.Highlighted);
    std::swap(Value, other.Value);
    Text.SwapItems(other.Text);
    Answers.swap(other.Answers);
  }
};

// What the report found an object's text to bind it to, kept between the
// object's prints of one build (see TfrReport::BlobFieldOf).
struct TfrBlobBinding {
  unsigned Build = 0;    // the report's build it was read in; 0: never
  bool NotBlob = false;  // names no blob field, nor can it during the build
  std::string Text;
  std::string Name, Upper;  // empty: the text is no reference
};

class TfrView : public TfrObject {
  MEBRATH_CLASS(TfrView, TfrObject)
 public:
  int ID = 0;
  std::uint8_t Typ = gtAddIn;
  std::string BaseName = "View";
  std::string Name;
  std::uint8_t MajorVersion = 0;  // the writer stores 2
  std::uint8_t MinorVersion = 0;
  // 0 while the object belongs to a template, 1 in prepared pages.
  std::uint8_t StreamMode = 0;
  TStringList Memo;
  TStringList Memo1;  // evaluated while printing
  TStringList Script;
  double ScaleX = 1, ScaleY = 1;
  int OffsX = 0, OffsY = 0;
  int x = 0, y = 0, dx = 0, dy = 0;
  std::uint16_t Flags = flStretched;
  std::uint16_t FrameTyp = 0;
  float FrameWidth = 1;
  TColor FrameColor = clBlack;
  std::uint16_t FrameStyle = 0;
  TColor FillColor = clNone;
  std::int32_t Format = DefaultFormat();
  std::string FormatStr;
  bool Visible = true;
  int GapX = 2, GapY = 1;
  std::uint16_t Restrictions = 0;
  std::string Tag;
  std::uint8_t BandAlign = baNone;
  mutable TfrBlobBinding BlobBinding;  // the report's, not the object's

  // TfrObject
  void SetPropertyValue(const std::string& Name, const Variant& Value) override;
  Variant GetPropertyValue(const std::string& Name) override;
  void CallMethod(const std::string& Name, const std::string& p1, const std::string& p2,
                  const std::string& p3, Variant& Val) override;
  void DeclareProperties() override;

  // Drawing, with the engine's document mode.
  virtual void ShowBackground(TCanvas& canvas);
  virtual void ShowFrame(TCanvas& canvas);
  // Loads content from a blob field before printing; nothing here.
  virtual void GetBlob(TField* field);
  // With flWantHook: `printed`, a text object, was just written into the
  // prepared page. Nothing here.
  virtual void OnHook(TfrView* printed) { (void)printed; }
  // Runs on every object once a whole template is read.
  virtual void AfterLoad() {}
  virtual void ScaleCoords();
  virtual void RestoreCoords();
  virtual void Draw(TCanvas& canvas) = 0;
  // Writes the object into a prepared page's object stream (type byte,
  // class name for add-ins, record) when it is visible after the report's
  // before-print handling.
  virtual void Print(TStream& stream);
  // The preparation of one print: Memo1 takes a copy of Memo, the report's
  // before-print handling runs on it (blob content, OnBeforePrint), then
  // the object's script. Runs once per print: later calls do nothing until
  // EndPrint. Nothing but the flag when the report wants no preparation.
  void PrepareToPrint() {
    if (!FPrint.Prepared) PrepareThisPrint();
  }
  bool PreparedToPrint() const { return FPrint.Prepared; }
  // The print is over (written, or measured and not printed): the next
  // one prepares again.
  void EndPrint() { FPrint.Prepared = FPrint.Replaced = FPrint.Evaluated = false; }
  // CALCWIDTH while this is the current object: its width here; a text
  // object, the width its evaluated text needs.
  virtual int CalcWidth() { return dx; }
  // The state of the print in progress, for a band that measures the same
  // object several times before it prints it (the cells of cross-tab
  // columns): it swaps each measure's state in before that print.
  TfrPrintState& PrintState() { return FPrint; }
  // Hands the object to the active export filter; no filter exists yet.
  virtual void ExportData() {}
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream);
  // (x, y)-(x+dx+1, y+dy+1) widened on framed sides; +10 all round when
  // extended.
  virtual TRect GetClipRgn(bool extended) const;

  // The type byte, the class name for add-ins and the record in prepared
  // mode: one object of a prepared page's stream.
  void WriteWithType(TStream& stream);

  // Horizontal BandAlign against same-top neighbours among `objects` and
  // the margins.
  void AlignHorizontally(const std::vector<TfrView*>& objects, int leftMargin, int rightMargin);

  // The engine's current objects never point at a view that went.
  ~TfrView() override;

 protected:
  TfrView() = default;
  // Memo1 := `lines` (the Memo) with every [expression] replaced by the
  // report's text (ParsedExpressionText). Each line is split at its
  // expressions once and split again only when its text changed.
  void ExpandVariables(const TStringList& lines);
  TfrPrintState FPrint;
  // PrepareToPrint's work, for a print not yet prepared.
  void PrepareThisPrint();
  // BaseName + the first number no object of the current report uses.
  std::string UniqueName() const;
  // The view's rectangle at drawing scale.
  TRect DrawRect() const { return TRect{x, y, x + dx + 1, y + dy + 1}; }
  // Vertical and width BandAlign against the band being printed.
  void AlignToBand();
  // WriteWithType with the Tag's [expressions] expanded and the geometry
  // aligned to the band being printed; Tag and geometry are put back after,
  // also when writing throws.
  void WriteAlignedToBand(TStream& stream);
  // Gathers this class's part of the record SaveToStream writes, so that
  // a kind that adds fields writes its whole record at once.
  void SaveRecord(TfrRecordWriter& w);
  // Gathers the whole record SaveToStream writes into `w` and returns
  // true, so that WriteWithType puts the type byte and the record in one
  // write; false, gathering nothing, for a kind whose SaveToStream writes
  // to the stream itself (the default). A kind that gathers its record
  // writes nothing in SaveToStream but what this gathers.
  virtual bool GatherRecord(TfrRecordWriter& w);

 private:
  TfrLineBytes FMemo1Bytes;  // Memo1 as last written into a prepared page
  struct TSaved {
    int x, y, dx, dy, GapX, GapY;
    float FrameWidth;
  } FSaved{};
  // The memo lines ExpandVariables split, by line number, with the text
  // each was split from.
  struct TSplitLine {
    std::string Source;
    TfrBracketedLine Split;
  };
  std::vector<TSplitLine> FSplitLines;
  bool FExpanding = false;
};

// Expands every [...] of `line` with `text`, left to right; an unmatched
// '[' leaves the rest of the line as it is. Inserted text is never
// expanded again. The split is SplitBracketedLine's.
std::string ExpandLine(std::string_view line,
                       const std::function<std::string(const std::string&)>& text);
// `line`'s literals and the texts of its expressions, in order, appended
// to `out`; `text` is called once per expression, left to right.
template <class TText>
void AppendExpanded(std::string& out, const TfrBracketedLine& line, TText&& text) {
  out += line.Literals[0];
  for (std::size_t k = 0; k < line.Expressions.size(); ++k) {
    out += text(line.Expressions[k]);
    out += line.Literals[k + 1];
  }
}

// Frame width to and from the stored integer.
std::int32_t EncodeFrameWidth(float width);
float DecodeFrameWidth(std::int32_t stored);
