// RTF export: the grid's selection as a Rich Text Format table that keeps
// the grid's look (widths, colours, fonts, alignment, borders, merged
// multi-level headings, footers). The body is written first into a buffer
// because the colour and font tables come before it and are only known
// once every cell has been seen. Text is Windows-1251, written as "\'xx";
// widths are converted at 96 pixels per inch, so the bytes do not depend
// on the screen. GUI thread only.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "grid/grid_export.h"
#include "platform/draw/graphics.h"

class TDBGridEhExportAsRTF : public TDBGridEhExport {
 public:
  // An empty selection writes nothing.
  void ExportSelection(TStream& stream, const TGridSelectionEh& selection) override;

 protected:
  void WritePrefix() override {}
  void WriteSuffix() override;
  void WriteTitle(const TExportColumnsEh& columns) override;
  void WriteRecord(const TExportColumnsEh& columns) override;
  void WriteDataCell(TColumnEh* column, TFont* font, TColor background,
                     TColCellParamsEh& params) override;
  void WriteFooter(const TExportColumnsEh& columns, int footerRow) override;
  void WriteFooterCell(int dataCol, int row, TColumnEh* column, TFont* font, TColor background,
                       TAlignment alignment, const std::string& text) override;

 private:
  struct TCell {
    int Width = 0;  // pixels
    int Background = 0;
    TAlignment Alignment = taLeftJustify;
    // The formatted text (font words, a space, the escaped text) in FRowText.
    std::size_t TextBegin = 0, TextEnd = 0;
    bool Left = true, Top = true, Bottom = true, Right = true;  // borders
  };
  int ColorIndex(TColor color);
  int NewColorIndex(TColor color);
  int FontIndex(const std::string& name);
  // A cell of FCells over the text formatted into FRowText.
  TCell& AddCell(int width, TColor background, TAlignment alignment, const TFont* font,
                 const std::string& text);
  void AppendFormattedText(std::string& out, const TFont* font, TColor background,
                           const std::string& text);
  // Writes FCells as a row and starts the next one.
  void WriteRow();

  // The body is kept in pieces of about kBodyChunkSize: a whole register
  // makes hundreds of megabytes, which one growing string would copy
  // again at every doubling.
  static constexpr std::size_t kBodyChunkSize = 1 << 20;
  std::vector<std::string> FBodyChunks;
  std::string FBody;                              // the piece being written
  std::vector<std::string> FColors;               // "%3d%3d%3d" of red, green, blue
  std::unordered_map<TColor, int> FColorIndexes;  // by the colour as given
  std::vector<std::string> FFonts;
  std::size_t FLastFont = 0;
  std::vector<TCell> FCells;
  std::string FRowText;
};

// `text` (UTF-8) as RTF text: Windows-1251, "\", "{" and "}" escaped,
// bytes from 0x80 as "\'xx", line breaks as "\line".
std::string RtfEscapedText(std::string_view text);
