// The band object (marks a band's place, kind and options on a template
// page) and the sub-report object (shows another template page inside a
// band).
//
// Band record tail, only when the template version is above 23:
//   ChildBand (string), Columns, ColumnWidth, ColumnGap, NewColumnAfter
//   (i32 each), Master (string) when the record version (major * 10 +
//   minor) is above 20; the writer stores minor 1, so Master is always
//   written.
// Sub-report record tail: SubPage (i32).
//
// The band kind lives in FrameTyp and the band options in Flags; the data
// source text (a group header's condition) in FormatStr. GUI thread only.
#pragma once

#include <cstdint>
#include <string>

#include "report/fr_view.h"

// Band kinds.
enum TfrBandType {
  btReportTitle,
  btReportSummary,
  btPageHeader,
  btPageFooter,
  btMasterHeader,
  btMasterData,
  btMasterFooter,
  btDetailHeader,
  btDetailData,
  btDetailFooter,
  btSubDetailHeader,
  btSubDetailData,
  btSubDetailFooter,
  btOverlay,
  btColumnHeader,
  btColumnFooter,
  btGroupHeader,
  btGroupFooter,
  btCrossHeader,
  btCrossData,
  btCrossFooter,
  btChild,
  btNone
};

// Band option bits of Flags.
inline constexpr std::uint16_t flBandStretched = 0x01;
inline constexpr std::uint16_t flBandNewPageAfter = 0x02;  // FormNewPage
inline constexpr std::uint16_t flBandPrintIfSubsetEmpty = 0x04;
inline constexpr std::uint16_t flBandBreaked = 0x08;
inline constexpr std::uint16_t flBandOnFirstPage = 0x10;
inline constexpr std::uint16_t flBandOnLastPage = 0x20;
inline constexpr std::uint16_t flBandRepeatHeader = 0x40;
inline constexpr std::uint16_t flBandPrintChildIfInvisible = 0x80;

// While a report is prepared the band object's script properties read its
// run-time band; the band builder supplies them through this.
class TfrRuntimeBand {
 public:
  virtual ~TfrRuntimeBand() = default;
  virtual TRect Place() const = 0;  // left, top, width, height
  virtual bool BandVisible() const = 0;
  virtual class TfrDataset* Dataset() const = 0;
};

class TfrBandView : public TfrView {
  MEBRATH_CLASS(TfrBandView, TfrView)
 public:
  std::string ChildBand;
  std::string Master;
  int Columns = 1;
  int ColumnWidth = 200;
  int ColumnGap = 20;
  int NewColumnAfter = 1;
  // Set by the band builder while preparing.
  TfrRuntimeBand* Runtime = nullptr;

  int BandType() const { return FrameTyp; }
  void SetBandType(int kind) { FrameTyp = static_cast<std::uint16_t>(kind); }
  const std::string& DataSource() const { return FormatStr; }
  void SetDataSource(const std::string& value) { FormatStr = value; }

  // TfrObject
  void SetPropertyValue(const std::string& Name, const Variant& Value) override;
  Variant GetPropertyValue(const std::string& Name) override;
  void CallMethod(const std::string& Name, const std::string& p1, const std::string& p2,
                  const std::string& p3, Variant& Val) override;
  void DeclareProperties() override;
  // TfrView
  void Draw(TCanvas& canvas) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

  // The design caption's width: the kind name in Arial 8 plus 8, at
  // least 100.
  int CaptionWidth(TCanvas& canvas) const;

 protected:
  TfrBandView();
};

class TfrSubReportView : public TfrView {
  MEBRATH_CLASS(TfrSubReportView, TfrView)
 public:
  int SubPage = 0;

  void Draw(TCanvas& canvas) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

 protected:
  TfrSubReportView();
};
