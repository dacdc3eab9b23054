#include "report/preview/fr_report_windows.h"

#include <exception>

#include "platform/base/file_utils.h"
#include "platform/base/math_utils.h"
#include "platform/base/scope_guard.h"
#include "platform/draw/printers.h"
#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/messages.h"
#include "platform/gui/services.h"
#include "platform/widgets/file_dialogs.h"
#include "platform/widgets/message_dialog.h"
#include "report/fr_functions.h"
#include "report/fr_page.h"
#include "report/preview/fr_dialog_page.h"
#include "report/preview/fr_dialogs.h"

namespace {

// The help document of the preview; empty when there is none.
std::string& HelpFile() {
  static std::string file;
  return file;
}

// The progress window whose work runs now, if any.
TfrProgressForm* CurrentProgress = nullptr;

bool RunWithProgress(TfrReport& report, const std::string& caption, const std::string& label,
                     const std::function<void()>& work) {
  if (TfrProgressForm::Running()) {
    // Already inside a progress window (a print started from a script):
    // the work reports there.
    work();
    return !report.Terminated;
  }
  std::exception_ptr failure;
  TModalResult result = mrCancel;
  {
    TObjectPtr<TfrProgressForm> form(Create<TfrProgressForm>(nullptr));
    TValueGuard<TfrProgressForm*> current(CurrentProgress, form.get());
    result = form->Show(&report, caption, [&] {
      form->SetMessageText(label);
      // A failure belongs to the caller, not to the message loop of the
      // window.
      try {
        work();
      } catch (...) {
        failure = std::current_exception();
      }
    });
  }
  if (failure) std::rethrow_exception(failure);
  return result == mrOk && !report.Terminated;
}

// Lets the desktop's input and painting in, then what it queued: the
// window repaints and Cancel is heard while the work runs.
void PumpMessages() {
  if (IGuiHost* host = GuiHost(); host != nullptr) host->WaitForEvents(0);
  Application->ProcessMessages();
}

void Progress(const std::string& text) {
  if (CurrentProgress == nullptr) return;
  CurrentProgress->SetMessageText(text);
  PumpMessages();
}

void ShowPreview(TfrReport& report, const std::string& caption) {
  const TfrPreviewSettings settings = frPreviewSettingsOf(report);
  if (auto* panel = dynamic_cast<TfrPreview*>(report.Preview())) {
    panel->Connect(&report, settings);
    return;
  }
  TfrPreviewForm* form = Create<TfrPreviewForm>(&report);
  form->SetCaption(caption);
  if (report.ModalPreview) {
    TObjectPtr<TfrPreviewForm> modal(form);
    form->ShowReport(&report, settings, true);
  } else {
    form->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
    form->ShowReport(&report, settings, false);
  }
  PumpMessages();
}

void ShowError(const std::string& text) { ShowMessageBox(text, "Error", MB_OK | MB_ICONERROR); }

void SelectPrinter(const std::string& name) {
  if (name.empty()) return;
  TfrPrinter& printer = frPrinter();
  const std::vector<std::string>& names = printer.Printers();
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == name) {
      if (static_cast<int>(i) != printer.PrinterIndex())
        printer.SetPrinterIndex(static_cast<int>(i));
      return;
    }
}

std::string PdfFileName(TfrReport& report) {
  std::string name = !report.Title.empty() ? report.Title : ExtractFileName(report.FileName);
  if (name.empty()) name = "report";
  return ChangeFileExt(name, ".pdf");
}

}  // namespace

TfrPreviewSettings frPreviewSettingsOf(TfrReport& report) {
  TfrPreviewSettings s;
  s.Buttons = report.PreviewButtons;
  s.InitialZoom = report.InitialZoom;
  s.GrayedButtons = report.GrayedButtons;
  s.DefaultCopies = report.DefaultCopies;
  s.DefaultCollate = report.DefaultCollate;
  s.ShowPrintDialog = report.ShowPrintDialog;
  s.Title = report.Title;
  s.PrintsToFile = true;
  s.Print = [&report](const TfrPrintRequest& request) { frPrintFromPreview(report, request); };
  s.PageSetup = [] { frPrinter().PropertiesDialog(); };
  const std::string help = HelpFile();
  if (!help.empty() && FileExists(help))
    s.Help = [help] { OpenDocument(help); };
  else
    s.Buttons.Exclude(pbHelp);
  return s;
}

void frPrintFromPreview(TfrReport& report, const TfrPrintRequest& request) {
  TPrinter& printer = *frPrinter().Printer();
  const bool toFile = frPrinter().IsVirtual() && printer.OutputFileName().empty();
  if (toFile) {
    TObjectPtr<TSaveDialog> dialog(Create<TSaveDialog>(nullptr));
    dialog->SetFilter("PDF (*.pdf)|*.pdf");
    dialog->SetDefaultExt("pdf");
    dialog->SetFileName(PdfFileName(report));
    TOpenOptions options = dialog->Options();
    options.Include(ofOverwritePrompt);
    dialog->SetOptions(options);
    const bool ok = dialog->Execute();
    const std::string file = dialog->FileName();
    dialog.reset();
    if (!ok) return;
    printer.SetOutputFileName(file);
  }
  TFinallyGuard printed([&] {
    if (toFile) printer.SetOutputFileName("");
  });
  report.PrintPreparedReport(request.PageNumbers, request.Copies, request.Collate,
                             static_cast<int>(request.PrintPages));
}

TfrPageGeometry frPrinterPageGeometry(const TfrPage& page) {
  TfrPrinter& p = frPrinter();
  p.SetPrinterInfo(page.pgSize, page.pgWidth, page.pgHeight, page.pgOr ? poLandscape : poPortrait,
                   page.pgBin < 0 ? kfrKeepBin : page.pgBin, false);
  const TSize screen = page.ScreenSize();
  if (p.PaperPixels.cx <= 0 || p.PaperPixels.cy <= 0) return {0, 0, screen.cx, screen.cy};
  return {MulDiv(p.Offset.X, screen.cx, p.PaperPixels.cx),
          MulDiv(p.Offset.Y, screen.cy, p.PaperPixels.cy),
          MulDiv(p.PrintableSize.cx, screen.cx, p.PaperPixels.cx),
          MulDiv(p.PrintableSize.cy, screen.cy, p.PaperPixels.cy)};
}

void frInstallReportWindows(const std::string& helpFile) {
  HelpFile() = helpFile;
  TfrReportHooks& hooks = frReportHooks();
  hooks.RunWithProgress = RunWithProgress;
  hooks.Progress = Progress;
  hooks.ShowPreview = ShowPreview;
  hooks.ShowError = ShowError;
  hooks.SelectPrinter = SelectPrinter;
  hooks.RunDialog = frRunDialogPage;
  hooks.PageGeometry = frPrinterPageGeometry;
  TfrFunctionHooks& functions = frFunctionHooks();
  functions.Input = [](const std::string& prompt, const std::string& value) {
    return InputBox("", prompt, value);
  };
  functions.MessageBox = [](const std::string& text, const std::string& caption, int flags) {
    return ShowMessageBox(text, caption, static_cast<unsigned>(flags));
  };
}

std::vector<std::string> frMissingReportHooks() {
  const TfrReportHooks& h = frReportHooks();
  const TfrFunctionHooks& f = frFunctionHooks();
  const std::pair<const char*, bool> all[] = {
      {"RunWithProgress", static_cast<bool>(h.RunWithProgress)},
      {"Progress", static_cast<bool>(h.Progress)},
      {"ShowPreview", static_cast<bool>(h.ShowPreview)},
      {"ShowError", static_cast<bool>(h.ShowError)},
      {"SelectPrinter", static_cast<bool>(h.SelectPrinter)},
      {"RunDialog", static_cast<bool>(h.RunDialog)},
      {"PageGeometry", static_cast<bool>(h.PageGeometry)},
      {"Input", static_cast<bool>(f.Input)},
      {"MessageBox", static_cast<bool>(f.MessageBox)}};
  std::vector<std::string> missing;
  for (const auto& [name, set] : all)
    if (!set) missing.push_back(name);
  return missing;
}
