#include "platform/widgets/std_labels.h"

#include <gtest/gtest.h>

#include "platform/widgets/std_buttons.h"
#include "std_controls_test_support.h"

namespace {

class StdLabelsTest : public StdControlsTest {};

// The fixed metrics: the default font is 6 pixels a character, 13 a line.
TEST_F(StdLabelsTest, AutoSizeFollowsTextFontAndAlignment) {
  struct Case {
    const char* caption;
    bool wordWrap;
    TAlignment alignment;
    int width;  // before auto-sizing
    TRect expected;
  };
  const Case cases[] = {
      {"Hello", false, taLeftJustify, 65, Rect(10, 20, 40, 33)},
      {"", false, taLeftJustify, 65, Rect(10, 20, 16, 33)},  // a blank keeps the height
      {"&Имя", false, taLeftJustify, 65, Rect(10, 20, 28, 33)},
      {"Hello", false, taRightJustify, 65, Rect(45, 20, 75, 33)},  // the right edge stays
      {"one\r\ntwo three", false, taLeftJustify, 65, Rect(10, 20, 64, 46)},
      {"aaa bbb ccc", true, taLeftJustify, 45, Rect(10, 20, 52, 46)},
  };
  for (const Case& c : cases) {
    TLabel* label = Make<TLabel>(Form, 10, 20);
    label->SetAutoSize(false);
    label->SetWidth(c.width);
    label->SetAlignment(c.alignment);
    label->SetWordWrap(c.wordWrap);
    label->SetCaption(c.caption);
    label->SetAutoSize(true);
    EXPECT_EQ(label->BoundsRect(), c.expected) << c.caption;
    label->Free();
  }
  TLabel* label = Make<TLabel>(Form, 0, 0);
  label->SetCaption("abc");
  label->Font()->SetHeight(-16);  // 8 pixels a character, 19 a line
  EXPECT_EQ(label->BoundsRect(), Rect(0, 0, 24, 19));
  label->SetAutoSize(false);
  label->SetCaption("abcdef");
  EXPECT_EQ(label->Width(), 24) << "no longer sized";
}

// A framed static text keeps its text clear of the frame, in its size and
// where the text is drawn; a frameless one sits like a label.
TEST_F(StdLabelsTest, FramedStaticTextLeavesRoomInsideItsBorder) {
  Form->Show();
  const struct {
    TStaticBorderStyle style;
    TSize size;   // "Текст": 30 by 13
    TPoint text;  // where the text starts in the client area
  } cases[] = {
      {sbsNone, {30, 13}, {0, 0}}, {sbsSingle, {36, 17}, {2, 1}}, {sbsSunken, {36, 17}, {2, 1}}};
  for (const auto& c : cases) {
    auto* text = Make<TStaticText>(Form, 10, 20);
    text->SetBorderStyle(c.style);
    text->SetCaption("Текст");
    EXPECT_EQ(text->Width(), c.size.cx) << c.style;
    EXPECT_EQ(text->Height(), c.size.cy) << c.style;
    auto records = PaintForm();
    const TCanvasRecord* drawn = FindText(records, "Текст");
    ASSERT_NE(drawn, nullptr);
    EXPECT_EQ(drawn->Rect.TopLeft(), Device(text, c.text.X, c.text.Y)) << c.style;
    text->Free();
  }
}

TEST_F(StdLabelsTest, AcceleratorFocusesTheFocusControlTypedOrWithAlt) {
  TButton* button = Make<TButton>(Form, 10, 100);
  TKeyTaker* edit = Make<TKeyTaker>(Form, 100, 10);
  TLabel* label = Make<TLabel>(Form, 10, 10);
  label->SetCaption("&Имя");
  label->SetFocusControl(edit);
  Form->Show();
  button->SetFocus();
  Char(U'и');  // the letter alone, the button not wanting characters
  EXPECT_TRUE(edit->Focused());
  button->SetFocus();
  Char(U'И', true);
  EXPECT_TRUE(edit->Focused()) << "Alt+letter, either case";
  button->SetFocus();
  Char(U'x', true);
  EXPECT_TRUE(button->Focused()) << "not the accelerator";
  label->SetShowAccelChar(false);
  Char(U'и', true);
  EXPECT_TRUE(button->Focused()) << "no accelerator without ShowAccelChar";
  label->SetShowAccelChar(true);
  // A control that takes characters keeps plain letters, not Alt+letters.
  TKeyTaker* typing = Make<TKeyTaker>(Form, 200, 10);
  typing->DlgCode = DLGC_WANTCHARS;
  typing->SetFocus();
  Char(U'и');
  EXPECT_TRUE(typing->Focused());
  Char(U'и', true);
  EXPECT_TRUE(edit->Focused());
  button->SetFocus();
  edit->Free();
  EXPECT_EQ(label->FocusControl(), nullptr);
  Char(U'и', true);
  EXPECT_TRUE(button->Focused());
}

TEST_F(StdLabelsTest, LabelPaintsAlignedAndLaidOutText) {
  TLabel* label = Make<TLabel>(Form, 10, 10);
  label->SetAutoSize(false);
  label->SetBounds(10, 10, 100, 40);
  label->SetCaption("abc");  // 18 x 13
  Form->Show();
  struct Case {
    TAlignment alignment;
    TTextLayout layout;
    TPoint at;  // the text cell's top-left in the label
  };
  const Case cases[] = {{taLeftJustify, tlTop, {0, 0}},
                        {taRightJustify, tlCenter, {82, 13}},
                        {taCenter, tlBottom, {41, 27}}};
  for (const Case& c : cases) {
    label->SetAlignment(c.alignment);
    label->SetLayout(c.layout);
    auto records = PaintForm();
    const TCanvasRecord* text = FindText(records, "abc");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Rect.TopLeft(), Device(label, c.at.X, c.at.Y));
  }
  // Opaque labels fill their background; transparent ones do not; a
  // disabled one is grey.
  label->SetColor(clYellow);
  auto hasYellow = [&] {
    for (const TCanvasRecord& r : PaintForm()) {
      if (r.Kind == TRecordKind::FillRect && r.Color == clYellow) return true;
    }
    return false;
  };
  EXPECT_TRUE(hasYellow());
  label->SetTransparent(true);
  EXPECT_FALSE(hasYellow());
  label->SetEnabled(false);
  auto records = PaintForm();
  EXPECT_EQ(FindText(records, "abc")->Color, clGrayText);
}

TEST_F(StdLabelsTest, BevelShapeAndImageDrawTheirFigures) {
  TShape* shape = Make<TShape>(Form, 0, 0);
  shape->SetBounds(0, 0, 60, 40);
  shape->SetShape(stCircle);
  shape->Brush()->SetColor(clRed);
  TBevel* bevel = Make<TBevel>(Form, 100, 0);
  bevel->SetShape(bsTopLine);
  TImage* image = Make<TImage>(Form, 200, 0);
  image->SetBounds(200, 0, 100, 50);
  TBitmap bitmap(40, 20);
  image->Picture()->SetGraphic(&bitmap);
  Form->Show();
  auto records = PaintForm();
  bool circle = false, image20 = false, lines = false;
  for (const TCanvasRecord& r : records) {
    if (r.Kind == TRecordKind::Ellipse && r.Brush.Color == clRed)
      circle = r.Rect == Bounds(Device(shape).X + 10, Device(shape).Y, 40, 40);
    if (r.Kind == TRecordKind::Image)
      image20 = r.Rect == Bounds(Device(image).X, Device(image).Y, 40, 20);
    if (r.Kind == TRecordKind::FillRect && r.Rect.Top == Device(bevel).Y + 1 &&
        r.Rect.Width() == 50)
      lines = true;
  }
  EXPECT_TRUE(circle) << "a circle is the square in the middle";
  EXPECT_TRUE(image20) << "at its own size from the corner";
  EXPECT_TRUE(lines) << "the second line of an etched top line";

  struct Case {
    bool stretch, center, proportional;
    TRect dest;
  };
  const Case cases[] = {{false, false, false, Rect(0, 0, 40, 20)},
                        {false, true, false, Rect(30, 15, 70, 35)},
                        {true, false, false, Rect(0, 0, 100, 50)},
                        {true, true, true, Rect(0, 0, 100, 50)},
                        {false, false, true, Rect(0, 0, 40, 20)}};  // smaller: left as it is
  for (const Case& c : cases) {
    image->SetStretch(c.stretch);
    image->SetCenter(c.center);
    image->SetProportional(c.proportional);
    EXPECT_EQ(image->DestRect(), c.dest);
  }
  image->SetBounds(200, 0, 100, 100);
  image->SetStretch(true);
  image->SetCenter(true);
  EXPECT_EQ(image->DestRect(), Rect(0, 25, 100, 75)) << "proportional and centred";
  image->SetAutoSize(true);
  EXPECT_EQ(image->BoundsRect(), Rect(200, 0, 240, 20));
}

}  // namespace
