// TfrPage: a template page as the streams and the engine's objects need
// it: paper, margins, columns, the dialog-page settings, the page script
// and the objects placed on it (owned, in drawing order).
//
// While a report is built the page also holds the run-time bands and the
// building state; the building itself is in fr_page_builder.cpp.
//
// Page record (little-endian):
//   i32 -1 marker (absent in old records: then this i32 is the paper size)
//   i32 paper size, width, height; 4 x i32 margins (left, top, right, bottom)
//   u8 orientation; before version 23: 6 bytes skipped
//   i32 bin (version > 23; else -1)
//   u16 Boolean PrintToPrevPage, u16 Boolean use margins
//   i32 Columns, i32 ColumnGap
//   version >= 24: u8 type, Name string, u8 BorderStyle (0 dialog,
//     1 sizeable), Caption string, i32 Color, 4 x i32 dialog bounds
//     (left, top, width, height), u8 Position (non-zero: centred)
//   version >= 24 with the marker: the script memo
//
// GUI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/string_list.h"
#include "platform/draw/geometry.h"
#include "platform/draw/graphics.h"
#include "report/fr_view.h"

class TStream;
class TfrBand;

enum TfrPageType : std::uint8_t { ptReport, ptDialog };
enum TfrPageBorder : std::uint8_t { pbsDialog, pbsSizeable };

inline constexpr int kDefaultPaper = 9;  // A4
inline constexpr int kDefaultPageWidth = 2100;
inline constexpr int kDefaultPageHeight = 2970;

class TfrPage : public TfrObject {
  MEBRATH_CLASS(TfrPage, TfrObject)
 public:
  int pgSize = kDefaultPaper;
  int pgWidth = kDefaultPageWidth;
  int pgHeight = kDefaultPageHeight;
  TRect pgMargins{0, 0, 0, 0};  // left, top, right, bottom
  std::uint8_t pgOr = 0;        // 0 portrait, 1 landscape
  int pgBin = -1;
  bool PrintToPrevPage = false;
  bool UseMargins = true;
  int Columns = 1;
  int ColumnGap = 0;
  TfrPageType PageType = ptReport;
  std::string Name;
  TfrPageBorder BorderStyle = pbsDialog;
  std::string Caption = "Form";
  TColor Color = clBtnFace;
  TRect DialogBounds{220, 120, 380, 300};  // left, top, width, height
  bool ScreenCenter = true;
  TStringList Script;
  bool Visible = true;

  std::vector<TObjectPtr<TfrView>> Objects;

  ~TfrPage() override;

  // --- page building
  std::array<TfrBand*, 23> Bands{};  // first band of each kind (owned)
  bool IsSubReportPage = false;
  int ModalResult = 0;  // of a dialog page: its window's, or MODALRESULT
  int CurColumn = 0;
  int CurX = 0;
  int CurrentNo = 0;  // CURRENT#
  int ColumnNo = 0;   // COLUMN#
  TfrBand* LastBand = nullptr;
  bool LastPage = false;  // the summary and final footers are printing
  int LastStaticColumnY = 0;
  int CurY = 0;
  int CurBottomY = 0;
  int PageNumber = 0;  // in the template, from 1
  TRect PrintBounds;   // left, top, right, bottom of the printable area
  int ColumnWidth = 0;

  // Prepares the run-time bands (once per build; a second call keeps them).
  void InitReport();
  void DoneReport();
  void PrepareObjects();
  void FormPage();
  void ShowBand(TfrBand* band);
  void ShowBandByName(const std::string& name);
  void NewPage();
  void NewColumn(TfrBand* band);
  void ShowPageFooters();
  // --- sub-report pages
  // A sub-report page is built once in recording mode: what it prints and
  // how it moves its datasets goes into the play list, which its host band
  // then plays part by part, beside the other sub-reports of the band.
  enum TfrPlayOp : std::uint8_t {
    poPrint,    // print the band
    poFirst,    // its dataset to the first record, line counters restart
    poNext,     // its dataset to the next record, counted
    poStep,     // to the next record again after a group's footers
    poBack,     // back one record for a group's footers
    poNewGroup  // a group changed: LINE# restarts
  };
  struct TfrPlayEntry {
    TfrBand* Band;
    TfrPlayOp Op;
  };
  // Records the whole sub-report from the host page's state.
  void RecordSubReport(const TfrPage& host);
  // Places the next part at (x, top) with the host's bottom; `fresh` when
  // the part starts a page (its first band then prints even when it does
  // not fit). Plays until a band does not fit; true when the whole
  // sub-report has printed. CurY is then below what this part printed.
  bool PlaySubReport(int x, int top, int bottom, bool fresh);
  // Frees the recording.
  void EndSubReport();
  // True while a sub-report page is being played: bands that do not fit
  // hand the rest back to the host instead of breaking the page.
  bool Playing() const { return FPlaying; }
  // The printable bounds (with the page footer's room taken off while
  // preparing when `preparing`).
  TRect PrintableBounds(bool preparing) const;
  // Nothing printed since the last page or column break: a band that does
  // not fit here prints anyway.
  bool FreshPage() const { return FInBreak || CurY <= FBreakY; }

  // TfrObject
  void SetPropertyValue(const std::string& Name, const Variant& Value) override;
  Variant GetPropertyValue(const std::string& Name) override;
  void DeclareProperties() override;

  // Takes `view`; returns it.
  TfrView* Add(TObjectPtr<TfrView> view);
  // The object named `name` (case-insensitive) or nullptr.
  TfrView* FindObject(std::string_view name) const;
  // Page size in screen pixels (96 dpi) from the tenths of a millimetre.
  TSize ScreenSize() const;

  // Reads the record in the layout of frEngine().Version.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;

 protected:
  TfrPage() = default;

 private:
  friend class TfrBand;
  void DoLoop(int level);
  // Moves `band`'s dataset (recorded in recording mode).
  void Move(TfrBand* band, TfrPlayOp op);
  void ShowPending();
  void Queue(TfrBand* band);
  void MarkBreak() { FBreakY = CurY; }
  std::vector<TfrPlayEntry> FPlayList;
  std::size_t FPlayPos = 0;
  bool FRecording = false;
  bool FPlaying = false;
  // A band of this page that left sub-reports of its own unfinished.
  TfrBand* FUnfinishedBand = nullptr;
  bool FInitialized = false;
  bool FInBreak = false;
  int FBreakY = -1;
  int FMaxLevel = 0;
};
