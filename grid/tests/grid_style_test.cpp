#include "grid/grid_style.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Hex(TColor c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(c) & 0xFFFFFFu);
  return buf;
}

TEST(GridStyleTest, BlendMixesThenLightensAndMayDarken) {
  struct Case {
    TColor color, target;
    bool darken;
    TColor expected;
  };
  // Channel 0 and 255: m = 127.5 -> 127.5 + 97.5*0.6 = 186; darkened:
  // 186 - (122 - 186) * 0.25 = 202. Channel 0 and 0: 135; darkened 138.25.
  const std::vector<Case> cases = {
      {RGB(0, 0, 0), RGB(255, 0, 0), false, RGB(186, 135, 135)},
      {RGB(0, 0, 0), RGB(255, 0, 0), true, RGB(202, 138, 138)},
      {RGB(255, 255, 255), RGB(255, 255, 255), false, RGB(237, 237, 237)},
      {RGB(255, 255, 255), RGB(255, 255, 255), true, RGB(255, 255, 255)},  // clamped
  };
  for (const Case& c : cases)
    EXPECT_EQ(Hex(TDBGridEhStyle::Blend(c.color, c.target, c.darken)), Hex(c.expected))
        << Hex(c.color) << " " << Hex(c.target) << " " << c.darken;
}

struct HighlightCase {
  const char* what;
  TDBGridEhHighlightInfo info;
  int colorCount;
  std::string expected;  // "-" for not highlighted, else "bg/font"
};

TEST(GridStyleTest, DataCellHighlightRules) {
  const TColor base = clWindow;
  const std::string blendFocused = Hex(TDBGridEhStyle::Blend(base, clHighlight, false));
  const std::string blendUnfocused = Hex(TDBGridEhStyle::Blend(base, clBtnShadow, false));
  const std::string hi = Hex(clHighlight) + "/" + Hex(clHighlightText);
  const std::string shadow = Hex(clBtnShadow) + "/" + Hex(clHighlightText);
  const std::string keep = "/" + Hex(clWindowText);
  const TDBGridOptions plain{};
  const TDBGridEhOptions focusHl{dghHighlightFocus};

  auto info = [](TDBGridOptions o, TDBGridEhOptions oe, bool focused, bool drawSelected, bool row,
                 bool col) {
    TDBGridEhHighlightInfo i;
    i.Options = o;
    i.OptionsEh = oe;
    i.GridFocused = focused;
    i.DrawSelected = drawSelected;
    i.CurrentRow = row;
    i.CurrentCol = col;
    return i;
  };
  auto editing = [](TDBGridEhHighlightInfo i) {
    i.EditorMode = true;
    return i;
  };
  auto inSelection = [](TDBGridEhHighlightInfo i) {
    i.CellSelected = true;
    i.SelectionEmpty = false;
    return i;
  };
  const std::vector<HighlightCase> cases = {
      {"current cell, focused", info(plain, focusHl, true, true, true, true), -1, hi},
      {"current cell, focus without the option", info(plain, {}, true, true, true, true), -1, "-"},
      {"current cell, unfocused, always show",
       info({dgAlwaysShowSelection}, {}, false, true, true, true), -1, shadow},
      {"current cell while editing", editing(info(plain, focusHl, true, true, true, true)), -1,
       "-"},
      {"not selected", info(plain, focusHl, true, false, false, false), -1, "-"},
      {"row select: other cell of the row, focused",
       info({dgRowSelect}, focusHl, true, false, true, false), -1, hi},
      {"row highlight: other cell of the current row",
       info(plain, {dghRowHighlight}, true, false, true, false), -1, (blendFocused + keep)},
      {"row highlight: palette screen", info(plain, {dghRowHighlight}, true, false, true, false),
       256, hi},
      {"multi-selected cell, focused", inSelection(info(plain, {}, true, false, false, false)), -1,
       (blendFocused + keep)},
      {"multi-selected cell, unfocused", inSelection(info(plain, {}, false, false, false, false)),
       -1, (blendUnfocused + keep)},
      {"multi-selected cell, unfocused, palette",
       inSelection(info(plain, {}, false, false, false, false)), 16, (Hex(clBtnFace) + keep)},
  };
  for (const HighlightCase& c : cases) {
    TDBGridEhStyle::SetScreenColorCount(c.colorCount);
    TDBGridEhStyle style;
    TColor bg = base;
    TColor font = clWindowText;
    const bool on = style.HighlightDataCellColor(c.info, bg, font);
    EXPECT_EQ(on ? Hex(bg) + "/" + Hex(font) : "-", c.expected) << c.what;
  }
  TDBGridEhStyle::SetScreenColorCount(-1);
}

TEST(GridStyleTest, NoDataCellHighlightRules) {
  TDBGridEhStyle style;
  TDBGridEhHighlightInfo focused;
  focused.GridFocused = true;
  TDBGridEhHighlightInfo unfocused;
  const std::string dark = Hex(RGB(64, 64, 64)) + "/" + Hex(clWhite);
  struct Case {
    const char* what;
    TDBGridEhHighlightInfo info;
    TCellColPartEh col;
    TCellRowPartEh row;
    bool highlighted;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"not marked", focused, ccpIndicatorEh, crpDataEh, false, "-"},
      {"indicator of a data row", focused, ccpIndicatorEh, crpDataEh, true, dark},
      {"indicator of the filler row", unfocused, ccpIndicatorEh, crpFooterFillerEh, true,
       Hex(TDBGridEhStyle::Blend(clBtnFace, clBtnShadow, false)) + "/" + Hex(clWindowText)},
      {"title of a data column", unfocused, ccpDataEh, crpTitleEh, true, dark},
      {"footer, focused", focused, ccpDataEh, crpFooterEh, true,
       Hex(TDBGridEhStyle::Blend(clBtnFace, clHighlight, true)) + "/" + Hex(clWindowText)},
  };
  for (const Case& c : cases) {
    TColor bg = clBtnFace;
    TColor font = clWindowText;
    const bool on = style.HighlightNoDataCellColor(c.info, c.col, c.row, c.highlighted, bg, font);
    EXPECT_EQ(on ? Hex(bg) + "/" + Hex(font) : "-", c.expected) << c.what;
  }
}

struct TFakeGrid : IDBGridEhStyleClient {
  TDBGridEhStyle* style = nullptr;
  std::vector<std::string>* log = nullptr;
  std::string name;
  void StyleDestroyed(TDBGridEhStyle* s) override {
    if (style == s) style = nullptr;
    log->push_back(name);
  }
};

TEST(GridStyleTest, DestroyingAStyleClearsItsGridsLastFirst) {
  std::vector<std::string> log;
  TFakeGrid a, b;
  a.log = b.log = &log;
  a.name = "a";
  b.name = "b";
  {
    TDBGridEhStyle* style = GetDBGridEhStyle();
    a.style = b.style = style;
    style->AddGrid(&a);
    style->AddGrid(&b);
    style->AddGrid(&a);
    EXPECT_EQ(style->GridCount(), 2);
    EXPECT_TRUE(style->IsGridRegistered(&b));
    FreeDBGridEhStyle();
  }
  EXPECT_EQ(log, std::vector<std::string>({"b", "a"}));
  EXPECT_EQ(a.style, nullptr);
  EXPECT_EQ(b.style, nullptr);
  EXPECT_NE(GetDBGridEhStyle(), nullptr) << "made again on demand";
}

TEST(GridStyleTest, UpdateColorCountRereadsTheScreen) {
  TDBGridEhStyle style;
  EXPECT_EQ(style.ColorCount(), -1);
  TDBGridEhStyle::SetScreenColorCount(256);
  style.UpdateColorCount();
  EXPECT_EQ(style.ColorCount(), 256);
  TDBGridEhStyle::SetScreenColorCount(-1);
}

}  // namespace
