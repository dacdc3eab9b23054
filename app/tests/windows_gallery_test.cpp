// The main window with each register kind open, on its table page and on
// its card page, painted through the Qt canvas at two screen sizes. The
// test checks that the register fills the window; with
// MEBRATH_GALLERY_DIR set it writes the pictures there to be looked at.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <cstdlib>
#include <string>

#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/services.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/tests/qt_gallery.h"
#include "register/about_box.h"
#include "register/data_module.h"
#include "register/details_dialog.h"
#include "register/frames.h"
#include "register/main_window.h"

namespace {

using gallery::Pump;
using gallery::Render;
using gallery::Save;

void Fill(TCustFrame& f, int i) {
  TDataSet& ds = *f.Document()->Table();
  const char* last[] = {"Иванова", "Петрова", "Сидорова", "Кузнецова", "Смирнова"};
  const char* first[] = {"Анна", "Мария", "Елена", "Ольга", "Татьяна"};
  ds.Append();
  ds.FieldByName("NCERTIF")->SetAsInteger(1234560 + i);
  ds.FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(2007, 4, 3 + i));
  ds.FieldByName("DREG")->SetAsDateTime(EncodeDate(2007, 1, 10 + i));
  ds.FieldByName("SNILS")->SetAsString("112-233-445 95");
  ds.FieldByName("LNAME")->SetAsString(last[i % 5]);
  ds.FieldByName("FNAME")->SetAsString(first[i % 5]);
  ds.FieldByName("MNAME")->SetAsString("Петровна");
  ds.FieldByName("ADDRESS")->SetAsString("г. Тверь, ул. Лесная, д. 5, кв. 12");
  ds.FieldByName("BDATE")->SetAsDateTime(EncodeDate(1980, 5, 6 + i));
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

TEST(WindowsGallery, EachRegisterKindOnBothPages) {
  static int argc = 1;
  static char name[] = "windows_gallery";
  static char* argv[] = {name, nullptr};
  TQtHost& host = InstallQtHost(argc, argv);
  InstallQtServices(host);
  ApplyStartupFormatSettings();
  TFileTestDir dir;
  SetIniFileName(dir.File("mebrath.ini"));
  TScopedClock clock(EncodeDate(2008, 6, 1));
  SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDYES; });
  Application->SetTitle("Mebrath");
  // The grid's record marks come from the data module.
  DM = Create<TDM>(nullptr);
  TfmMain* main = Create<TfmMain>(nullptr);
  main->Show();
  for (const char* file : {"r.001", "r.002", "r.031"}) {
    main->NewFile(dir.File(file));
    TCustFrame& f = *main->CurrentFrame();
    for (int i = 0; i < 12; ++i) Fill(f, i);
    f.Document()->Table()->First();
    for (auto [width, height] : {std::pair{1366, 768}, std::pair{1920, 1080}}) {
      main->SetBounds(0, 0, width, height);
      Pump();
      const std::string size = std::to_string(width);
      Save(Render(main->Handle()), std::string("main_") + file + "_table_" + size);
      EXPECT_GT(f.grdMain->Width(), width - 40);
      main->FrameAction(TRegisterAction::ToggleCard);
      Save(Render(main->Handle()), std::string("main_") + file + "_card_" + size);
      EXPECT_TRUE(f.CardShown());
      main->FrameAction(TRegisterAction::ToggleCard);
    }
  }
  main->Free();
  DM->Free();
  DM = nullptr;
  SetMessageBoxHandler(nullptr);
  SetIniFileName("");
}

TEST(WindowsGallery, DetailsDialogAndAboutBox) {
  static int argc = 1;
  static char name[] = "windows_gallery";
  static char* argv[] = {name, nullptr};
  TQtHost& host = InstallQtHost(argc, argv);
  InstallQtServices(host);
  ApplyStartupFormatSettings();
  TFileTestDir dir;
  SetIniFileName(dir.File("mebrath.ini"));
  TScopedClock clock(EncodeDate(2008, 6, 1));
  DM = Create<TDM>(nullptr);
  for (auto [key, value] : {std::pair{"NAME", "МУЗ Родильный дом №2"},
                            {"INN", "6901234567"},
                            {"TYPE", "Муниципальное"},
                            {"FNAME", "Тверское РО ФСС"},
                            {"DDOC", "15.03.2007"}})
    DM->SetValue(key, value);
  TDlgCfg* dialog = Create<TDlgCfg>(nullptr);
  dialog->LoadValues();
  dialog->Show();
  Save(Render(dialog->Handle()), "details_lpu");
  // Every box lies inside its page.
  for (TCustomEdit* edit : dialog->Edits()) {
    EXPECT_LE(edit->Left() + edit->Width(), edit->Parent()->ClientWidth()) << edit->Name();
    EXPECT_LE(edit->Top() + edit->Height(), edit->Parent()->ClientHeight()) << edit->Name();
  }
  dialog->Pages->SetActivePage(dialog->tsFss);
  Save(Render(dialog->Handle()), "details_fss");
  dialog->Free();
  TAboutBox* box = Create<TAboutBox>(nullptr);
  box->Show();
  Save(Render(box->Handle()), "about");
  box->Free();
  DM->Free();
  DM = nullptr;
  SetIniFileName("");
}

}  // namespace
