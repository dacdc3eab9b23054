#include "platform/widgets/std_memo.h"

#include "platform/base/text.h"

// ----------------------------------------------------------- TMemoStrings

std::vector<std::string> TMemoStrings::Split() const {
  std::vector<std::string> lines;
  const std::string& text = FMemo->Text();
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  // A final empty line is not a line.
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

void TMemoStrings::Join(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  FMemo->SetText(text);
}

int TMemoStrings::Count() const { return static_cast<int>(Split().size()); }

std::string TMemoStrings::Get(int Index) const {
  std::vector<std::string> lines = Split();
  CheckIndex(Index, static_cast<int>(lines.size()) - 1);
  return lines[static_cast<std::size_t>(Index)];
}

void TMemoStrings::InsertObject(int Index, std::string_view S, void*) {
  std::vector<std::string> lines = Split();
  CheckIndex(Index, static_cast<int>(lines.size()));
  lines.insert(lines.begin() + Index, std::string(S));
  Join(lines);
}

void TMemoStrings::Delete(int Index) {
  std::vector<std::string> lines = Split();
  CheckIndex(Index, static_cast<int>(lines.size()) - 1);
  lines.erase(lines.begin() + Index);
  Join(lines);
}

void TMemoStrings::Clear() { FMemo->SetText(""); }

void TMemoStrings::Put(int Index, std::string_view S) {
  std::vector<std::string> lines = Split();
  CheckIndex(Index, static_cast<int>(lines.size()) - 1);
  lines[static_cast<std::size_t>(Index)] = std::string(S);
  Join(lines);
}

// ------------------------------------------------------------ TCustomMemo

TCustomMemo::TCustomMemo(TComponent* owner)
    : TCustomEdit(owner), FLines(std::make_unique<TMemoStrings>(this)) {
  SetAutoSize(false);
  SetMultiLine(true);
  SetWordWrapInternal(true);
  SetBounds(0, 0, 185, 89);
}

void TCustomMemo::SetLines(const TStrings* value) {
  if (value != nullptr) FLines->Assign(*value);
}

void TCustomMemo::SetScrollBars(TScrollStyle value) {
  if (value == FScrollBars) return;
  FScrollBars = value;
  SetScrollBarsInternal(value == ssVertical || value == ssBoth,
                        value == ssHorizontal || value == ssBoth);
}

TPoint TCustomMemo::CaretPosition() {
  int line = LineOfChar(CaretPos());
  return {CaretPos() - LineStart(line), line};
}

void TCustomMemo::WndProc(TMessage& message) {
  if (message.Msg == WM_GETDLGCODE) {
    TCustomEdit::WndProc(message);
    if (!FWantReturns) message.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
    if (FWantTabs) message.Result |= DLGC_WANTTAB;
    return;
  }
  TCustomEdit::WndProc(message);
}
