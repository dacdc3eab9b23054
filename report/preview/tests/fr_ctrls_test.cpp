#include "report/preview/fr_ctrls.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/registry.h"
#include "platform/gui/tests/gui_test_support.h"

namespace {

class FrCtrlsTest : public GuiTest {
 protected:
  FrCtrlsTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(10, 10, 300, 200);
  }
  ~FrCtrlsTest() override {
    if (Form != nullptr) Form->Free();
  }
  TfrSpeedButton* Button(int group = 0) {
    auto* b = Create<TfrSpeedButton>(Form);
    b->SetParent(Form);
    b->SetGroupIndex(group);
    return b;
  }
  static void Fill(TBitmap& bmp) {
    bmp.Canvas()->Brush()->SetColor(clRed);
    bmp.Canvas()->FillRect(Rect(0, 0, bmp.Width(), bmp.Height()));
  }
  TForm* Form;
};

TEST_F(FrCtrlsTest, NewButtonDefaults) {
  TfrSpeedButton* b = Button();
  EXPECT_EQ(b->Width(), 22);
  EXPECT_EQ(b->Height(), 22);
  EXPECT_EQ(b->Margin(), -1);
  EXPECT_EQ(b->Spacing(), 4);
  EXPECT_TRUE(b->GrayedInactive());
  EXPECT_TRUE(b->ParentFont());
  auto* sep = Create<TfrTBSeparator>(Form);
  EXPECT_EQ(sep->Width(), 8);
  EXPECT_EQ(sep->Align(), alLeft);
  EXPECT_TRUE(sep->DrawBevel());
  EXPECT_TRUE(Create<TfrTBButton>(Form)->Flat());
}

TEST_F(FrCtrlsTest, GroupedButtonsActAsRadioButtons) {
  TfrSpeedButton* a = Button(1);
  TfrSpeedButton* b = Button(1);
  TfrSpeedButton* loose = Button(0);
  a->SetDown(true);
  b->SetDown(true);
  EXPECT_FALSE(a->Down());
  EXPECT_TRUE(b->Down());
  b->SetDown(false);  // no AllowAllUp: stays down
  EXPECT_TRUE(b->Down());
  b->SetAllowAllUp(true);
  b->SetDown(false);
  EXPECT_FALSE(b->Down());
  loose->SetDown(true);
  EXPECT_FALSE(loose->Down());
}

TEST_F(FrCtrlsTest, GlyphCacheSharesListsAndLivesWithTheButtons) {
  Form->Free();
  Form = nullptr;
  ASSERT_EQ(frButtonCount(), 0);
  EXPECT_FALSE(frButtonResourcesExist());
  EXPECT_EQ(frGlyphCache(), nullptr);
  for (int round = 0; round < 2; ++round) {
    Form = Create<TForm>(nullptr);
    TfrSpeedButton* a = Button();
    TfrSpeedButton* b = Button();
    TfrSpeedButton* c = Button();
    EXPECT_EQ(frButtonCount(), 3);
    EXPECT_TRUE(frButtonResourcesExist());
    ASSERT_NE(frGlyphCache(), nullptr);
    TBitmap small(16, 16), twin(32, 16), big(20, 20);
    Fill(small);
    Fill(twin);
    Fill(big);
    a->SetGlyph(&small);
    b->SetGlyph(&twin);
    b->SetNumGlyphs(2);
    c->SetGlyph(&big);
    TRecordingCanvas canvas;
    TfrButtonGlyph* glyphs[] = {const_cast<TfrButtonGlyph*>(&a->ButtonGlyph()),
                                const_cast<TfrButtonGlyph*>(&b->ButtonGlyph()),
                                const_cast<TfrButtonGlyph*>(&c->ButtonGlyph())};
    for (TfrButtonGlyph* g : glyphs) g->Draw(canvas, {0, 0}, giUp, false);
    // 16 x 16 images share a list; the freed slot is used again.
    EXPECT_EQ(frGlyphCache()->ListCount(), 2);
    EXPECT_EQ(a->ButtonGlyph().Index(giUp), 0);
    EXPECT_EQ(b->ButtonGlyph().Index(giDisabled), 2);
    a->SetGlyph(&small);
    glyphs[1]->Draw(canvas, {0, 0}, giUp, false);
    c->Free();
    EXPECT_EQ(frGlyphCache()->ListCount(), 1);
    glyphs[0]->Draw(canvas, {0, 0}, giUp, false);
    EXPECT_EQ(a->ButtonGlyph().Index(giUp), 0);
    Form->Free();
    Form = nullptr;
    EXPECT_EQ(frButtonCount(), 0);
    EXPECT_FALSE(frButtonResourcesExist());
    EXPECT_EQ(frGlyphCache(), nullptr);
  }
  Form = Create<TForm>(nullptr);
}

TEST_F(FrCtrlsTest, FlatButtonHoverFiresEnterAndLeave) {
  auto* b = Create<TfrTBButton>(Form);
  b->SetParent(Form);
  std::vector<std::string> heard;
  b->OnMouseEnter = [&](TObject*) { heard.push_back("enter"); };
  b->OnMouseLeave = [&](TObject*) { heard.push_back("leave"); };
  b->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_TRUE(b->MouseInControl());
  b->Perform(CM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(b->MouseInControl());
  EXPECT_EQ(heard, (std::vector<std::string>{"enter", "leave"}));
}

class TPositionedForm : public TForm {
  MEBRATH_CLASS(TPositionedForm, TForm)
 protected:
  explicit TPositionedForm(TComponent* owner) : TForm(owner) {}
};

class FormPositionTest : public FrCtrlsTest {
 protected:
  FormPositionTest() {
    Dir = std::filesystem::temp_directory_path() / ("frpos_" + std::to_string(::getpid()));
    std::filesystem::create_directories(Dir);
    SetSettingsStorePath((Dir / "registry.ini").string());
  }
  ~FormPositionTest() override {
    SetSettingsStorePath("");
    std::filesystem::remove_all(Dir);
  }
  std::filesystem::path Dir;
};

TEST_F(FormPositionTest, PositionsRoundTripAndStayOnTheScreen) {
  auto* form = Create<TPositionedForm>(nullptr);
  form->SetBounds(30, 40, 500, 300);
  form->SetWindowState(wsMaximized);
  RestoreFormPosition(form);  // never saved: nothing changes
  EXPECT_EQ(form->BoundsRect(), Bounds(30, 40, 500, 300));
  EXPECT_EQ(form->WindowState(), wsMaximized);
  form->SetWindowState(wsNormal);
  form->SetBounds(70, 80, 400, 250);
  SaveFormPosition(form);
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Ordvik\\Form\\TPositionedForm", false));
    EXPECT_EQ(reg.ReadInteger("XPosition"), 70);
    EXPECT_FALSE(reg.ReadBool("Maximized"));
  }
  form->SetBounds(0, 0, 100, 100);
  form->SetWindowState(wsMaximized);
  RestoreFormPosition(form);
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_EQ(form->BoundsRect(), Bounds(70, 80, 400, 250));
  // Saved on a larger screen: moved and shrunk onto this one.
  {
    TRegistry reg;
    reg.OpenKey("\\Software\\Ordvik\\Form\\TPositionedForm", false);
    reg.WriteInteger("XPosition", 5000);
    reg.WriteInteger("YPosition", -300);
    reg.WriteInteger("Width", 9000);
    reg.DeleteKey("x");
  }
  RestoreFormPosition(form);
  const TRect work = Screen->WorkAreaRect();
  EXPECT_GE(form->Left(), work.Left);
  EXPECT_LE(form->Left() + form->Width(), work.Right);
  EXPECT_GE(form->Top(), work.Top);
  EXPECT_EQ(form->Height(), std::min(250, work.Height()));
  form->Free();
}

}  // namespace
