#include "grid/export_rtf.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "platform/base/codepage.h"

namespace {

constexpr int kPixelsPerInch = 96;
constexpr int kTwipsPerInch = 1440;

void AppendInt(std::string& out, long long value) {
  char buf[24];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, result.ptr);
}

constexpr std::string_view kAllBorders =
    "\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n"
    "\\clbrdrb\\brdrs\\brdrcf0\r\n\\clbrdrr\\brdrs\\brdrcf0\r\n";

int Twips(int pixels) {
  return static_cast<int>((static_cast<long long>(pixels) * kTwipsPerInch * 2 + kPixelsPerInch) /
                          (2 * kPixelsPerInch));
}

const char* AlignmentWord(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify:
      return "\\qr";
    case taCenter:
      return "\\qc";
    default:
      return "\\ql";
  }
}

// The path of title nodes from the top level down to the column's leaf.
std::vector<THeadTreeNode*> TitlePath(THeadTreeNode* root, TColumnEh* column) {
  std::vector<THeadTreeNode*> path;
  if (root == nullptr) return path;
  THeadTreeNode* leaf = nullptr;
  root->DoForAllNode([&](THeadTreeNode* node) {
    if (leaf == nullptr && node->Column == column) leaf = node;
  });
  for (THeadTreeNode* n = leaf; n != nullptr && n->Host != nullptr; n = n->Host)
    path.insert(path.begin(), n);
  return path;
}

}  // namespace

namespace {

void AppendEscaped(std::string& out, std::string_view text) {
  bool plain = true;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x80 || c == '\\' || c == '{' || c == '}' || c == '\n' || c == '\r') {
      plain = false;
      break;
    }
  }
  if (plain) {
    out.append(text);
    return;
  }
  // One conversion buffer for all cells: the export calls this per cell.
  static thread_local std::string bytes;
  bytes.clear();
  AppendFromUtf8(bytes, text, TCodePage::Win1251);
  static constexpr char kHex[] = "0123456789abcdef";
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += ch;
    } else if (c == '\n') {
      out += "\\line ";
    } else if (c == '\r') {
      continue;
    } else if (c >= 0x80) {
      const char escape[4] = {'\\', '\'', kHex[c >> 4], kHex[c & 0xF]};
      out.append(escape, 4);
    } else {
      out += ch;
    }
  }
}

}  // namespace

std::string RtfEscapedText(std::string_view text) {
  std::string out;
  AppendEscaped(out, text);
  return out;
}

int TDBGridEhExportAsRTF::ColorIndex(TColor color) {
  if (auto known = FColorIndexes.find(color); known != FColorIndexes.end()) return known->second;
  const int index = NewColorIndex(color);
  FColorIndexes.emplace(color, index);
  return index;
}

int TDBGridEhExportAsRTF::NewColorIndex(TColor color) {
  const TColor rgb = ColorToRGB(color);
  char key[16];
  std::snprintf(key, sizeof key, "%3d%3d%3d", static_cast<int>(rgb & 0xFF),
                static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>((rgb >> 16) & 0xFF));
  auto it = std::find(FColors.begin(), FColors.end(), key);
  if (it != FColors.end()) return static_cast<int>(it - FColors.begin());
  FColors.emplace_back(key);
  return static_cast<int>(FColors.size()) - 1;
}

int TDBGridEhExportAsRTF::FontIndex(const std::string& name) {
  if (!FFonts.empty() && FFonts[FLastFont] == name) return static_cast<int>(FLastFont);
  auto it = std::find(FFonts.begin(), FFonts.end(), name);
  if (it == FFonts.end()) it = FFonts.insert(FFonts.end(), name);
  FLastFont = static_cast<std::size_t>(it - FFonts.begin());
  return static_cast<int>(FLastFont);
}

void TDBGridEhExportAsRTF::AppendFormatWords(std::string& out, const TFont* font,
                                             TColor background) {
  out += "\\fs";
  AppendInt(out, font->Size() * 2);
  const TFontStyles style = font->Style();
  if (style.Contains(fsBold)) out += "\\b";
  if (style.Contains(fsItalic)) out += "\\i";
  if (style.Contains(fsStrikeOut)) out += "\\strike";
  if (style.Contains(fsUnderline)) out += "\\ul";
  out += "\\f";
  AppendInt(out, FontIndex(font->Name()));
  out += "\\cf";
  AppendInt(out, ColorIndex(font->Color()));
  out += "\\cb";
  AppendInt(out, ColorIndex(background));
  out += ' ';
}

bool TDBGridEhExportAsRTF::LookIsFixed() const {
  if (DBGrid()->OnGetCellParams || DBGrid()->OnGetFooterParams) return false;
  for (TColumnEh* column : ExpCols())
    if (column->OnGetCellParams) return false;
  return true;
}

std::string TDBGridEhExportAsRTF::Head() const {
  std::string head = "{\\rtf0\\ansi\\ansicpg1251\r\n{\\colortbl\r\n";
  for (const std::string& key : FColors) {
    head += "\\red" + std::to_string(std::stoi(key.substr(0, 3))) + "\\green" +
            std::to_string(std::stoi(key.substr(3, 3))) + "\\blue" +
            std::to_string(std::stoi(key.substr(6, 3))) + ";\r\n";
  }
  head += "}\r\n{\\fonttbl\r\n";
  for (std::size_t i = 0; i < FFonts.size(); ++i)
    head +=
        "{\\f" + std::to_string(i) + "\\fnil\\fcharset204 " + RtfEscapedText(FFonts[i]) + ";}\r\n";
  head += "}\r\n";
  return head;
}

void TDBGridEhExportAsRTF::StartExport() {
  FBodyChunks.clear();
  FBody.clear();
  FCells.clear();
  FRowText.clear();
  FFormats.clear();
  FLastRowKey.clear();
  FLastRowDefinition.clear();
  FStreaming = false;
  FDryRun = false;
  FRecordWritten = false;
  FColors.clear();
  FColorIndexes.clear();
  FFonts.clear();
  FLastFont = 0;
  ColorIndex(clBlack);
  ColorIndex(clWhite);
  ColorIndex(clBtnFace);
}

// Rows reach the stream through the base's writes once streaming starts;
// before that they are kept here.
void TDBGridEhExportAsRTF::FinishExport(TStream& stream) {
  if (!FStreaming && (!FBody.empty() || !FBodyChunks.empty())) {
    const std::string head = Head();
    stream.WriteBuffer(head.data(), static_cast<std::int64_t>(head.size()));
    for (const std::string& chunk : FBodyChunks)
      stream.WriteBuffer(chunk.data(), static_cast<std::int64_t>(chunk.size()));
    stream.WriteBuffer(FBody.data(), static_cast<std::int64_t>(FBody.size()));
  }
  FBodyChunks.clear();
  FBody.clear();
}

void TDBGridEhExportAsRTF::StartStreaming() {
  // The footers' colours and fonts are registered by writing the footer
  // rows to nowhere; the real ones later find them all known.
  FDryRun = true;
  for (int row = 0; row < DBGrid()->FooterRowCount(); ++row)
    TDBGridEhExport::WriteFooter(ExpCols(), row);
  FCells.clear();
  FRowText.clear();
  FDryRun = false;
  WriteBytes(Head());
  for (const std::string& chunk : FBodyChunks) WriteBytes(chunk);
  WriteBytes(FBody);
  FBodyChunks.clear();
  FBody.clear();
  FBody.shrink_to_fit();
  FStreaming = true;
}

void TDBGridEhExportAsRTF::WriteSuffix() {
  if (FStreaming)
    WriteBytes("}");
  else
    FBody += "}";
}

void TDBGridEhExportAsRTF::WriteRow() {
  if (FDryRun) {
    FCells.clear();
    FRowText.clear();
    return;
  }
  FRow.clear();
  FRow += "\\trowd\\trgaph40\r\n";
  // The cell definitions depend on the widths, backgrounds and borders
  // only, which data rows share.
  FRowKey.clear();
  for (const TCell& cell : FCells) {
    FRowKey.push_back(cell.Width);
    FRowKey.push_back(cell.Background);
    FRowKey.push_back(cell.Left | cell.Top << 1 | cell.Bottom << 2 | cell.Right << 3);
  }
  if (FRowKey != FLastRowKey) {
    FLastRowKey = FRowKey;
    FLastRowDefinition.clear();
    long long right = 0;
    for (const TCell& cell : FCells) {
      if (cell.Left && cell.Top && cell.Bottom && cell.Right) {
        FLastRowDefinition += kAllBorders;
      } else {
        const bool sides[4] = {cell.Left, cell.Top, cell.Bottom, cell.Right};
        const char* words[4] = {"\\clbrdrl", "\\clbrdrt", "\\clbrdrb", "\\clbrdrr"};
        for (int i = 0; i < 4; ++i) {
          if (!sides[i]) continue;
          FLastRowDefinition += words[i];
          FLastRowDefinition += "\\brdrs\\brdrcf0\r\n";
        }
      }
      right += Twips(cell.Width);
      // The cell's background as a background colour: a full shading in
      // the pattern colour ("\\clshdng10000\\clcfpat") fills cells black
      // in LibreOffice.
      FLastRowDefinition += "\\clcbpat";
      AppendInt(FLastRowDefinition, cell.Background);
      FLastRowDefinition += "\\cellx";
      AppendInt(FLastRowDefinition, right);
      FLastRowDefinition += "\r\n";
    }
  }
  FRow += FLastRowDefinition;
  FRow += "{\\trrh0\r\n";
  const std::string_view spacing = DBGrid()->Flat() ? "\\sb12\\sa12" : "\\sb24\\sa24";
  for (const TCell& cell : FCells) {
    FRow += "\\pard\\intbl{";
    FRow += AlignmentWord(cell.Alignment);
    FRow += spacing;
    FRow.append(FRowText, cell.TextBegin, cell.TextEnd - cell.TextBegin);
    FRow += "\\cell}\r\n";
  }
  FRow += "\\pard\\intbl\\row}\r\n";
  FCells.clear();
  FRowText.clear();
  if (FStreaming) {
    WriteBytes(FRow);
    return;
  }
  FBody += FRow;
  if (FBody.size() >= kBodyChunkSize) {
    FBodyChunks.push_back(std::move(FBody));
    FBody = std::string();
    FBody.reserve(kBodyChunkSize + kBodyChunkSize / 4);
  }
}

TDBGridEhExportAsRTF::TCell& TDBGridEhExportAsRTF::AddCell(int width, TColor background,
                                                           TAlignment alignment, const TFont* font,
                                                           const std::string& text) {
  const std::size_t place = FCells.size();
  TCell& cell = FCells.emplace_back();
  cell.Width = width;
  cell.Background = ColorIndex(background);
  cell.Alignment = alignment;
  cell.TextBegin = FRowText.size();
  if (place >= FFormats.size()) FFormats.resize(place + 1);
  TTextFormat& format = FFormats[place];
  if (format.Font != font->Data() || format.PixelsPerInch != font->PixelsPerInch() ||
      format.Background != background || format.Words.empty()) {
    format.Font = font->Data();
    format.PixelsPerInch = font->PixelsPerInch();
    format.Background = background;
    format.Words.clear();
    AppendFormatWords(format.Words, font, background);
  }
  FRowText += format.Words;
  AppendEscaped(FRowText, text);
  cell.TextEnd = FRowText.size();
  return cell;
}

void TDBGridEhExportAsRTF::WriteRecord(const TExportColumnsEh& columns) {
  TDBGridEhExport::WriteRecord(columns);
  WriteRow();
  if (!FRecordWritten) {
    FRecordWritten = true;
    if (LookIsFixed()) StartStreaming();
  }
}

void TDBGridEhExportAsRTF::WriteDataCell(TColumnEh* column, TFont* font, TColor background,
                                         TColCellParamsEh& params) {
  AddCell(column->Width(), background, params.Alignment, font, params.Text);
}

void TDBGridEhExportAsRTF::WriteFooter(const TExportColumnsEh& columns, int footerRow) {
  TDBGridEhExport::WriteFooter(columns, footerRow);
  WriteRow();
}

void TDBGridEhExportAsRTF::WriteFooterCell(int, int, TColumnEh* column, TFont* font,
                                           TColor background, TAlignment alignment,
                                           const std::string& text) {
  AddCell(column->Width(), background, alignment, font, text);
}

void TDBGridEhExportAsRTF::WriteTitle(const TExportColumnsEh& columns) {
  const std::size_t count = columns.size();
  std::vector<std::vector<THeadTreeNode*>> paths(count);
  std::size_t levels = 1;
  if (DBGrid()->UseMultiTitle()) {
    for (std::size_t c = 0; c < count; ++c) {
      paths[c] = TitlePath(DBGrid()->TitleTree(), columns[c]);
      levels = std::max(levels, paths[c].size());
    }
  }
  // The node of each cell; a leaf fills the levels below it. Without a
  // tree a column stands for itself at every level.
  auto node = [&](std::size_t level, std::size_t c) -> const void* {
    const std::vector<THeadTreeNode*>& path = paths[c];
    if (path.empty()) return columns[c];
    return path[std::min(level, path.size() - 1)];
  };
  for (std::size_t level = 0; level < levels; ++level) {
    for (std::size_t c = 0; c < count; ++c) {
      TColumnTitleEh* title = columns[c]->Title();
      const void* n = node(level, c);
      const bool left = c == 0 || node(level, c - 1) != n;
      const bool top = level == 0 || node(level - 1, c) != n;
      std::string text;
      if (left && top) {
        const std::vector<THeadTreeNode*>& path = paths[c];
        text = path.empty() ? title->Caption() : path[std::min(level, path.size() - 1)]->Text;
      }
      TCell& cell =
          AddCell(columns[c]->Width(), title->Color(), title->Alignment(), title->Font(), text);
      cell.Left = left;
      cell.Top = top;
      cell.Right = c + 1 == count || node(level, c + 1) != n;
      cell.Bottom = level + 1 == levels || node(level + 1, c) != n;
    }
    WriteRow();
  }
}
