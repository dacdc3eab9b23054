// TfrPage: a template page as the streams and the engine's objects need
// it: paper, margins, columns, the dialog-page settings, the page script
// and the objects placed on it (owned, in drawing order).
//
// The page building that walks bands over datasets belongs to the page
// builder; this unit holds only what a page is.
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

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/string_list.h"
#include "platform/draw/geometry.h"
#include "platform/draw/graphics.h"
#include "report/fr_view.h"

class TStream;

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
};
