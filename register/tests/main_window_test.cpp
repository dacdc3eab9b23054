// The main window headless: register kinds from extensions, backup and
// import names, the recent-files list in its menu and INI section, the
// choice and reuse of register windows, new/open/import, the action
// dispatch and its enabling rules.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/exceptions.h"
#include "platform/base/file_utils.h"
#include "platform/base/ini_file.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/gui/services.h"
#include "register/data_module.h"
#include "register/frames.h"
#include "register/main_window.h"

namespace {

TEST(MainWindowNames, KindsAndBackups) {
  struct {
    const char* file;
    int id;
  } kinds[] = {{"a.001", 1}, {"a.002", 2}, {"a.031", 3}, {"A.032", 3}, {"a.xml", 0}, {"a", 0}};
  for (const auto& k : kinds) EXPECT_EQ(FrameIDOfFile(k.file), k.id) << k.file;
  EXPECT_EQ(NewRegisterBackupName("/d/a.001"), "/d/a.$$001");
  EXPECT_EQ(ImportTargetName("/d/x.xml", 31), "/d/x.031");
  EXPECT_EQ(ImportTargetName("/d/x.xml", 2), "/d/x.002");
  EXPECT_EQ(ImportBackupName("/d/x.031", 31), "/d/x.$31");
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : clock(EncodeDate(2008, 6, 1)) {
    ApplyStartupFormatSettings();
    SetIniFileName(dir.File("mebrath.ini"));
    SetMessageBoxHandler([this](const std::string& text, const std::string&, unsigned) {
      messages.push_back(text);
      return IDYES;
    });
    main = Create<TfmMain>(nullptr);
  }
  ~MainWindowTest() override {
    main->Free();
    SetMessageBoxHandler(nullptr);
    SetFileDialogBackend(nullptr);
    SetIniFileName("");
  }
  TScopedClock clock;
  TFileTestDir dir;
  TfmMain* main = nullptr;
  std::vector<std::string> messages;
};

TEST_F(MainWindowTest, RecentFilesInTheMenuAndTheIni) {
  TMenuMRUList& mru = *main->MMRUList;
  const int base = main->mnFile->Count();
  EXPECT_EQ(base, 3);
  for (const char* name : {"/a.001", "/b.001", "/c.001", "/d.001", "/e.001", "/f&g.001"})
    mru.Add(name);
  mru.Add("  ");
  mru.Add("/C.001");  // moves up as stored
  EXPECT_EQ(mru.Items(),
            (std::vector<std::string>{"/c.001", "/f&g.001", "/e.001", "/d.001", "/b.001"}));
  ASSERT_EQ(main->mnFile->Count(), base + 6);
  EXPECT_EQ(main->mnFile->Items(base)->Caption(), "-");
  EXPECT_EQ(main->mnFile->Items(base + 2)->Caption(), "2 /f&&g.001");
  EXPECT_EQ(mru.GetFileName(main->mnFile->Items(base + 2)), "/f&g.001");
  EXPECT_THROW(mru.GetFileName(main), Exception);
  mru.Remove("/e.001");
  EXPECT_EQ(main->mnFile->Count(), base + 5);

  // Saving replaces the section: no stale keys come back.
  {
    TIniFile ini(IniFileName());
    ini.WriteString("FileHist", "9", "/stale.001");
  }
  mru.SaveToIni(IniFileName());
  EXPECT_EQ(TIniFile(IniFileName()).ReadString("FileHist", "9", "none"), "none");
  EXPECT_EQ(TIniFile(IniFileName()).ReadString("FileHist", "1", ""), "/c.001");
  mru.SetMaxItem(2);
  mru.LoadFromIni(IniFileName());
  EXPECT_EQ(mru.Items(), (std::vector<std::string>{"/c.001", "/f&g.001"}));
}

TEST_F(MainWindowTest, NewOpenAndImportChooseAndReuseWindows) {
  EXPECT_THROW(main->SelectFrame(7), Exception);
  try {
    main->OpenFile(dir.File("none.001"));
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Файл '" + dir.File("none.001") + "' не найден.");
  }
  main->NewFile(dir.File("a.001"));
  TCustFrame* first = main->CurrentFrame();
  ASSERT_NE(dynamic_cast<TFrmT1*>(first), nullptr);
  EXPECT_EQ(main->Caption(), Application->Title() + "-" + dir.File("a.001"));
  main->NewFile(dir.File("b.031"));
  EXPECT_NE(dynamic_cast<TFrmT3*>(main->CurrentFrame()), nullptr);
  EXPECT_FALSE(first->Visible());
  main->OpenFile(dir.File("a.001"));
  EXPECT_EQ(main->CurrentFrame(), first);
  EXPECT_EQ(main->MMRUList->Items(), (std::vector<std::string>{dir.File("b.031")}));

  // A new register over an existing one keeps the old one beside it.
  std::ofstream(dir.File("a.001"), std::ios::app) << "x";
  const auto size = FileSize(dir.File("a.001"));
  main->NewFile(dir.File("a.001"));
  EXPECT_EQ(FileSize(dir.File("a.$$001")), size);

  // Import: x.xml of kind 31 makes x.031, keeping an existing one as x.$31.
  std::ofstream(dir.File("x.xml"), std::ios::binary)
      << "<?xml version=\"1.0\" encoding=\"windows-1251\"?><?BSERTIF3_1 version=\"0.1\"?>"
         "<BIRTH_SERTIF><HEADER FROM=\"x\"/></BIRTH_SERTIF>";
  std::ofstream(dir.File("x.031")) << "old";
  main->ImportFile(dir.File("x.xml"));
  EXPECT_EQ(FileSize(dir.File("x.$31")), 3);
  EXPECT_EQ(main->CurrentFrame()->FileName(), dir.File("x.031"));
  EXPECT_TRUE(main->CurrentFrame()->Document()->Table()->Active());
}

TEST_F(MainWindowTest, RegisterActionsCarryTheirTagsAndImagesInToolBarOrder) {
  const TAction* tagged[] = {main->acIns,    main->acDel,     main->acCard,
                             main->acPrint,  main->acPost,    main->acCancel,
                             main->acExport, main->acRefresh, main->acImp};
  for (int tag = 1; tag <= 9; ++tag) EXPECT_EQ(tagged[tag - 1]->Tag(), tag) << tag;
  EXPECT_EQ(main->acNew->Tag(), 0);
  int image = 0;
  for (const TAction* a :
       {main->acNew, main->acOpen, main->acImp, main->acRefresh, main->acIns, main->acPost,
        main->acDel, main->acCancel, main->acCard, main->acPrint, main->acExport, main->acCfg})
    EXPECT_EQ(a->ImageIndex(), image++) << a->Name();
}

TEST_F(MainWindowTest, ActionsReachTheCurrentWindowWithTheirRules) {
  main->UpdateActionStates();
  EXPECT_FALSE(main->acIns->Enabled());
  EXPECT_FALSE(main->acRefresh->Enabled());
  EXPECT_TRUE(main->acNew->Enabled());
  main->NewFile(dir.File("r.001"));
  TCustFrame* f = main->CurrentFrame();
  main->UpdateActionStates();
  EXPECT_TRUE(main->acIns->Enabled());
  EXPECT_FALSE(main->acDel->Enabled());
  EXPECT_FALSE(main->acCard->Enabled());
  EXPECT_TRUE(main->acPrint2->Enabled());

  main->FrameAction(TRegisterAction::Insert);  // new record: the card shows
  EXPECT_TRUE(f->CardShown());
  EXPECT_TRUE(main->acCard->Checked());
  EXPECT_FALSE(main->acNew->Enabled());
  EXPECT_TRUE(main->acPost->Enabled());
  EXPECT_FALSE(main->acIns->Enabled());
  main->FrameAction(TRegisterAction::Cancel);  // cancel
  EXPECT_FALSE(f->IsEditing());
  main->FrameAction(TRegisterAction::ToggleCard);  // back to the table
  EXPECT_FALSE(f->CardShown());
  EXPECT_FALSE(main->acPost->Enabled());

  // Closing asks, then saves the current file into the recent list.
  messages.clear();
  EXPECT_TRUE(main->CloseQuery());
  EXPECT_EQ(messages, std::vector<std::string>{"Завершить работу?"});
  EXPECT_EQ(TIniFile(IniFileName()).ReadString("FileHist", "1", ""), dir.File("r.001"));
}

}  // namespace
