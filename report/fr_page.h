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
  // Prints this (sub-report) page inside `host`'s flow: its left edge at
  // `x`, from `top` down; page breaks are the host's. Returns the Y below
  // what it printed.
  int PrintSubReport(TfrPage& host, int x, int top);
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
  void ShowPending();
  void Queue(TfrBand* band);
  void MarkBreak() { FBreakY = CurY; }
  TfrPage* FHost = nullptr;  // while printed as a sub-report
  bool FInitialized = false;
  bool FInBreak = false;
  int FBreakY = -1;
  int FMaxLevel = 0;
};
