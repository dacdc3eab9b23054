#include "platform/gui/clipboard.h"

#include <vector>

#include "platform/base/exceptions.h"
#include "platform/base/text.h"
#include "platform/gui/services.h"

namespace {

std::vector<std::string>& RegisteredNames() {
  static std::vector<std::string> names;
  return names;
}

bool IsTextFormat(unsigned format) {
  return format == CF_TEXT || format == CF_OEMTEXT || format == CF_UNICODETEXT;
}
unsigned Normalized(unsigned format) { return IsTextFormat(format) ? CF_TEXT : format; }

// The content in memory; its text is services.h's clipboard text, so that
// text set there later (an edit's copy) is seen as a new content.
class TMemoryClipboardBackend final : public IClipboardBackend {
 public:
  void SetContent(const TClipboardContent& content) override {
    FContent = content;
    auto text = content.find(CF_TEXT);
    FText = text != content.end() ? text->second.Str() : std::string();
    SetClipboardText(FText);
  }
  bool HasFormat(unsigned format) override {
    if (!Current()) return format == CF_TEXT && !GetClipboardText().empty();
    return FContent.count(format) != 0;
  }
  std::optional<std::string> GetFormat(unsigned format) override {
    if (!HasFormat(format)) return std::nullopt;
    if (format == CF_TEXT) return GetClipboardText();
    return FContent.at(format).Str();
  }

 private:
  bool Current() const { return GetClipboardText() == FText; }

  TClipboardContent FContent;
  std::string FText;
};

std::unique_ptr<IClipboardBackend>& Backend() {
  static std::unique_ptr<IClipboardBackend> backend = std::make_unique<TMemoryClipboardBackend>();
  return backend;
}

}  // namespace

unsigned RegisterClipboardFormat(const std::string& name) {
  if (name.empty()) throw EInvalidOperation("Invalid clipboard format name");
  auto& names = RegisteredNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (SameText(names[i], name)) return kFirstRegisteredClipboardFormat + static_cast<unsigned>(i);
  }
  names.push_back(name);
  return kFirstRegisteredClipboardFormat + static_cast<unsigned>(names.size() - 1);
}

std::string GetClipboardFormatName(unsigned format) {
  const auto& names = RegisteredNames();
  if (format < kFirstRegisteredClipboardFormat) return {};
  std::size_t index = format - kFirstRegisteredClipboardFormat;
  return index < names.size() ? names[index] : std::string();
}

std::unique_ptr<IClipboardBackend> SetClipboardBackend(std::unique_ptr<IClipboardBackend> backend) {
  if (!backend) backend = std::make_unique<TMemoryClipboardBackend>();
  std::swap(Backend(), backend);
  return backend;
}

TClipboard::TClipboard() = default;
TClipboard::~TClipboard() = default;

void TClipboard::Open() { ++FOpenCount; }

void TClipboard::Close() {
  if (FOpenCount == 0) return;
  if (--FOpenCount > 0) return;
  if (FChanged) {
    // Reset first: a backend that throws must not leave a batch half open.
    TClipboardContent content = std::move(FPending);
    FPending.clear();
    FChanged = false;
    Backend()->SetContent(content);
  }
}

void TClipboard::Clear() {
  Open();
  FPending.clear();
  FChanged = true;
  Close();
}

bool TClipboard::HasFormat(unsigned format) {
  format = Normalized(format);
  if (const TClipboardContent* pending = Pending()) return pending->count(format) != 0;
  return Backend()->HasFormat(format);
}

std::string TClipboard::GetBuffer(unsigned format) {
  format = Normalized(format);
  if (const TClipboardContent* pending = Pending()) {
    auto it = pending->find(format);
    return it != pending->end() ? it->second.Str() : std::string();
  }
  return Backend()->GetFormat(format).value_or(std::string());
}

void TClipboard::SetBuffer(unsigned format, TClipboardBytes data) {
  Open();
  if (!FChanged) {
    FPending.clear();
    FChanged = true;
  }
  FPending[Normalized(format)] = std::move(data);
  Close();
}

TClipboard& Clipboard() {
  static TClipboard clipboard;
  return clipboard;
}
