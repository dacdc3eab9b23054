#include <QDesktopServices>
#include <QUrl>
#include <filesystem>

#include "platform/gui/services.h"
#include "platform/qt/qt_services.h"

namespace {

// "scheme:" with a scheme of two letters or more (a drive letter is not one).
bool IsLink(const std::string& s) {
  std::size_t colon = s.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    char c = s[i];
    bool ok = std::isalpha(static_cast<unsigned char>(c)) ||
              (i > 0 &&
               (std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.'));
    if (!ok) return false;
  }
  return true;
}

}  // namespace

QUrl DocumentUrl(const std::string& pathOrUrl) {
  if (IsLink(pathOrUrl)) return QUrl(QString::fromStdString(pathOrUrl));
  std::error_code ec;
  std::filesystem::path path = std::filesystem::absolute(pathOrUrl, ec);
  return QUrl::fromLocalFile(QString::fromStdString(ec ? pathOrUrl : path.string()));
}

void InstallQtShell() {
  SetOpenDocumentHandler([](const std::string& pathOrUrl) {
    if (pathOrUrl.empty()) return false;
    return QDesktopServices::openUrl(DocumentUrl(pathOrUrl));
  });
}
