// RTF export: the grid's selection as a Rich Text Format table that keeps
// the grid's look (widths, colours, fonts, alignment, borders, merged
// multi-level headings, footers). The colour and font tables come before
// the body and are only known once the cells have been seen, so the body
// is kept in memory until they are; without cell or footer handlers the
// first record shows them all, and the rows after it go straight to the
// stream. Text is Windows-1251, written as "\'xx"; widths are converted at
// 96 pixels per inch, so the bytes do not depend on the screen. GUI thread
// only.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "grid/grid_export.h"
#include "platform/draw/graphics.h"

// An empty selection writes nothing.
class TDBGridEhExportAsRTF : public TDBGridEhExport {
 protected:
  void StartExport() override;
  void FinishExport(TStream& stream) override;
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
  // The words before a cell's text for a font and background, and what
  // they were made for: cells in the same place of successive rows mostly
  // share them.
  struct TTextFormat {
    TFontData Font;
    int PixelsPerInch = 0;
    TColor Background = clNone;
    std::string Words;
  };
  int ColorIndex(TColor color);
  int NewColorIndex(TColor color);
  int FontIndex(const std::string& name);
  // A cell of FCells over the text formatted into FRowText.
  TCell& AddCell(int width, TColor background, TAlignment alignment, const TFont* font,
                 const std::string& text);
  void AppendFormatWords(std::string& out, const TFont* font, TColor background);
  // Writes FCells as a row and starts the next one.
  void WriteRow();
  std::string Head() const;
  // Whether every row after the first adds no colour or font: no handler
  // can change a cell's look.
  bool LookIsFixed() const;
  // Once the tables are complete: the head and the body so far go to the
  // stream, and the rows after them straight through.
  void StartStreaming();

  // Until the body can go straight to the stream it is kept in pieces of
  // about kBodyChunkSize: one growing string would copy it again at every
  // doubling.
  static constexpr std::size_t kBodyChunkSize = 1 << 20;
  std::vector<std::string> FBodyChunks;
  std::string FBody;  // the piece being written
  bool FStreaming = false;
  bool FDryRun = false;  // rows only register their colours and fonts
  bool FRecordWritten = false;
  std::vector<std::string> FColors;               // "%3d%3d%3d" of red, green, blue
  std::unordered_map<TColor, int> FColorIndexes;  // by the colour as given
  std::vector<std::string> FFonts;
  std::size_t FLastFont = 0;
  std::vector<TCell> FCells;
  std::string FRowText;
  std::string FRow;
  std::vector<TTextFormat> FFormats;  // by the cell's place in its row
  std::vector<int> FRowKey;           // what the row's cell definitions depend on
  std::vector<int> FLastRowKey;
  std::string FLastRowDefinition;
};

// `text` (UTF-8) as RTF text: Windows-1251, "\", "{" and "}" escaped,
// bytes from 0x80 as "\'xx", line breaks as "\line".
std::string RtfEscapedText(std::string_view text);
