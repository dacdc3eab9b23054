// The main window driven by synthetic input as a clerk uses it: a recent
// file chosen from the menu, the certificate directory opened from the
// button at the certificate number, a new register whose kind is chosen in
// the dialog's file-type list, and a child row given up in the child grid.
#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "controls/db_edit.h"
#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/file_utils.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/gui/services.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/file_dialogs.h"
#include "platform/widgets/grid_inplace_edit.h"
#include "register/certificate_directory.h"
#include "register/data_module.h"
#include "register/frames.h"
#include "register/main_window.h"

namespace {

class ClerkInputTest : public GuiTest {
 protected:
  ClerkInputTest() : clock(EncodeDate(2008, 6, 1)) {
    ApplyStartupFormatSettings();
    SetIniFileName(dir.File("mebrath.ini"));
    main = Create<TfmMain>(nullptr);
    main->Show();
  }
  ~ClerkInputTest() override {
    Application->OnIdle = nullptr;
    SetFileDialogBackend(nullptr);
    if (fmDict != nullptr) fmDict->Free();
    fmDict = nullptr;
    main->Free();
    SetIniFileName("");
  }

  // A mouse message at (x, y) in `control`'s client coordinates, through
  // the top-level window holding it.
  void Mouse(TControl* control, unsigned msg, int x, int y) {
    HWND top = GetTopLevel(main->Handle());
    TPoint screen = control->ClientToScreen({x, y});
    TRect content = ContentRect(top);
    HostMouseEvent(top, msg, {screen.X - content.Left, screen.Y - content.Top},
                   msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0);
  }
  void Click(TControl* control, int x, int y) {
    Mouse(control, WM_LBUTTONDOWN, x, y);
    Mouse(control, WM_LBUTTONUP, x, y);
    Application->ProcessMessages();
  }
  // Runs `run` (which shows a modal window) with `steps` taken one per
  // idle pass inside it.
  void RunModal(std::deque<std::function<void()>> steps, const std::function<void()>& run) {
    RunModalSteps(std::move(steps), run);
  }

  TScopedClock clock;
  TFileTestDir dir;
  TfmMain* main = nullptr;
};

TEST_F(ClerkInputTest, ARecentFileChosenFromTheMenuOpens) {
  main->NewFile(dir.File("a.001"));
  main->NewFile(dir.File("b.002"));
  ASSERT_EQ(main->MMRUList->Items().front(), dir.File("a.001"));
  // F10 and Down open "Файл" on its first item; Up goes round to the last,
  // the recent file.
  for (unsigned key : {VK_F10, VK_DOWN, VK_UP, VK_RETURN}) {
    HostKeyEvent(WM_KEYDOWN, key);
    HostKeyEvent(WM_KEYUP, key);
  }
  Application->ProcessMessages();
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
  ASSERT_NE(main->CurrentFrame(), nullptr);
  EXPECT_EQ(main->CurrentFrame()->FileName(), dir.File("a.001"));
  EXPECT_EQ(main->MMRUList->Items(), std::vector<std::string>{dir.File("b.002")});
  EXPECT_EQ(main->mnFile->Items(main->mnFile->Count() - 1)->Caption(), "1 " + dir.File("b.002"));
}

TEST_F(ClerkInputTest, TheCertificateButtonOpensTheDirectory) {
  fmDict = Create<TfmDict>(nullptr);
  main->NewFile(dir.File("b.002"));
  auto* f = dynamic_cast<TFrmT2*>(main->CurrentFrame());
  ASSERT_NE(f, nullptr);
  PressKey(VK_INSERT, {ssCtrl});
  ASSERT_TRUE(f->CardShown());
  TCustomDBEditEh* number = nullptr;
  for (int i = 0; i < f->ComponentCount(); ++i) {
    auto* edit = dynamic_cast<TCustomDBEditEh*>(f->Components(i));
    if (edit != nullptr && edit->DataField() == "NCERTIF") number = edit;
  }
  ASSERT_NE(number, nullptr);
  ASSERT_TRUE(number->EditButton()->Visible());
  TEditButtonControlEh* button = number->ButtonControl(0);
  ASSERT_TRUE(button->Visible());
  // Pressed twice: each click opens the directory once, and the button
  // does not stay held down.
  for (int pass = 0; pass < 2; ++pass) {
    bool shown = false;
    RunModal({[&] {
               shown = fmDict->Visible();
               fmDict->SetModalResult(mrCancel);
             }},
             [&] { Click(button, 3, 3); });
    EXPECT_TRUE(shown) << pass;
    EXPECT_EQ(fmDict->Kind(), 2);
    EXPECT_EQ(fmDict->Key(), "Б 0000000");
    EXPECT_FALSE(button->AlwaysDown());
  }
  EXPECT_EQ(f->Document()->Table()->State(), dsInsert);
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
}

TEST_F(ClerkInputTest, ANewRegisterTakesTheKindOfTheChosenFileType) {
  SetMessageBoxHandler([this](const std::string& text, const std::string&, unsigned) {
    Boxes.push_back(text);
    return IDYES;  // "Создать его?"
  });
  struct {
    const char* typed;
    int filter;  // 0: the type is left as it is
    const char* stored;
    int kind;
  } cases[] = {
      {"plain", 0, "plain.001", 1},
      {"birth", 2, "birth.002", 2},
      {"third", 3, "third.031", 3},
      {"typed.001", 4, "typed.001", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    SetFileDialogBackend([&](TFileDialogRequest& r) {
      EXPECT_EQ(r.Filters.size(), 4u);
      if (c.filter != 0) {
        r.FilterIndex = c.filter;
        if (r.TypeChanged) r.TypeChanged(c.filter);
      }
      r.FileName = dir.File(c.typed);
      return true;
    });
    PressKey('N', {ssCtrl});
    ASSERT_NE(main->CurrentFrame(), nullptr);
    EXPECT_EQ(main->CurrentFrame()->FileName(), dir.File(c.stored));
    EXPECT_EQ(main->CurrentFrame()->FrameID(), c.kind);
    EXPECT_TRUE(std::filesystem::exists(dir.File(c.stored)));
  }
}

TEST_F(ClerkInputTest, HelpThatIsNotBesideTheProgramIsSaid) {
  // These tests run where the help document was never placed.
  main->NewFile(dir.File("a.001"));
  std::vector<std::string> opened;
  SetOpenDocumentHandler([&](const std::string& path) {
    opened.push_back(path);
    return true;
  });
  PressKey(VK_F1);
  SetOpenDocumentHandler(nullptr);
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(Boxes, std::vector<std::string>{"Test: Файл '" + ExecutableDir() +
                                            "doc/Kelm.doc' не найден."});
}

TEST_F(ClerkInputTest, TypingInTheChildGridOfAnEmptyRegisterStartsTheRecordAndTheRow) {
  main->NewFile(dir.File("c.031"));
  auto* f = dynamic_cast<TFrmT3*>(main->CurrentFrame());
  ASSERT_NE(f, nullptr);
  // A new record given up: the card stays, on a register without records.
  PressKey(VK_INSERT, {ssCtrl});
  ASSERT_TRUE(f->CardShown());
  main->acCancel->Execute();
  Application->ProcessMessages();
  ASSERT_TRUE(f->CardShown());
  ASSERT_EQ(f->Document()->Table()->State(), dsBrowse);
  ASSERT_EQ(f->Document()->Table()->RecordCount(), 0);

  Click(f->grdChild, 60, 30);
  PressKey(VK_HOME);
  TypeText("Ив");
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
  EXPECT_EQ(f->Document()->Table()->State(), dsInsert);
  EXPECT_EQ(f->mtChild->State(), dsInsert);
  ASSERT_TRUE(f->grdChild->EditorMode());
  EXPECT_EQ(f->grdChild->InplaceEditor()->Text(), "Ив");
  EXPECT_TRUE(f->IsEditing());
}

}  // namespace
