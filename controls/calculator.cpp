#include "controls/calculator.h"

#include <cmath>
#include <cstdlib>

#include "controls/size_grip.h"
#include "platform/base/format_settings.h"
#include "platform/base/number_format.h"
#include "platform/base/text.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/draw_utils.h"
#include "platform/gui/services.h"
#include "platform/gui/window.h"

std::string FormatCalculatorValueEh(double value) {
  if (value == 0) return "0";  // -0 too
  return FloatToStrF(value, ffGeneral, 15, 0);
}

namespace {

// The face as it was designed: client 184 x 127 for 'MS Sans Serif' -11,
// whose "0" is 13 pixels high. Tag = position + 1.
struct TFaceButton {
  const char* Caption;
  char32_t Key;
  int Left, Top, Width, Height;
  bool Red;
};
constexpr TFaceButton kFace[23] = {
    {"7", '7', 6, 29, 27, 22, false},      {"8", '8', 35, 29, 27, 22, false},
    {"9", '9', 64, 29, 27, 22, false},     {"/", '/', 93, 29, 27, 22, true},
    {"sqrt", 'S', 122, 29, 27, 22, false}, {"C", 'C', 151, 29, 27, 22, true},
    {"4", '4', 6, 53, 27, 22, false},      {"5", '5', 35, 53, 27, 22, false},
    {"6", '6', 64, 53, 27, 22, false},     {"*", '*', 93, 53, 27, 22, true},
    {"%", '%', 122, 53, 27, 22, false},    {"Cancel", 'A', 151, 53, 27, 22, true},
    {"1", '1', 6, 77, 27, 22, false},      {"2", '2', 35, 77, 27, 22, false},
    {"3", '3', 64, 77, 27, 22, false},     {"-", '-', 93, 77, 27, 22, true},
    {"1/x", 'R', 122, 77, 27, 22, false},  {"<-", 8, 151, 77, 27, 22, true},
    {"0", '0', 6, 101, 27, 22, false},     {"+/-", 'I', 35, 101, 27, 22, false},
    {".", '.', 64, 101, 27, 22, false},    {"+", '+', 93, 101, 27, 22, true},
    {"Ok", '=', 122, 101, 56, 22, true},
};
constexpr int kFaceWidth = 184;
constexpr int kFaceHeight = 127;
constexpr int kFaceTextHeight = 13;

// A calculator key: the caption in the button's font colour.
class TCalculatorButtonEh : public TSpeedButtonEh {
  MEBRATH_CLASS(TCalculatorButtonEh, TSpeedButtonEh)
 protected:
  explicit TCalculatorButtonEh(TComponent* owner) : TSpeedButtonEh(owner) {}
  void PaintContent(TCanvas& canvas, const TRect& rect, TPoint offset) override {
    TRect r = rect;
    OffsetRect(r, offset.X, offset.Y);
    canvas.SetBkMode(TRANSPARENT);
    canvas.SetTextColor(Enabled() ? Font()->Color() : TColor(clGrayText));
    // A caption wider than its key ("Cancel") gets a smaller font rather
    // than losing letters.
    TFont font;
    font.Assign(Font());
    canvas.SetFont(&font);
    while (canvas.TextWidth(Caption()) > r.Width() - 2 && std::abs(font.Height()) > 6) {
      font.SetHeight(font.Height() < 0 ? font.Height() + 1 : font.Height() - 1);
      canvas.SetFont(&font);
    }
    DrawText(canvas, Caption(), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
};

}  // namespace

// ------------------------------------------------------------ TCalculatorEh

TCalculatorEh::TCalculatorEh(TComponent* owner) : TCustomControl(owner) {
  SetColor(clBtnFace);
  SetTabStop(true);
}

void TCalculatorEh::AfterConstruction() {
  TCustomControl::AfterConstruction();
  CreateFace();
}

void TCalculatorEh::CreateFace() {
  TCanvas& measure = MeasureCanvas();
  measure.SetFont(Font());
  int textHeight = measure.TextHeight("0");
  auto scale = [&](int v) {
    return textHeight == kFaceTextHeight ? v : v * textHeight / kFaceTextHeight;
  };
  FFaceSize = {scale(kFaceWidth), scale(kFaceHeight)};
  FPanel = Create<TPanel>(this);
  FPanel->SetParent(this);
  FPanel->SetBevelOuter(bvLowered);
  FPanel->SetCaption("");
  FPanel->SetParentColor(false);
  FPanel->SetColor(clWindow);
  FPanel->SetBounds(scale(6), scale(4), scale(171), scale(19));
  FTextBox = Create<TLabel>(this);
  FTextBox->SetParent(FPanel);
  FTextBox->SetAutoSize(false);
  FTextBox->SetAlignment(taRightJustify);
  FTextBox->SetLayout(tlCenter);
  FTextBox->SetBounds(scale(2), scale(1), scale(166), scale(17));
  FTextBox->SetCaption("0");
  for (int i = 0; i < 23; ++i) {
    const TFaceButton& f = kFace[i];
    TSpeedButtonEh* b = Create<TCalculatorButtonEh>(this);
    b->SetParent(this);
    b->SetTag(i + 1);
    b->SetCaption(f.Caption);
    b->SetStyle(ebsGlyphEh);
    b->SetFlat(true);
    b->SetActive(true);
    b->SetParentFont(false);
    b->SetFont(Font());
    b->Font()->SetColor(f.Red ? clRed : clBlue);
    b->SetBounds(scale(f.Left), scale(f.Top), scale(f.Width), scale(f.Height));
    b->OnClick = [this](TObject* sender) { SpeedButtonClick(sender); };
    FButtons.push_back(b);
  }
  FEqual = FButtons.back();
  SetBounds(Left(), Top(), FFaceSize.cx + GetNonClientHeight(),
            FFaceSize.cy + GetNonClientHeight());
}

int TCalculatorEh::GetNonClientHeight() { return 0; }

void TCalculatorEh::DrawBorder(TCanvas& canvas) { (void)canvas; }

TSpeedButtonEh* TCalculatorEh::ButtonOfKey(char32_t key) const {
  for (int i = 0; i < 23; ++i) {
    if (kFace[i].Key == key) return FButtons[static_cast<std::size_t>(i)];
  }
  return nullptr;
}

void TCalculatorEh::SpeedButtonClick(TObject* sender) {
  auto* b = dynamic_cast<TComponent*>(sender);
  if (b == nullptr) return;
  int tag = static_cast<int>(b->Tag());
  if (tag >= 1 && tag <= 23) ProcessKey(kFace[tag - 1].Key);
}

void TCalculatorEh::SetDisplay(const std::string& text) {
  FDisplay = text;
  if (FTextBox != nullptr) FTextBox->SetCaption(text);
}

double TCalculatorEh::DisplayValue() const {
  if (FStatus == csErrorEh) return 0;
  double v = 0;
  if (!TryStrToFloat(Trim(FDisplay), v)) return 0;
  return v;
}

double TCalculatorEh::Value() const { return DisplayValue(); }

void TCalculatorEh::SetValue(double value) {
  Clear();
  ShowValue(value);
  UpdateEqualCaption();
}

void TCalculatorEh::ShowValue(double value) {
  if (!std::isfinite(value)) {
    Error();
    return;
  }
  SetDisplay(FormatCalculatorValueEh(value));
}

void TCalculatorEh::Error() {
  FStatus = csErrorEh;
  SetDisplay("Error");
}

void TCalculatorEh::Clear() {
  FStatus = csReadyEh;
  SetDisplay("0");
  FOperator = '=';
  FOperand = 0;
}

void TCalculatorEh::StartEntering() {
  if (FStatus == csReadyEh) {
    FStatus = csEnteringEh;
    SetDisplay("0");
  }
}

void TCalculatorEh::UpdateEqualCaption() {
  bool pending = FOperator == '*' || FOperator == '+' || FOperator == '-' || FOperator == '/';
  FEqualCaption = FStatus == csEnteringEh && FOperand != 0 && pending ? "=" : "Ok";
  if (FEqual != nullptr) FEqual->SetCaption(FEqualCaption);
}

void TCalculatorEh::ProcessKey(char32_t key) {
  key = AnsiUpperCaseChar(key);
  if (FStatus == csErrorEh && key != 'C') return;
  const char32_t sep = static_cast<unsigned char>(FormatSettings.DecimalSeparator);
  if (key == sep || key == ',' || key == '.') {
    StartEntering();
    std::string s(1, FormatSettings.DecimalSeparator);
    if (FDisplay.find(s) == std::string::npos) SetDisplay(FDisplay + s);
  } else if (key >= '0' && key <= '9') {
    StartEntering();
    std::string d = FDisplay == "0" ? std::string() : FDisplay;
    int digits = Length(d) - (!d.empty() && d[0] == '-' ? 1 : 0);
    if (d.find('E') == std::string::npos && digits < 15) d += static_cast<char>(key);
    SetDisplay(d.empty() ? "0" : d);
  } else {
    switch (key) {
      case 8: {
        StartEntering();
        int len = Length(FDisplay);
        if (len == 1 || (len == 2 && FDisplay[0] == '-')) {
          SetDisplay("0");
        } else {
          SetDisplay(Copy(FDisplay, 1, len - 1));
        }
        break;
      }
      case 'C':
      case 27:
      case 'A':  // the Cancel button
        Clear();
        break;
      case 'I':
        if (FDisplay != "0") {
          SetDisplay(FDisplay[0] == '-' ? FDisplay.substr(1) : "-" + FDisplay);
        }
        break;
      case 'R': {
        FStatus = csReadyEh;
        double x = DisplayValue();
        if (x == 0) {
          Error();
        } else {
          ShowValue(1 / x);
        }
        break;
      }
      case 'S': {
        FStatus = csReadyEh;
        double x = DisplayValue();
        if (x < 0) {
          Error();
        } else {
          ShowValue(std::sqrt(x));
        }
        break;
      }
      case 3:
        SetClipboardText(FDisplay);
        break;
      case 22: {
        double v = 0;
        if (TryStrToFloat(Trim(GetClipboardText()), v)) {
          FStatus = csReadyEh;
          ShowValue(v);
        }
        break;
      }
      case '+':
      case '-':
      case '*':
      case '/':
      case '%':
      case '=':
      case 13: {
        if (FStatus == csEnteringEh) {
          FStatus = csReadyEh;
          double x = DisplayValue();
          if (key == '%') {
            if (FOperator == '*' || FOperator == '/') x = x / 100;
            if (FOperator == '+' || FOperator == '-') x = FOperand * x / 100;
          }
          switch (FOperator) {
            case '*':
              ShowValue(FOperand * x);
              break;
            case '+':
              ShowValue(FOperand + x);
              break;
            case '-':
              ShowValue(FOperand - x);
              break;
            case '/':
              if (x == 0) {
                Error();
              } else {
                ShowValue(FOperand / x);
              }
              break;
            default:  // '=', Enter and a pending '%' leave x shown
              ShowValue(x);
              break;
          }
        }
        FOperator = key;
        FOperand = DisplayValue();
        break;
      }
      default:
        break;
    }
  }
  UpdateEqualCaption();
}

void TCalculatorEh::KeyPress(char32_t& key) {
  TCustomControl::KeyPress(key);
  if (key == 0) return;
  ProcessKey(key);
  key = 0;
}

void TCalculatorEh::KeyDown(unsigned& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == VK_DELETE) {
    ProcessKey('C');
    key = 0;
  }
}

void TCalculatorEh::Paint() {
  Canvas()->FillSolidRect(ClientRect(), Color());
  DrawBorder(*Canvas());
}

void TCalculatorEh::WndProc(TMessage& message) {
  if (message.Msg == WM_GETDLGCODE) {
    message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
    return;
  }
  TCustomControl::WndProc(message);
}

// ------------------------------------------------------------ TPopupCalculatorEh

TPopupCalculatorEh::TPopupCalculatorEh(TComponent* owner) : TPopupOwnedEh(owner) {
  SetVisible(false);
  SetTabStop(false);
}

void TPopupCalculatorEh::CreateParams(TCreateParams& params) {
  TCalculatorEh::CreateParams(params);
  PopupCreateParamsEh(params, ParentWindow());
  if (!FCtl3D) params.Style |= WS_BORDER;
}

TSize TPopupCalculatorEh::PopupSize() const {
  return {FaceSize().cx + 2 * BorderWidth(), FaceSize().cy + 2 * BorderWidth()};
}

void TPopupCalculatorEh::ShowAt(const TRect& screenBounds) {
  PopupShowAtEh(*this, OwnerControl(), screenBounds);
}

void TPopupCalculatorEh::CloseUp(bool accept) { CloseUpToOwner(accept, OnCloseUp); }

void TPopupCalculatorEh::SetFlat(bool value) {
  FFlat = value;
  for (TSpeedButtonEh* b : Buttons()) b->SetFlat(value);
}

void TPopupCalculatorEh::ProcessKey(char32_t key) {
  char32_t k = AnsiUpperCaseChar(key);
  if ((k == 13 || k == '=') && EqualCaption() == "Ok" && Status() != csErrorEh) {
    CloseUp(true);
    return;
  }
  if (k == 27 || k == 'A') {
    CloseUp(false);
    return;
  }
  TCalculatorEh::ProcessKey(key);
}

bool TPopupCalculatorEh::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  if (TCalculatorEh::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
  if (Status() != csErrorEh) SetValue(Value() + (wheelDelta < 0 ? -1 : 1));
  return true;
}

void TPopupCalculatorEh::WndProc(TMessage& message) {
  if (PopupWndProcEh(*this, message, [this](bool accept) { CloseUp(accept); })) return;
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
      return;
    case CM_WANTSPECIALKEY: {
      unsigned key = static_cast<unsigned>(message.WParam);
      if (key == VK_RETURN || key == VK_ESCAPE) {
        message.Result = 1;
        return;
      }
      break;
    }
    case WM_KEYDOWN:
      // Enter and Esc act at once; characters arrive as WM_CHAR.
      if (message.WParam == VK_ESCAPE) {
        CloseUp(false);
        return;
      }
      break;
    case CM_DROPDOWNGRIPDIRECTIONEH:
      return;
    default:
      break;
  }
  TCalculatorEh::WndProc(message);
  if (message.Msg == WM_NCCALCSIZE) {
    PopupBorderAfterEh(*this, message, BorderWidth());
  } else if (message.Msg == WM_NCPAINT && FCtl3D) {
    auto* canvas = reinterpret_cast<TCanvas*>(message.WParam);
    if (canvas == nullptr || !HandleAllocated()) return;
    TRect w = GetWindowRect(Handle());
    TRect r = Rect(0, 0, w.Width(), w.Height());
    Frame3D(*canvas, r, cl3DDkShadow, cl3DDkShadow, 1);
    DrawEdge(*canvas, r, BDR_RAISEDINNER, BF_RECT);
  }
}
