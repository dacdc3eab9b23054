#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/base/text.h"
#include "platform/gui/services.h"
#include "platform/qt/qt_services.h"

namespace {

QClipboard* Board() { return QGuiApplication::clipboard(); }

QString MimeOf(unsigned format) { return QString::fromStdString(ClipboardMimeType(format)); }

class TQtClipboardBackend final : public IClipboardBackend {
 public:
  void SetContent(const TClipboardContent& content) override {
    if (content.empty()) {
      Board()->clear();
      return;
    }
    auto* data = new QMimeData;
    // A block under several formats is copied once; its QByteArrays share it.
    std::vector<std::pair<const TClipboardBytes*, QByteArray>> copied;
    for (const auto& [format, bytes] : content) {
      if (format == CF_TEXT) {
        data->setText(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())));
        continue;
      }
      auto same = std::find_if(copied.begin(), copied.end(),
                               [&](const auto& c) { return c.first->SharesWith(bytes); });
      if (same == copied.end()) {
        copied.emplace_back(&bytes, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
        same = copied.end() - 1;
      }
      data->setData(MimeOf(format), same->second);
    }
    Board()->setMimeData(data);  // the clipboard owns it
  }
  bool HasFormat(unsigned format) override {
    const QMimeData* data = Board()->mimeData();
    if (data == nullptr) return false;
    return format == CF_TEXT ? data->hasText() : data->hasFormat(MimeOf(format));
  }
  std::optional<std::string> GetFormat(unsigned format) override {
    if (!HasFormat(format)) return std::nullopt;
    const QMimeData* data = Board()->mimeData();
    QByteArray bytes = format == CF_TEXT ? data->text().toUtf8() : data->data(MimeOf(format));
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  }
};

}  // namespace

std::string ClipboardMimeType(unsigned format) {
  std::string name = LowerCase(GetClipboardFormatName(format));
  // A name that is a MIME type already ("text/csv") is offered as it is.
  if (name.find('/') != std::string::npos) return name;
  if (name.empty()) name = "format-" + std::to_string(format);
  std::string mime = "application/x-mebrath-";
  for (unsigned char c : name) {
    if (std::isalnum(c) || c == '.' || c == '+' || c == '-') {
      mime += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "_%02x", c);
      mime += hex;
    }
  }
  return mime;
}

std::unique_ptr<IClipboardBackend> MakeQtClipboardBackend() {
  return std::make_unique<TQtClipboardBackend>();
}

void InstallQtClipboardText() {
  SetClipboardTextHandler(
      {[] { return Board()->text().toStdString(); },
       [](const std::string& text) { Board()->setText(QString::fromStdString(text)); }});
}
