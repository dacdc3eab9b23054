#include <QFileDialog>
#include <QStringList>

#include "platform/gui/window.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_services.h"

std::string QtNameFilter(const TFileFilter& filter) {
  std::string patterns = filter.Pattern;
  for (char& c : patterns)
    if (c == ';') c = ' ';
  return filter.Description + " (" + patterns + ")";
}

TFileDialogBackend MakeQtFileDialogBackend(TQtHost& host) {
  return [&host](TFileDialogRequest& request) {
    // The dialog takes the activation from the window it interrupts; a
    // window manager would hand it back when the dialog goes, but without
    // one nobody does, and the keys would go nowhere.
    HWND owner = GetActiveWindow();
    // Our rules (overwrite and create prompts, must-exist, the default
    // extension) run after the dialog; Qt's own would ask twice.
    QFileDialog dialog(host.WidgetOf(owner), QString::fromStdString(request.Title),
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
    int answer = dialog.exec();
    if (IsWindow(owner) && IsWindowVisible(owner)) {
      SetActiveWindow(owner);
      host.ActivateTopLevel(owner);
    }
    if (answer != QDialog::Accepted) return false;
    QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return false;
    request.FileName = files.first().toStdString();
    int index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (index > 0) request.FilterIndex = index;
    return true;
  };
}
