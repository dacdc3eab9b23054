// Printing through the whole program: started as main() starts it, driven
// by keys posted to its Qt windows. A register of each kind is printed
// with Ctrl+P into the preview, paged, zoomed and printed from there to a
// PDF file through the print dialog; application No. 2 the same way; a
// blank date prints blank; the print dialog refuses a range naming no
// page; a long register is cancelled in the progress window; a damaged
// template shows its message; Ctrl+P reaches the main window after a
// register is opened through the desktop's file dialog. With
// MEBRATH_GALLERY_DIR set the windows are also painted there to be looked
// at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <array>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/tests/program_forms.h"
#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/file_utils.h"
#include "platform/base/number_format.h"
#include "platform/base/string_list.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/base/tests/shell_output.h"
#include "platform/draw/printers.h"
#include "platform/gui/forms.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/messages.h"
#include "platform/gui/services.h"
#include "platform/gui/window.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/tests/qt_gallery.h"
#include "platform/widgets/file_dialogs.h"
#include "platform/widgets/mask_edit.h"
#include "platform/widgets/message_dialog.h"
#include "register/certificate_directory.h"
#include "register/core/sum_in_words.h"
#include "register/cust_frame.h"
#include "register/data_module.h"
#include "register/dlg_param.h"
#include "register/frames.h"
#include "register/main_window.h"
#include "register/print_register.h"
#include "register/startup.h"
#include "report/fr_memo_view.h"
#include "report/fr_page.h"
#include "report/fr_pages.h"
#include "report/fr_printer.h"
#include "report/fr_report.h"
#include "report/preview/fr_dialogs.h"
#include "report/preview/fr_preview.h"
#include "report/preview/fr_report_windows.h"

namespace {

// Thousands are grouped by a no-break space.
std::string NoBreakToSpace(std::string text) {
  for (std::size_t at; (at = text.find("\u00A0")) != std::string::npos;) text.replace(at, 2, " ");
  return text;
}

TQtHost* Host = nullptr;

template <class T>
T* Shown() {
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (auto* form = dynamic_cast<T*>(Screen->Forms(i)); form != nullptr && form->Visible())
      return form;
  return nullptr;
}

// A visible message box captioned `caption` (not the main window), or null.
TCustomForm* ShownBox(const std::string& caption) {
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (TCustomForm* form = Screen->Forms(i);
        form != fmMain && form->Visible() && form->Caption() == caption)
      return form;
  return nullptr;
}

// A key as the desktop delivers it to the form's window.
void PostKey(TCustomForm* form, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             const QString& text = {}) {
  QWidget* widget = Host->WidgetOf(form->Handle());
  ASSERT_NE(widget, nullptr) << form->Caption();
  QCoreApplication::postEvent(widget, new QKeyEvent(QEvent::KeyPress, key, modifiers, text));
  QCoreApplication::postEvent(widget, new QKeyEvent(QEvent::KeyRelease, key, modifiers, text));
}

// A key as the desktop delivers it: to the window with the keyboard
// focus. With none, the key goes nowhere, as on a display.
void PressOnDesktop(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWindow* focus = QGuiApplication::focusWindow();
  if (focus == nullptr) {
    ADD_FAILURE() << "no window has the keyboard focus";
    return;
  }
  QCoreApplication::postEvent(focus, new QKeyEvent(QEvent::KeyPress, key, modifiers));
  QCoreApplication::postEvent(focus, new QKeyEvent(QEvent::KeyRelease, key, modifiers));
}

// Steps run in order from a Qt timer, so they also run inside the modal
// loops and the progress window's work; each waits until it is ready.
class TScript {
 public:
  TScript& When(std::string name, std::function<bool()> ready, std::function<void()> act) {
    FSteps.push_back({std::move(name), std::move(ready), std::move(act)});
    return *this;
  }
  // Runs the program's message loop until every step ran (or one stalls).
  void Run() {
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [this] { Tick(); });
    timer.start(1);
    while (!FSteps.empty() && !FStalled) Application->HandleMessage();
    timer.stop();
  }

 private:
  struct TStep {
    std::string Name;
    std::function<bool()> Ready;
    std::function<void()> Act;
  };
  void Tick() {
    if (FSteps.empty() || FStalled) {
      // Wakes the loop in Run, which waits for the program's messages.
      PostMessage(fmMain->Handle(), WM_NULL, 0, 0);
      return;
    }
    if (FBusy) return;
    FBusy = true;
    if (FSteps.front().Ready()) {
      TStep step = std::move(FSteps.front());
      FSteps.pop_front();
      FWaits = 0;
      FBusy = false;
      step.Act();
      return;
    } else if (++FWaits % 1000 == 0 && std::getenv("SCRIPT_TRACE") != nullptr) {
      std::fprintf(stderr, "waiting for %s\n", FSteps.front().Name.c_str());
    } else if (FWaits > 60000) {
      // A guard against a hang, not a time limit: the step never came.
      ADD_FAILURE() << "never ready: " << FSteps.front().Name;
      std::fprintf(stderr, "never ready: %s; visible:", FSteps.front().Name.c_str());
      for (int i = 0; i < Screen->FormCount(); ++i)
        if (Screen->Forms(i)->Visible())
          std::fprintf(stderr, " [%s %s]", Screen->Forms(i)->ClassName().c_str(),
                       Screen->Forms(i)->Caption().c_str());
      std::fprintf(stderr, "\n");
      FStalled = true;
      for (int i = 0; i < Screen->FormCount(); ++i)
        if (TCustomForm* f = Screen->Forms(i); f->Visible() && f != fmMain)
          f->SetModalResult(mrCancel);
    }
    FBusy = false;
  }
  std::deque<TStep> FSteps;
  int FWaits = 0;
  bool FBusy = false;
  bool FStalled = false;
};

void Fill(TCustFrame& f, int count) {
  TDataSet& ds = *f.Document()->Table();
  const char* last[] = {"Иванова", "Петрова", "Сидорова", "Кузнецова", "Смирнова"};
  const char* first[] = {"Анна", "Мария", "Елена", "Ольга", "Татьяна"};
  ds.DisableControls();
  for (int i = 0; i < count; ++i) {
    ds.Append();
    ds.FieldByName("NCERTIF")->SetAsInteger(1234560 + i);
    ds.FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(2007, 4, 1 + i % 28));
    ds.FieldByName("DREG")->SetAsDateTime(EncodeDate(2007, 1, 1 + i % 28));
    ds.FieldByName("SNILS")->SetAsString("112-233-445 95");
    ds.FieldByName("LNAME")->SetAsString(last[i % 5]);
    ds.FieldByName("FNAME")->SetAsString(first[i % 5]);
    ds.FieldByName("MNAME")->SetAsString("Петровна");
    ds.FieldByName("BDATE")->SetAsDateTime(EncodeDate(1980, 5, 1 + i % 28));
    ds.FieldByName("SDOC")->SetAsString("45 01");
    ds.FieldByName("NDOC")->SetAsString("123456");
    ds.FieldByName("DDOC")->SetAsDateTime(EncodeDate(2001, 2, 3));
    ds.FieldByName("ODOC")->SetAsString("ОВД Центрального района");
    ds.FieldByName("NPOLICY")->SetAsString("7700123456");
    if (f.FrameID() == 1) ds.FieldByName("QTW2")->SetAsInteger(30 + i % 5);
    if (auto* child = dynamic_cast<TChildFrame*>(&f)) {
      child->LoadChildren();
      child->mtChild->Append();
      if (f.FrameID() == 2) {
        child->mtChild->FieldByName("WEIGHT")->SetAsFloat(3.45);
        child->mtChild->FieldByName("GROWTH")->SetAsInteger(52);
      } else {
        child->mtChild->FieldByName("LNAME")->SetAsString(last[i % 5]);
        child->mtChild->FieldByName("FNAME")->SetAsString("Иван");
        child->mtChild->FieldByName("BDATE")->SetAsDateTime(EncodeDate(2007, 3, 15));
      }
      child->mtChild->Post();
    }
    ds.Post();
  }
  ds.First();
  ds.EnableControls();
}

class PrintProgram : public ::testing::Test {
 protected:
  PrintProgram() : clock(EncodeDateTime(2007, 6, 5, 12, 0, 0, 0)) {
    static int argc = 1;
    static char name[] = "mebrath";
    static char* argv[] = {name, nullptr};
    old = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    SetIniFileName(dir.File("mebrath.ini"));
    // What the program installs itself, and nothing else but the answer
    // of the desktop's file chooser.
    StartProgram([] {
      Host = &InstallQtHost(argc, argv);
      InstallQtServices(*Host);
    });
    SetFileDialogBackend([this](TFileDialogRequest& request) {
      chosen.push_back(request.FileName);
      request.FileName = pdf;
      return true;
    });
    for (auto [key, value] : {std::pair{"NAME", "МУЗ Родильный дом № 2"},
                              {"INN", "6901234567"},
                              {"FNAME", "Тверское РО ФСС"},
                              {"FINN", "6901000111"}})
      DM->SetValue(key, value);
    fmMain->SetBounds(0, 0, 1366, 768);
    fmMain->Show();
  }
  ~PrintProgram() override {
    SetFileDialogBackend(nullptr);
    FreeProgramForms();
    std::filesystem::current_path(old);
    SetIniFileName("");
  }

  TCustFrame& Open(const std::string& file, int records) {
    fmMain->NewFile(dir.File(file));
    TCustFrame& frame = *fmMain->CurrentFrame();
    Fill(frame, records);
    return frame;
  }

  // Ctrl+P in the main window (or the menu item of application No. 2),
  // "Печать" in the parameter dialog, then the preview: its page count,
  // paging and zoom, and a print to the PDF file through the print
  // dialog. Returns the PDF's text.
  std::string PrintThroughThePreview(const std::string& name, bool app2, int& pages) {
    pdf = dir.File(name + ".pdf");
    TScript script;
    script.When(
        "main window", [] { return fmMain->Visible(); },
        [app2] {
          // The menu item's action, from outside this timer (whose
          // steps must go on while the preview is modal).
          if (app2)
            QTimer::singleShot(0, [] { fmMain->acPrint2->Execute(); });
          else
            PostKey(fmMain, Qt::Key_P, Qt::ControlModifier);
        });
    if (!app2)
      script.When(
          "parameter dialog", [] { return Shown<TDlgParam>() != nullptr; },
          [] {
            gallery::Save(gallery::Render(DlgParam->Handle()), "print_parameters");
            PostKey(DlgParam, Qt::Key_Return);
          });
    TfrPreviewForm* preview = nullptr;
    script
        .When(
            "preview", [&] { return (preview = Shown<TfrPreviewForm>()) != nullptr; },
            [&] {
              pages = preview->Preview->PageCount();
              EXPECT_EQ(preview->Preview->Page(), 1);
              Snap(preview, name, "_one_page", 2);
              PostKey(preview, Qt::Key_PageDown, Qt::ControlModifier);
            })
        .When(
            "next page", [&] { return preview->Preview->Page() == std::min(2, pages); },
            [&] {
              Snap(preview, name, "_two_pages", 3);
              Snap(preview, name, "_page_width", 1);
              PostKey(preview, Qt::Key_P, Qt::ControlModifier);
            })
        .When(
            "print dialog", [] { return Shown<TfrPrintForm>() != nullptr; },
            [&] {
              TfrPrintForm* form = Shown<TfrPrintForm>();
              gallery::Save(gallery::Render(form->Handle()), "print_dialog");
              // The file "printer": the virtual one, last in the list.
              form->PrinterList->SetItemIndex(frPrinter().VirtualIndex());
              frPrinter().SetPrinterIndex(frPrinter().VirtualIndex());
              PostKey(form, Qt::Key_Return);
            });
    CloseThePreviewOncePrinted(script, preview);
    script.Run();
    EXPECT_FALSE(chosen.empty());
    const std::string text = NoBreakToSpace(Shell("pdftotext -layout '" + pdf + "' -"));
    if (!gallery::Dir().empty() && FileExists(pdf))
      std::filesystem::copy_file(pdf, gallery::Dir() + "/" + name + ".pdf",
                                 std::filesystem::copy_options::overwrite_existing);
    return text;
  }

  // Ctrl+P in the main window, then "Печать" in the parameter dialog.
  static TScript& PrintWithCtrlP(TScript& script) {
    return script
        .When(
            "main window", [] { return fmMain->Visible(); },
            [] { PostKey(fmMain, Qt::Key_P, Qt::ControlModifier); })
        .When(
            "parameter dialog", [] { return Shown<TDlgParam>() != nullptr; },
            [] { PostKey(DlgParam, Qt::Key_Return); });
  }
  // Once the print is done and the preview active again, Escape closes
  // the preview.
  static void CloseThePreviewOncePrinted(TScript& script, TfrPreviewForm*& preview) {
    script
        .When(
            "printed",
            [&preview] {
              return Shown<TfrPrintForm>() == nullptr && Shown<TfrProgressForm>() == nullptr &&
                     GetActiveWindow() == preview->Handle();
            },
            [&preview] { PostKey(preview, Qt::Key_Escape); })
        .When(
            "preview closed", [] { return Shown<TfrPreviewForm>() == nullptr; }, [] {});
  }

  // The preview zoomed by the tag of its zoom menu, painted at both
  // screen sizes.
  static void Snap(TfrPreviewForm* preview, const std::string& name, const char* zoom, int tag) {
    preview->Preview->Zoom(tag);
    EXPECT_EQ(preview->Preview->ZoomMode(), tag);
    if (gallery::Dir().empty()) return;
    for (auto [width, height] : {std::pair{1366, 768}, std::pair{1920, 1080}}) {
      preview->SetWindowState(wsNormal);
      preview->SetBounds(0, 0, width, height);
      preview->Preview->Zoom(tag);
      gallery::Save(gallery::Render(preview->Handle()),
                    "preview_" + name + zoom + "_" + std::to_string(width));
    }
  }

  TScopedClock clock;
  TFileTestDir dir;
  std::filesystem::path old;
  std::string pdf;
  std::vector<std::string> chosen;
};

TEST_F(PrintProgram, AfterStartUpNoHookIsEmpty) {
  EXPECT_EQ(frMissingReportHooks(), std::vector<std::string>{});
}

TEST_F(PrintProgram, EachRegisterKindWithItsInvoiceToPdf) {
  if (Shell("command -v pdftotext").empty()) GTEST_SKIP() << "pdftotext is not installed";
  const struct {
    const char* file;
    int records;
    const char* title;
    int pages;
  } cases[] = {{"r.001", 45, "Реестр талонов № 1", 3},
               {"r.002", 8, "Реестр талонов № 2", 2},
               {"r.031", 9, "Реестр талонов № 3", 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TCustFrame& frame = Open(c.file, c.records);
    int pages = 0;
    const std::string text = PrintThroughThePreview(c.file, false, pages);
    EXPECT_EQ(pages, c.pages);
    const TReportValues& values = RegisterPrintOf(frame).Values();
    const std::string total = FormatFloat("#,##0.00", values.Total.ToDouble());
    for (std::string want :
         {std::string(c.title), std::string("Иванова Анна Петровна"),
          std::string("Кузнецова Ольга Петровна"), "Итого талонов: " + std::to_string(c.records),
          total, SumInWords(values.Total.ToDouble()),
          "Контрольная сумма файла реестра (MD5): " + values.MD5})
      EXPECT_NE(text.find(NoBreakToSpace(want)), std::string::npos) << want << "\n" << text;
  }
}

// The texts a prepared page prints in the column of the template's text
// object that shows `field`, top to bottom.
std::vector<std::string> ColumnTexts(TfrReport& list, TfrEMFPages& pages,
                                     const std::string& field) {
  const TfrView* cell = nullptr;
  for (int p = 0; p < list.Pages().Count() && cell == nullptr; ++p)
    for (const auto& view : list.Pages().Pages(p)->Objects)
      if (view->Memo.Text().find("\"" + field + "\"") != std::string::npos) cell = view.get();
  std::vector<std::string> texts;
  if (cell == nullptr) return texts;
  for (int i = 0; i < pages.Count(); ++i) {
    pages.ObjectsToPage(i);
    for (const auto& view : pages.Pages(i).Page->Objects) {
      if (view->x != cell->x || view->dx != cell->dx) continue;
      std::string text = view->Memo1.Text();
      std::erase_if(text, [](char c) { return c == '\r' || c == '\n' || c == kParagraphEnd; });
      texts.push_back(text);
    }
  }
  return texts;
}

TEST_F(PrintProgram, ABlankDateOfRegistrationPrintsBlankOnCouponThreeRegisters) {
  if (Shell("command -v pdftotext").empty()) GTEST_SKIP() << "pdftotext is not installed";
  for (const char* file : {"r.031", "r.032"}) {
    SCOPED_TRACE(file);
    TCustFrame& frame = Open(file, 3);
    TDataSet& table = *frame.Document()->Table();
    for (table.First(); !table.Eof(); table.Next()) {
      table.Edit();
      table.FieldByName("DREG")->Clear();
      table.Post();
    }
    int pages = 0;
    const std::string text = PrintThroughThePreview(file, false, pages);
    TRegisterPrint& print = RegisterPrintOf(frame);
    EXPECT_EQ(ColumnTexts(*print.frRpt, print.frCRpt->EMFPages(), "DREG"),
              (std::vector<std::string>{"Дата учета", "", "", ""}));
    // On paper each row runs from the policy straight to the children.
    int rows = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      if (line.find("7700123456") == std::string::npos) continue;
      ++rows;
      std::istringstream words(line.substr(line.find("7700123456")));
      std::string policy, next;
      words >> policy >> next;
      EXPECT_EQ(next, "1") << line;
    }
    EXPECT_EQ(rows, 3) << text;
  }
}

// The box the print dialog answers with (captioned as the dialog), or null.
TCustomForm* PrintDialogBox() {
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (TCustomForm* form = Screen->Forms(i); form->Visible() && form->Caption() == "Print" &&
                                              dynamic_cast<TfrPrintForm*>(form) == nullptr)
      return form;
  return nullptr;
}

TEST_F(PrintProgram, APageRangeNamingNoPageIsRefusedBeforeAFileIsAsked) {
  Open("r.031", 9);
  pdf = dir.File("range.pdf");
  std::vector<std::string> texts;
  SetMessageBoxHandler([&](const std::string& text, const std::string& caption, unsigned flags) {
    texts.push_back(text);
    return MessageBoxForm(text, caption, flags);
  });
  TfrPreviewForm* preview = nullptr;
  TScript script;
  PrintWithCtrlP(script).When(
      "preview", [&] { return (preview = Shown<TfrPreviewForm>()) != nullptr; },
      [&] {
        EXPECT_EQ(preview->Preview->PageCount(), 2);
        PostKey(preview, Qt::Key_P, Qt::ControlModifier);
      });
  // Past the last page, before the first, no number at all; then a page
  // the report has, in the same dialog.
  for (std::string range : {"7-9", "0", " , ", "2"}) {
    script.When(
        "print dialog for " + range,
        [] { return Shown<TfrPrintForm>() != nullptr && PrintDialogBox() == nullptr; },
        [range] {
          TfrPrintForm* form = Shown<TfrPrintForm>();
          form->PrinterList->SetItemIndex(frPrinter().VirtualIndex());
          frPrinter().SetPrinterIndex(frPrinter().VirtualIndex());
          form->PagesButton->SetChecked(true);
          form->PagesEdit->SetText(range);
          PostKey(form, Qt::Key_Return);
        });
    if (range != "2")
      script.When(
          "refusal of " + range, [] { return PrintDialogBox() != nullptr; },
          [&] {
            EXPECT_TRUE(chosen.empty());
            EXPECT_FALSE(FileExists(pdf));
            gallery::Save(gallery::Render(PrintDialogBox()->Handle()), "print_range_refused");
            PostKey(PrintDialogBox(), Qt::Key_Return);
          });
  }
  CloseThePreviewOncePrinted(script, preview);
  script.Run();
  SetMessageBoxHandler(MessageBoxForm);
  EXPECT_EQ(texts, std::vector<std::string>(3, kfrNoPageInRange));
  EXPECT_EQ(chosen.size(), 1u);
  EXPECT_TRUE(FileExists(pdf));
}

TEST_F(PrintProgram, ApplicationTwoToPdf) {
  if (Shell("command -v pdftotext").empty()) GTEST_SKIP() << "pdftotext is not installed";
  Open("r.001", 12);
  int pages = 0;
  const std::string text = PrintThroughThePreview("application2", true, pages);
  EXPECT_EQ(pages, 1);
  for (const char* want : {"Приложение № 2", "Кузнецова Ольга Петровна", "Всего женщин: 12"})
    EXPECT_NE(text.find(want), std::string::npos) << want << "\n" << text;
}

TEST_F(PrintProgram, CtrlPWorksAfterARegisterIsOpenedThroughTheDesktopsDialog) {
  Open("r.001", 3);
  const std::string file = dir.File("r.001");
  // The desktop's own file dialog, which takes the keyboard focus; there
  // is no window manager to hand it back.
  SetFileDialogBackend(MakeQtFileDialogBackend(*Host));
  TScript script;
  script
      .When(
          "main window with the keys",
          [] { return fmMain->Visible() && QGuiApplication::focusWindow() != nullptr; },
          [] { PressOnDesktop(Qt::Key_O, Qt::ControlModifier); })
      .When(
          "file dialog",
          [] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; },
          [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            dialog->selectFile(QString::fromStdString(file));
            static_cast<QDialog*>(dialog)->accept();
          })
      .When(
          "register opened and a window given the keys",
          [&] {
            return fmMain->Caption() == "Mebrath-" + file &&
                   QApplication::activeModalWidget() == nullptr &&
                   QGuiApplication::focusWindow() != nullptr;
          },
          [] { PressOnDesktop(Qt::Key_P, Qt::ControlModifier); })
      .When(
          "parameter dialog with the keys",
          [] {
            return Shown<TDlgParam>() != nullptr &&
                   QGuiApplication::focusWindow() ==
                       Host->WidgetOf(DlgParam->Handle())->windowHandle();
          },
          [] { PressOnDesktop(Qt::Key_Escape); })
      .When(
          "parameter dialog closed", [] { return Shown<TDlgParam>() == nullptr; }, [] {});
  script.Run();
  EXPECT_EQ(fmMain->Caption(), "Mebrath-" + file);
  EXPECT_EQ(GetActiveWindow(), fmMain->Handle());
}

TEST_F(PrintProgram, CancelInTheProgressWindowStopsALongRegister) {
  TCustFrame& frame = Open("r.001", 10000);
  TScript script;
  std::string label;
  PrintWithCtrlP(script)
      .When(
          "progress", [] { return Shown<TfrProgressForm>() != nullptr; },
          [&] {
            TfrProgressForm* progress = Shown<TfrProgressForm>();
            label = progress->MessageText();
            gallery::Save(gallery::Render(progress->Handle()), "progress");
            PostKey(progress, Qt::Key_Escape);
          })
      .When(
          "progress closed", [] { return Shown<TfrProgressForm>() == nullptr; }, [] {});
  script.Run();
  EXPECT_EQ(label.rfind("Processing page:", 0), 0u) << label;
  EXPECT_EQ(Shown<TfrPreviewForm>(), nullptr);
  EXPECT_TRUE(RegisterPrintOf(frame).frCRpt->Terminated);
  EXPECT_FALSE(frame.Document()->Table()->ControlsDisabled());
}

// The grid's data rows but the current one (their highlight follows the
// focus), as the desktop shows them.
QImage RowsOnScreen(TCustFrame& frame) {
  TDBGridEh* grid = frame.grdMain;
  const TRect from = grid->CellRect(0, grid->TitleOffset() + 1);
  const TRect to = grid->CellRect(0, grid->TitleOffset() + grid->VisibleDataRowCount() - 1);
  const TPoint at = grid->ClientToScreen({0, from.Top});
  const TRect content = ContentRect(fmMain->Handle());
  return Host->BufferOf(fmMain->Handle())
      ->copy(at.X - content.Left, at.Y - content.Top, grid->ClientWidth(), to.Bottom - from.Top);
}

TEST_F(PrintProgram, NothingBehindTheProgressWindowFollowsTheScan) {
  TCustFrame& frame = Open("r.001", 10000);
  QImage before;
  std::string position;
  TScript script;
  script
      .When(
          "main window", [] { return fmMain->Visible(); },
          [&] {
            gallery::Pump();
            before = RowsOnScreen(frame);
            PostKey(fmMain, Qt::Key_P, Qt::ControlModifier);
          })
      .When(
          "parameter dialog", [] { return Shown<TDlgParam>() != nullptr; },
          [] { PostKey(DlgParam, Qt::Key_Return); })
      .When(
          "well into the scan",
          [&] {
            return Shown<TfrProgressForm>() != nullptr && frame.Document()->Table()->RecNo() > 2000;
          },
          [&] {
            position = frame.SB->Panels()->Items(0)->Text();
            // As when the desktop asks for the grid again.
            frame.grdMain->Invalidate();
            frame.grdMain->Update();
            EXPECT_TRUE(RowsOnScreen(frame) == before) << "the grid shows the scanned records";
            PostKey(Shown<TfrProgressForm>(), Qt::Key_Escape);
          })
      .When(
          "progress closed", [] { return Shown<TfrProgressForm>() == nullptr; }, [] {});
  script.Run();
  EXPECT_EQ(position, "1:10000");
  EXPECT_EQ(frame.SB->Panels()->Items(0)->Text(), "1:10000");
  EXPECT_TRUE(RowsOnScreen(frame) == before);
}

// A register already in certificate order: the print's ordering moves no
// row, and the clerk finds the grid as it was, whatever the print did to
// the table meanwhile.
TEST_F(PrintProgram, APrintLeavesTheGridAsItWas) {
  TCustFrame& frame = Open("r.001", 300);
  TDataSet& table = *frame.Document()->Table();
  TDBGridEh& grid = *frame.grdMain;
  struct TView {
    int RecNo, Row, Column;
    bool operator==(const TView&) const = default;
  };
  const auto view = [&] {
    return TView{table.RecNo(), grid.DataLink()->ActiveRecord(), grid.SelectedIndex()};
  };
  TView before{};
  TScript script;
  script
      .When(
          "main window", [] { return fmMain->Visible(); },
          [&] {
            gallery::Pump();
            // Down to record 150: it shows in the bottom row.
            table.MoveBy(149);
            grid.SetSelectedIndex(3);
            before = view();
            ASSERT_EQ(before.Row, grid.VisibleDataRowCount() - 1);
            PostKey(fmMain, Qt::Key_P, Qt::ControlModifier);
          })
      .When(
          "parameter dialog", [] { return Shown<TDlgParam>() != nullptr; },
          [] { PostKey(DlgParam, Qt::Key_Return); })
      .When(
          "preview", [] { return Shown<TfrPreviewForm>() != nullptr; },
          [] { PostKey(Shown<TfrPreviewForm>(), Qt::Key_Escape); })
      .When(
          "preview closed", [] { return Shown<TfrPreviewForm>() == nullptr; }, [] {});
  script.Run();
  const TView after = view();
  EXPECT_EQ(after.RecNo, 150);
  EXPECT_EQ(after.Row, before.Row) << "the current record's screen row";
  EXPECT_EQ(after.Column, 3);
}

TEST_F(PrintProgram, ADamagedTemplateShowsItsMessage) {
  TCustFrame& frame = Open("r.001", 3);
  TFileTestDir templates;
  WriteFile(templates.File("rsrt1.frf"), std::string("\x18\x01\x00damaged"));
  std::filesystem::copy_file(ExecutableDir() + "template/acct.frf", templates.File("acct.frf"));
  RegisterPrintOf(frame).TemplateDir = templates.Path();
  // The boxes show as the program shows them; their texts are noted.
  std::vector<std::string> texts;
  SetMessageBoxHandler([&](const std::string& text, const std::string& caption, unsigned flags) {
    texts.push_back(text);
    return MessageBoxForm(text, caption, flags);
  });
  std::string engine, program;
  TScript script;
  PrintWithCtrlP(script)
      .When(
          "the engine's message", [] { return ShownBox("Error") != nullptr; },
          [&] {
            engine = texts.empty() ? "" : texts.back();
            PostKey(ShownBox("Error"), Qt::Key_Return);
          })
      .When(
          "the program's message", [] { return ShownBox("Mebrath") != nullptr; },
          [&] {
            program = texts.empty() ? "" : texts.back();
            PostKey(ShownBox("Mebrath"), Qt::Key_Return);
          })
      .When(
          "closed", [] { return ShownBox("Mebrath") == nullptr; }, [] {});
  script.Run();
  EXPECT_NE(engine.find("Unsupported FRF format"), std::string::npos) << engine;
  EXPECT_NE(program.find(templates.File("rsrt1.frf")), std::string::npos) << program;
  EXPECT_EQ(Shown<TfrPreviewForm>(), nullptr);
  SetMessageBoxHandler(MessageBoxForm);
}

// An invoice date typed as no date fails the list's expression that
// prints it: the engine's error box shows its whole text, a line for each
// part, and no preview opens.
TEST_F(PrintProgram, AFailedCalculationShowsTheEnginesWholeText) {
  Open("r.001", 3);
  std::vector<std::string> texts;
  std::vector<unsigned> icons;
  SetMessageBoxHandler([&](const std::string& text, const std::string& caption, unsigned flags) {
    texts.push_back(text);
    icons.push_back(flags & 0xF0);
    return MessageBoxForm(text, caption, flags);
  });
  TScript script;
  script
      .When(
          "main window", [] { return fmMain->Visible(); },
          [] { PostKey(fmMain, Qt::Key_P, Qt::ControlModifier); })
      .When(
          "parameter dialog", [] { return Shown<TDlgParam>() != nullptr; },
          [] {
            DlgParam->eDDOC->SetText("45.13.2007");
            PostKey(DlgParam, Qt::Key_Return);
          })
      .When(
          "the engine's message", [] { return ShownBox("Error") != nullptr; },
          [] { PostKey(ShownBox("Error"), Qt::Key_Return); })
      .When(
          "closed", [] { return ShownBox("Error") == nullptr; }, [] {});
  script.Run();
  SetMessageBoxHandler(MessageBoxForm);
  ASSERT_EQ(texts.size(), 1u);
  TStringList lines;
  lines.SetText(texts[0]);
  EXPECT_EQ(lines.Text(),
            "An error occured during calculating\r\nк счету № [aNDOC] от [aDDOC]\r\n"
            "\r\nReport: frRpt\r\nObject: Memo12\r\n\r\n'45.13.2007' не является "
            "датой\r\n");
  EXPECT_EQ(icons, std::vector<unsigned>{MB_ICONERROR});
  EXPECT_EQ(Shown<TfrPreviewForm>(), nullptr);
}

}  // namespace
