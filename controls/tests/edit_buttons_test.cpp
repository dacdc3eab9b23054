#include "controls/edit_buttons.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/draw/bitmap.h"
#include "platform/widgets/tests/std_controls_test_support.h"

namespace {

TEST(EditButton, ClampsNumGlyphsAndAssignsEverything) {
  TEditButtonsEh buttons(nullptr);
  TEditButtonEh* a = buttons.Add();
  struct Case {
    int set;
    int stored;
  };
  for (Case c : {Case{7, 4}, Case{0, 1}, Case{-3, 1}, Case{3, 3}}) {
    a->SetNumGlyphs(c.set);
    EXPECT_EQ(a->NumGlyphs(), c.stored) << c.set;
  }
  int clicks = 0;
  a->SetStyle(ebsUpDownEh);
  a->SetHint("hint");
  a->SetWidth(12);
  a->SetShortCut(ShortCut(VK_F2, {}));
  a->OnClick = [&](TObject*, bool&) { ++clicks; };
  TEditButtonEh* b = buttons.Add();
  b->Assign(a);
  EXPECT_EQ(b->Style(), ebsUpDownEh);
  EXPECT_EQ(b->Hint(), "hint");
  EXPECT_EQ(b->Width(), 12);
  EXPECT_EQ(b->NumGlyphs(), 3);
  EXPECT_EQ(b->ShortCut(), ShortCut(VK_F2, {}));
  bool handled = false;
  b->OnClick(b, handled);
  EXPECT_EQ(clicks, 1);
}

TEST(EditButton, CollectionItemsAreVisibleWithAltDownAndReportChanges) {
  TEditButtonsEh buttons(nullptr);
  int updates = 0;
  buttons.OnUpdate = [&](TObject*) { ++updates; };
  TEditButtonEh* b = buttons.Add();
  EXPECT_TRUE(b->Visible());
  EXPECT_EQ(b->ShortCut(), ShortCut(VK_DOWN, {ssAlt}));
  int before = updates;
  b->SetWidth(5);
  EXPECT_EQ(updates, before + 1);
  b->SetWidth(5);  // unchanged: no update
  EXPECT_EQ(updates, before + 1);
  // A change handler takes the place of the collection's update.
  int own = 0;
  b->OnChangeInternal = [&](TObject*) { ++own; };
  b->SetStyle(ebsPlusEh);
  EXPECT_EQ(own, 1);
  EXPECT_EQ(updates, before + 1);
}

TEST(EditButton, DefaultFlatWidthIsOddAndAtMostTheScrollBar) {
  int w = DefaultFlatButtonWidth();
  EXPECT_EQ(w % 2, 1);
  EXPECT_LE(w, GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_GT(w, 3);
  EXPECT_EQ(StandardEditButtonHeight(30), 17);
  EXPECT_EQ(StandardEditButtonHeight(12), 12);
}

TEST(EditButton, UpDownHalvesLeaveTheSplitLine) {
  struct Case {
    int height;
    int y;
    int part;
  };
  const Case cases[] = {{17, 0, 1},  {17, 7, 1}, {17, 8, 0}, {17, 9, 0}, {17, 10, 2},
                        {17, 16, 2}, {16, 7, 1}, {16, 8, 0}, {16, 9, 2}};
  for (const Case& c : cases) {
    EXPECT_EQ(TEditButtonControlEh::UpDownPartAt(c.height, c.y), c.part) << c.height << " " << c.y;
  }
}

TEST(DropDownPlacement, GivesBoundsAndGripDirections) {
  const TRect work = Rect(0, 0, 1000, 700);
  struct Case {
    TRect control;
    TSize size;
    TDropDownAlign align;
    TRect bounds;
    int vertical;
    int horizontal;
  };
  const Case cases[] = {
      {Rect(100, 100, 200, 120), {150, 200}, daLeft, Rect(100, 120, 250, 320), 3, 1},
      {Rect(100, 600, 200, 620), {150, 200}, daLeft, Rect(100, 400, 250, 600), 2, 1},
      {Rect(100, 200, 200, 220), {150, 600}, daLeft, Rect(100, 220, 250, 700), 3, 1},
      {Rect(900, 100, 980, 120), {150, 100}, daLeft, Rect(850, 120, 1000, 220), 3, 0},
      {Rect(300, 100, 400, 120), {150, 100}, daRight, Rect(250, 120, 400, 220), 3, 0},
      {Rect(10, 100, 60, 120), {150, 100}, daRight, Rect(0, 120, 150, 220), 3, 1},
      {Rect(300, 100, 400, 120), {200, 100}, daCenter, Rect(250, 120, 450, 220), 3, 1},
      {Rect(0, 100, 50, 120), {1500, 100}, daLeft, Rect(0, 120, 1000, 220), 3, 1},
  };
  for (const Case& c : cases) {
    TDropDownPlacementEh p = AlignDropDownWindowRectEh(c.control, c.size, c.align, work);
    EXPECT_EQ(p.Bounds, c.bounds);
    EXPECT_EQ(p.VerticalDirection, c.vertical);
    EXPECT_EQ(p.HorizontalDirection, c.horizontal);
  }
}

TColor PixelAt(TBitmap& b, int x, int y) { return b.Canvas()->Pixels(x, y); }

TEST(TreeElements, NodeBoxesAndDottedLinks) {
  struct Case {
    int kind;
    bool box;
    bool plus;
    bool up;    // a link above the centre
    bool down;  // a link below the centre
  };
  const Case cases[] = {{0, true, false, true, true},   {1, true, false, true, false},
                        {2, true, false, false, true},  {3, true, true, true, true},
                        {4, true, true, true, false},   {5, true, true, false, true},
                        {6, false, false, true, true},  {7, false, false, true, false},
                        {8, false, false, false, true}, {9, false, false, true, true}};
  for (const Case& c : cases) {
    TBitmap b;
    b.SetSize(19, 19);
    b.Canvas()->FillSolidRect(Rect(0, 0, 19, 19), clWhite);
    DrawTreeElementEh(*b.Canvas(), Rect(0, 0, 19, 19), c.kind);
    auto anyShadow = [&](int x0, int y0, int x1, int y1) {
      for (int x = x0; x < x1; ++x) {
        for (int y = y0; y < y1; ++y) {
          if (ColorToRGB(PixelAt(b, x, y)) == ColorToRGB(clBtnShadow)) return true;
        }
      }
      return false;
    };
    // The box's frame: 9 x 9 around the centre (9, 9).
    EXPECT_EQ(ColorToRGB(PixelAt(b, 5, 5)) == ColorToRGB(clBtnShadow), c.box) << c.kind;
    EXPECT_EQ(ColorToRGB(PixelAt(b, 9, 7)) == ColorToRGB(clWindowText), c.plus) << c.kind;
    if (c.box) {
      EXPECT_EQ(ColorToRGB(PixelAt(b, 7, 9)), ColorToRGB(clWindowText)) << c.kind;
    }
    EXPECT_EQ(anyShadow(9, 0, 10, 4), c.up) << c.kind;
    EXPECT_EQ(anyShadow(9, 15, 10, 19), c.down) << c.kind;
    if (c.kind != 9) {
      EXPECT_TRUE(anyShadow(15, 9, 19, 10)) << c.kind;
    }
  }
}

TEST(TreeElements, DotsOfNeighbouringCellsLineUp) {
  TBitmap b;
  b.SetSize(1, 40);
  b.Canvas()->FillSolidRect(Rect(0, 0, 1, 40), clWhite);
  // Two cells of odd height stacked keep one dot every two pixels.
  DrawTreeElementEh(*b.Canvas(), Rect(-9, 0, 10, 19), 9);
  DrawTreeElementEh(*b.Canvas(), Rect(-9, 19, 10, 38), 9);
  auto dot = [&](int y) { return ColorToRGB(PixelAt(b, 0, y)) == ColorToRGB(clBtnShadow); };
  for (int y = 1; y < 37; ++y) EXPECT_NE(dot(y), dot(y - 1)) << y;
  EXPECT_TRUE(dot(0));
  // The phase flag moves every dot by one.
  b.Canvas()->FillSolidRect(Rect(0, 0, 1, 40), clWhite);
  DrawTreeElementEh(*b.Canvas(), Rect(-9, 0, 10, 19), 9, 1, 1, true);
  EXPECT_FALSE(dot(0));
  EXPECT_TRUE(dot(1));
}

TEST(ButtonFaces, AreCachedWithALimitAndCleared) {
  ClearButtonsBitmapCache();
  TRecordingCanvas canvas;
  PaintButtonControlEh(canvas, Rect(0, 0, 15, 17), clWindow, bcsDropDownEh, 0, false, false, true);
  PaintButtonControlEh(canvas, Rect(20, 0, 35, 17), clWindow, bcsDropDownEh, 0, false, false, true);
  EXPECT_EQ(ButtonsBitmapCacheCount(), 1) << "the same face twice";
  PaintButtonControlEh(canvas, Rect(0, 0, 15, 17), clWindow, bcsDropDownEh, 1, false, false, true);
  EXPECT_EQ(ButtonsBitmapCacheCount(), 2) << "pressed is another face";
  for (int h = 1; h <= kButtonsBitmapCacheLimit + 10; ++h) {
    PaintButtonControlEh(canvas, Rect(0, 0, 15, h), clWindow, bcsUpDownEh, 0, true, false, true);
  }
  EXPECT_EQ(ButtonsBitmapCacheCount(), kButtonsBitmapCacheLimit);
  ClearButtonsBitmapCache();
  EXPECT_EQ(ButtonsBitmapCacheCount(), 0);
}

TEST(ButtonFaces, KindsAndStatesLookDifferent) {
  auto render = [](TDrawButtonControlStyleEh kind, int pressed, bool flat, bool active,
                   bool enabled) {
    TBitmap b;
    b.SetSize(15, 17);
    PaintButtonControlEh(*b.Canvas(), Rect(0, 0, 15, 17), clWindow, kind, pressed, flat, active,
                         enabled);
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < 17; ++y) {
      for (int x = 0; x < 15; ++x) pixels.push_back(ColorToRGB(b.Canvas()->Pixels(x, y)));
    }
    return pixels;
  };
  std::vector<std::vector<std::uint32_t>> faces;
  for (int kind : {0, 1, 2, 4, 5}) {
    faces.push_back(render(static_cast<TDrawButtonControlStyleEh>(kind), 0, false, false, true));
  }
  faces.push_back(render(bcsDropDownEh, 1, false, false, true));   // pressed
  faces.push_back(render(bcsDropDownEh, 0, false, false, false));  // disabled
  faces.push_back(render(bcsDropDownEh, 0, true, false, true));    // flat
  faces.push_back(render(bcsDropDownEh, 0, true, true, true));     // flat, active
  faces.push_back(render(bcsUpDownEh, 1, false, false, true));     // upper half pressed
  faces.push_back(render(bcsUpDownEh, 2, false, false, true));     // lower half pressed
  for (std::size_t i = 0; i < faces.size(); ++i) {
    for (std::size_t j = i + 1; j < faces.size(); ++j)
      EXPECT_NE(faces[i], faces[j]) << i << " " << j;
  }
}

class EditButtonControlTest : public StdControlsTest {
 protected:
  EditButtonControlTest() {
    Form->Show();
    Button = Create<TEditButtonControlEh>(Form);
    Button->SetParent(Form);
    Button->SetBounds(10, 10, 15, 17);
    Button->OnDown = [this](TObject*, bool top, bool& autoRepeat, bool&) {
      Downs.push_back(std::string(top ? "T" : "B") + "@" + std::to_string(FNow - Start));
      if (static_cast<int>(Downs.size()) >= StopAfter) autoRepeat = false;
    };
    Button->OnClick = [this](TObject*) { ++Clicks; };
  }
  void Wait(std::uint32_t ms) {
    for (std::uint32_t i = 0; i < ms; i += 10) {
      Advance(10);
      Application->ProcessMessages();
    }
  }
  TEditButtonControlEh* Button = nullptr;
  std::vector<std::string> Downs;
  std::uint32_t Start = 1000;
  int StopAfter = 1000;
  int Clicks = 0;
};

TEST_F(EditButtonControlTest, HoldingTheLowerHalfRepeatsAfter400ThenEvery100) {
  Button->SetStyle(ebsUpDownEh);
  Start = FNow;
  Mouse(Button, WM_LBUTTONDOWN, 5, 14);
  EXPECT_EQ(Button->ButtonNum(), 2);
  Wait(600);
  Mouse(Button, WM_LBUTTONUP, 5, 14);
  Wait(300);
  EXPECT_EQ(Downs, (std::vector<std::string>{"B@0", "B@400", "B@500", "B@600"}));
  EXPECT_EQ(Clicks, 1);
  EXPECT_FALSE(Button->AutoRepeating());
}

TEST_F(EditButtonControlTest, TheHandlerStopsTheRepeat) {
  Button->SetStyle(ebsUpDownEh);
  StopAfter = 2;
  Start = FNow;
  Mouse(Button, WM_LBUTTONDOWN, 5, 2);
  Wait(1000);
  EXPECT_EQ(Downs, (std::vector<std::string>{"T@0", "T@400"}));
  Mouse(Button, WM_LBUTTONUP, 5, 2);
}

TEST_F(EditButtonControlTest, LeavingThePressedHalfCancelsTheClick) {
  Button->SetStyle(ebsUpDownEh);
  Mouse(Button, WM_LBUTTONDOWN, 5, 2);
  Mouse(Button, WM_MOUSEMOVE, 5, 12);
  Mouse(Button, WM_LBUTTONUP, 5, 12);
  EXPECT_EQ(Clicks, 0);
  EXPECT_EQ(Downs.size(), 1u);
  // Other styles press as a whole and do not repeat.
  Button->SetStyle(ebsEllipsisEh);
  Downs.clear();
  Start = FNow;
  Mouse(Button, WM_LBUTTONDOWN, 5, 12);
  Wait(600);
  Mouse(Button, WM_LBUTTONUP, 5, 12);
  EXPECT_EQ(Downs, std::vector<std::string>{"T@0"});
  EXPECT_EQ(Clicks, 1);
}

TEST_F(EditButtonControlTest, HeldDownCannotBeReleasedByAClick) {
  Button->SetAlwaysDown(true);
  EXPECT_TRUE(Button->Down());
  ClickAt(Button, 5, 5);
  EXPECT_TRUE(Button->Down());
  EXPECT_EQ(Clicks, 1);
  Button->SetAlwaysDown(false);
  EXPECT_FALSE(Button->Down());
  EXPECT_EQ(Button->GroupIndex(), 0);
}

}  // namespace
