#include <QFileDialog>
#include <QStringList>

#include "platform/gui/window.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_services.h"

std::string QtNameFilter(const TFileFilter& filter) {
  std::string patterns = filter.Pattern;
  for (char& c : patterns)
    if (c == ';') c = ' ';
  // Qt shows the text as it stands and filters by its last parentheses: a
  // description that already ends with its patterns keeps them once.
  std::string description = filter.Description;
  for (const std::string& shown : {"(" + filter.Pattern + ")", "(" + patterns + ")"}) {
    if (description.ends_with(shown)) {
      description.resize(description.size() - shown.size());
      break;
    }
  }
  while (!description.empty() && description.back() == ' ') description.pop_back();
  return description + " (" + patterns + ")";
}

namespace {

// Runs the desktop's dialog over `owner`; true when a file was chosen.
bool RunFileDialog(QWidget* owner, TFileDialogRequest& request) {
  // Our rules (overwrite and create prompts, must-exist, the default
  // extension) run after the dialog; Qt's own would ask twice.
  QFileDialog dialog(owner, QString::fromStdString(request.Title),
                     QString::fromStdString(request.InitialDir));
  dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  QStringList filters;
  for (const TFileFilter& f : request.Filters) filters << QString::fromStdString(QtNameFilter(f));
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(request.FilterIndex - 1));
  }
  if (!request.FileName.empty()) dialog.selectFile(QString::fromStdString(request.FileName));
  QObject::connect(&dialog, &QFileDialog::filterSelected, [&](const QString& filter) {
    int index = static_cast<int>(filters.indexOf(filter)) + 1;
    if (index > 0 && index != request.FilterIndex) {
      request.FilterIndex = index;
      if (request.TypeChanged) request.TypeChanged(index);
    }
  });
  if (dialog.exec() != QDialog::Accepted) return false;
  QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return false;
  request.FileName = files.first().toStdString();
  int index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  if (index > 0) request.FilterIndex = index;
  return true;
}

}  // namespace

TFileDialogBackend MakeQtFileDialogBackend(TQtHost& host) {
  return [&host](TFileDialogRequest& request) {
    HWND owner = GetActiveWindow();
    bool chosen = RunFileDialog(host.WidgetOf(owner), request);
    // The dialog took the activation from the window it interrupted; a
    // window manager hands it back, but without one nobody would, and the
    // keys would go nowhere. Asked once the dialog is gone: while it
    // lives, the toolkit gives the activation back to it.
    if (IsWindow(owner) && IsWindowVisible(owner)) {
      SetActiveWindow(owner);
      host.ActivateTopLevel(owner);
    }
    return chosen;
  };
}
