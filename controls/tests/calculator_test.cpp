#include "controls/calculator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/base/format_settings.h"
#include "platform/base/text.h"
#include "platform/widgets/tests/std_controls_test_support.h"

namespace {

TEST(CalculatorFormat, GeneralFifteenDigits) {
  TFormatSettingsOverride dot;
  FormatSettings.DecimalSeparator = '.';
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {{3, "3"},           {0.5, "0.5"},
                        {-0.0, "0"},        {1e20, "1E20"},
                        {1.5e-7, "1.5E-7"}, {1.0 / 3, "0.333333333333333"},
                        {-42.25, "-42.25"}, {123456789012345.0, "123456789012345"}};
  for (const Case& c : cases) EXPECT_EQ(FormatCalculatorValueEh(c.value), c.text) << c.value;
}

class CalculatorTest : public StdControlsTest {
 protected:
  CalculatorTest() {
    FormatSettings.DecimalSeparator = '.';
    Calc = Create<TCalculatorEh>(Form);
    Calc->SetParent(Form);
  }
  ~CalculatorTest() override { FormatSettings.DecimalSeparator = FSavedSeparator; }
  // Keys as a string: B is Backspace, E Enter, X Esc; the rest as typed.
  std::string Run(const std::string& keys) {
    for (char32_t k : Utf8ToUtf32(keys)) {
      if (k == 'B')
        k = 8;
      else if (k == 'E')
        k = 13;
      else if (k == 'X')
        k = 27;
      Calc->ProcessKey(k);
    }
    return Calc->DisplayText();
  }
  char FSavedSeparator = FormatSettings.DecimalSeparator;
  TCalculatorEh* Calc = nullptr;
};

TEST_F(CalculatorTest, KeySequences) {
  struct Case {
    const char* keys;
    const char* display;
  };
  const Case cases[] = {
      {"1+2=", "3"},
      {"50+10%", "55"},
      {"50-10%", "45"},
      {"200*10%", "20"},
      {"8/0=", "Error"},
      {"8/0=123+E", "Error"},
      {"8/0=C", "0"},
      {"8/0=C2+2=", "4"},
      {"1234567890123456", "123456789012345"},
      {"I1234567890123456", "123456789012345"},
      {"5IB", "0"},
      {"12B", "1"},
      {"4IS", "Error"},
      {"9S", "3"},
      {"0R", "Error"},
      {"4R", "0.25"},
      {"1.5.2", "1.52"},
      {"1,5", "1.5"},
      {"2*3=", "6"},
      {"2*3E", "6"},
      {"2+*3=", "6"},
      {"7X", "0"},
      {"7A", "0"},
      {"10/4=", "2.5"},
      {"1+2%=", "1.02"},
      {"5%", "5"},
      {"1/3=", "0.333333333333333"},
      {"99999999999999*99999999999999*99999999999999*99999999999999*"
       "99999999999999*99999999999999*99999999999999*99999999999999*"
       "99999999999999*99999999999999*99999999999999*99999999999999*"
       "99999999999999*99999999999999*99999999999999*99999999999999*"
       "99999999999999*99999999999999*99999999999999*99999999999999*"
       "99999999999999*99999999999999*99999999999999=",
       "Error"},
  };
  for (const Case& c : cases) {
    Calc->ProcessKey('C');
    EXPECT_EQ(Run(c.keys), c.display) << c.keys;
  }
}

TEST_F(CalculatorTest, ErrorValueIsZeroAndTheEqualCaptionFollowsTheState) {
  Run("8/0=");
  EXPECT_EQ(Calc->Status(), csErrorEh);
  EXPECT_EQ(Calc->Value(), 0);
  Run("C2*");
  EXPECT_EQ(Calc->EqualCaption(), "Ok");
  Run("3");
  EXPECT_EQ(Calc->EqualCaption(), "=");
  EXPECT_EQ(Calc->spEqual()->Caption(), "=");
  Run("=");
  EXPECT_EQ(Calc->EqualCaption(), "Ok");
  Calc->SetValue(-2.5);
  EXPECT_EQ(Calc->DisplayText(), "-2.5");
  EXPECT_EQ(Calc->Value(), -2.5);
}

TEST_F(CalculatorTest, ClipboardCopiesAndPastesNumbersOnly) {
  Run("42");
  Calc->ProcessKey(3);
  EXPECT_EQ(GetClipboardText(), "42");
  SetClipboardText(" 17.5 ");
  Calc->ProcessKey(22);
  EXPECT_EQ(Calc->DisplayText(), "17.5");
  SetClipboardText("abc");
  Calc->ProcessKey(22);
  EXPECT_EQ(Calc->DisplayText(), "17.5");
}

TEST_F(CalculatorTest, ButtonsSendTheirKeys) {
  ASSERT_EQ(Calc->Buttons().size(), 23u);
  for (char32_t k : {U'7', U'+', U'2', U'='}) Calc->SpeedButtonClick(Calc->ButtonOfKey(k));
  EXPECT_EQ(Calc->DisplayText(), "9");
  EXPECT_EQ(Calc->ButtonOfKey('=')->Caption(), "Ok");
  TSpeedButtonEh* c = Calc->ButtonOfKey('C');
  TSpeedButtonEh* cancel = Calc->ButtonOfKey('A');
  EXPECT_EQ(c->Height(), 22);
  EXPECT_LE(c->Top() + c->Height(), cancel->Top()) << "C and Cancel do not overlap";
  EXPECT_EQ(cancel->Caption(), "Cancel");
  // Typed characters and Delete.
  Form->Show();
  Calc->SetFocus();
  TypeText("12");
  EXPECT_EQ(Calc->DisplayText(), "12");
  PressKey(VK_DELETE);
  EXPECT_EQ(Calc->DisplayText(), "0");
}

class PopupCalculatorTest : public CalculatorTest {
 protected:
  PopupCalculatorTest() {
    Form->Show();
    Owner = Make<TKeyTaker>(Form, 10, 10);
    Owner->SetFocus();
    Popup = Create<TPopupCalculatorEh>(Form);
    Popup->SetOwnerControl(Owner);
    Popup->OnCloseUp = [this](TObject*, bool accept) {
      Closes.push_back(accept);
      Values.push_back(Popup->Value());
    };
    Calc = Popup;
  }
  void Show() {
    TPoint p = Owner->ClientToScreen({0, Owner->Height()});
    TSize s = Popup->PopupSize();
    Popup->ShowAt(Bounds(p.X, p.Y, s.cx, s.cy));
  }
  TKeyTaker* Owner = nullptr;
  TPopupCalculatorEh* Popup = nullptr;
  std::vector<bool> Closes;
  std::vector<double> Values;
};

TEST_F(PopupCalculatorTest, EnterComputesFirstThenAccepts) {
  Show();
  EXPECT_TRUE(Owner->Focused());
  EXPECT_EQ(Popup->ClientWidth(), Popup->FaceSize().cx);
  Run("2*3E");
  EXPECT_TRUE(Closes.empty());
  EXPECT_EQ(Popup->DisplayText(), "6");
  Run("E");
  EXPECT_EQ(Closes, std::vector<bool>{true});
  EXPECT_EQ(Values, std::vector<double>{6});
}

TEST_F(PopupCalculatorTest, ErrorIsNeverAcceptedAndEscCancels) {
  Show();
  Run("8/0=");
  Run("E=");
  EXPECT_TRUE(Closes.empty());
  EXPECT_TRUE(Popup->Visible());
  Popup->Perform(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(Closes, std::vector<bool>{false});
  Show();
  Run("C5");
  Popup->SpeedButtonClick(Popup->ButtonOfKey('A'));
  EXPECT_EQ(Closes, (std::vector<bool>{false, false}));
}

TEST_F(PopupCalculatorTest, WheelStepsAndFlatSwitch) {
  Show();
  Popup->SetValue(5);
  Popup->Perform(WM_MOUSEWHEEL, MakeWParam(0, 120), 0);
  EXPECT_EQ(Popup->DisplayText(), "6");
  Popup->Perform(WM_MOUSEWHEEL, MakeWParam(0, -120), 0);
  Popup->Perform(WM_MOUSEWHEEL, MakeWParam(0, -120), 0);
  EXPECT_EQ(Popup->DisplayText(), "4");
  Run("C1/0=");
  Popup->Perform(WM_MOUSEWHEEL, MakeWParam(0, 120), 0);
  EXPECT_EQ(Popup->DisplayText(), "Error");
  Popup->SetFlat(false);
  for (TSpeedButtonEh* b : Popup->Buttons()) EXPECT_FALSE(b->Flat());
}

}  // namespace
