#include "grid/grid_printer.h"

#include <gtest/gtest.h>

#include "grid/grid_resources.h"
#include "platform/gui/forms.h"
#include "platform/gui/tests/gui_test_support.h"

namespace {

class GridPrinterTest : public GuiTest {
 protected:
  ~GridPrinterTest() override {
    for (int i = 1; i <= 6; ++i) Screen->SetCursors(i, nullptr);
  }
};

TEST_F(GridPrinterTest, CursorsTakeTheFirstFreeUserIndexes) {
  Screen->SetCursors(1, GridCursor("DOWNCUREH"));
  Screen->SetCursors(2, GridCursor("RIGHTCUREH"));
  EXPECT_EQ(LoadCursorResourceEh("MAGNIFIEREH"), 3);
  EXPECT_EQ(LoadCursorResourceEh("HANDEH"), 4);
  EXPECT_EQ(Screen->Cursors(3), GridCursor("MAGNIFIEREH"));
  Screen->SetCursors(2, nullptr);
  EXPECT_EQ(LoadCursorResourceEh("HANDEH"), 2);
  try {
    LoadCursorResourceEh("NOSUCHEH");
    ADD_FAILURE();
  } catch (const EOutOfResources& e) {
    EXPECT_EQ(e.Message(), "Cannot load cursor resource");
  }
}

TEST_F(GridPrinterTest, AReplacementWrapperRedirectsPrinting) {
  struct TCounting : TVirtualPrinter {
    int Pages = 0;
    void NewPage() override { ++Pages; }
  };
  auto* counting = new TCounting;
  std::unique_ptr<TVirtualPrinter> old =
      SetVirtualPrinter(std::unique_ptr<TVirtualPrinter>(counting));
  VirtualPrinter()->NewPage();
  EXPECT_EQ(counting->Pages, 1);
  SetVirtualPrinter(std::move(old));
  EXPECT_NE(VirtualPrinter(), counting);
  EXPECT_EQ(kPrintMacrosEh[0], "&[Page]");
  EXPECT_EQ(kPrintMacrosEh[5], "&[Pages]");
  EXPECT_EQ(CheckBoxGlyphSizeEh().Width, 13);
}

}  // namespace
