#include "platform/widgets/message_dialog.h"

#include <algorithm>
#include <iostream>
#include <vector>

#include "platform/draw/draw_text.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/services.h"
#include "platform/gui/window.h"
#include "platform/widgets/std_buttons.h"
#include "platform/widgets/std_edit.h"
#include "platform/widgets/std_labels.h"

namespace {

constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kIconGap = 12;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 8;
// Room a title bar takes beside its caption (icon, buttons, padding).
constexpr int kCaptionAllowance = 120;

enum class TIconKind { None, Error, Question, Warning, Information };

struct TButtonSpec {
  const char* Caption;
  int Result;
};

// Our icons, drawn in a 32 x 32 box: a red disc with a white cross, a blue
// disc with "?" or "i", a yellow triangle with "!".
void DrawMessageIcon(TCanvas& canvas, TIconKind kind, TPoint at) {
  if (kind == TIconKind::None) return;
  TCanvasStateSaver saver(canvas);
  TRect box = Bounds(at.X, at.Y, kIconSize, kIconSize);
  canvas.Pen()->SetWidth(1);
  TColor glyphColor = clWhite;
  if (kind == TIconKind::Warning) {
    canvas.Brush()->SetColor(RGB(0xF2, 0xC0, 0x1E));
    canvas.Pen()->SetColor(RGB(0xB0, 0x86, 0x00));
    canvas.Polygon({{box.Left + kIconSize / 2, box.Top + 1},
                    {box.Right - 1, box.Bottom - 2},
                    {box.Left, box.Bottom - 2}});
    glyphColor = clBlack;
  } else {
    TColor fill = kind == TIconKind::Error ? RGB(0xD9, 0x30, 0x25) : RGB(0x2A, 0x6E, 0xD0);
    canvas.Brush()->SetColor(fill);
    canvas.Pen()->SetColor(fill);
    canvas.Ellipse(box);
  }
  if (kind == TIconKind::Error) {
    canvas.Pen()->SetColor(clWhite);
    canvas.Pen()->SetWidth(3);
    TRect c = box;
    InflateRect(c, -10, -10);
    canvas.MoveTo(c.Left, c.Top);
    canvas.LineTo(c.Right, c.Bottom);
    canvas.MoveTo(c.Right, c.Top);
    canvas.LineTo(c.Left, c.Bottom);
    return;
  }
  const char* glyph = kind == TIconKind::Question ? "?" : kind == TIconKind::Warning ? "!" : "i";
  canvas.Font()->SetName("Arial");
  canvas.Font()->SetHeight(-20);
  canvas.Font()->SetStyle({fsBold});
  canvas.Font()->SetColor(glyphColor);
  canvas.SetBkMode(TRANSPARENT);
  TRect r = box;
  if (kind == TIconKind::Warning) r.Top += 6;
  DrawText(canvas, glyph, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// The message form: icon and text painted by the form, a row of buttons.
// Everything about its layout is here.
class TMessageForm final : public TForm {
  MEBRATH_CLASS(TMessageForm, TForm)
 public:
  // `escapeResult` 0: Esc and closing do nothing.
  void Build(const std::string& text, const std::string& caption, TIconKind icon,
             const std::vector<TButtonSpec>& buttons, int defaultIndex, int escapeResult) {
    SetCaption(caption);
    FText = text;
    FIcon = icon;
    FEscapeResult = escapeResult;
    TCanvas& canvas = MeasureCanvas();
    TCanvasStateSaver saver(canvas);
    canvas.SetFont(Font());
    FTextRect = Rect(0, 0, kMessageTextWidth, 0);
    DrawText(canvas, FText, FTextRect, kTextFlags | DT_CALCRECT);
    int left = kMargin + (icon != TIconKind::None ? kIconSize + kIconGap : 0);
    int contentHeight = std::max(FTextRect.Height(), icon != TIconKind::None ? kIconSize : 0);
    // Centre a short text on the icon.
    int textTop = kMargin + std::max(0, (contentHeight - FTextRect.Height()) / 2);
    OffsetRect(FTextRect, left, textTop);
    int count = static_cast<int>(buttons.size());
    int rowWidth = count * kButtonWidth + (count - 1) * kButtonGap;
    int width = std::max(FTextRect.Right + kMargin, rowWidth + 2 * kMargin);
    // The title bar shows the whole caption in its own font beside the
    // window manager's icon and buttons, as far as the screen allows.
    const int frame = Width() - ClientWidth();
    const int widest = Screen->WorkAreaRect().Width() - frame;
    width = std::max(width, std::min(TitleBarTextWidth(caption) + kCaptionAllowance, widest));
    int buttonTop = kMargin + contentHeight + kMargin + 4;
    SetClientWidth(width);
    SetClientHeight(buttonTop + kButtonHeight + kMargin);
    int x = (width - rowWidth) / 2;
    for (int i = 0; i < count; ++i) {
      TButton* button = Create<TButton>(this);
      button->SetParent(this);
      button->SetBounds(x, buttonTop, kButtonWidth, kButtonHeight);
      button->SetCaption(buttons[i].Caption);
      button->SetModalResult(buttons[i].Result);
      button->SetDefault(i == defaultIndex);
      button->SetCancel(buttons[i].Result == escapeResult);
      if (i == defaultIndex) SetActiveControl(button);
      x += kButtonWidth + kButtonGap;
    }
  }

  // Closing the window (mrCancel without a Cancel button) means the
  // escape answer; a box without one can only be answered by a button.
  bool CloseQuery() override {
    bool closing = ModalResult() == mrCancel && FEscapeResult != IDCANCEL;
    if (closing && FEscapeResult == 0) return false;
    return TForm::CloseQuery();
  }
  TModalResult ShowModal() override {
    TModalResult result = TForm::ShowModal();
    // Close gives mrCancel; the box means its escape answer.
    if (result == mrCancel && FEscapeResult != 0) result = FEscapeResult;
    return result;
  }

 protected:
  explicit TMessageForm(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
  }
  void PaintWindow(TCanvas& canvas) override {
    TForm::PaintWindow(canvas);
    TCanvasStateSaver saver(canvas);
    DrawMessageIcon(canvas, FIcon, {kMargin, kMargin});
    canvas.SetFont(Font());
    canvas.SetBkMode(TRANSPARENT);
    TRect r = FTextRect;
    DrawText(canvas, FText, r, kTextFlags);
  }

 private:
  static constexpr unsigned kTextFlags = DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | DT_LEFT;

  std::string FText;
  TRect FTextRect;
  TIconKind FIcon = TIconKind::None;
  int FEscapeResult = 0;
};

TIconKind IconOfFlags(unsigned flags) {
  switch (flags & 0xF0) {
    case MB_ICONERROR:
      return TIconKind::Error;
    case MB_ICONQUESTION:
      return TIconKind::Question;
    case MB_ICONWARNING:
      return TIconKind::Warning;
    case MB_ICONINFORMATION:
      return TIconKind::Information;
    default:
      return TIconKind::None;
  }
}

constexpr TButtonSpec kOk{"ОК", IDOK};
constexpr TButtonSpec kCancel{"Отмена", IDCANCEL};
constexpr TButtonSpec kYes{"Да", IDYES};
constexpr TButtonSpec kNo{"Нет", IDNO};
constexpr TButtonSpec kAbort{"Прервать", IDABORT};
constexpr TButtonSpec kRetry{"Повтор", IDRETRY};
constexpr TButtonSpec kIgnore{"Пропустить", IDIGNORE};
constexpr TButtonSpec kAll{"Все", mrAll};

TMessageDlgHandler gMessageDlg;
TInputQueryHandler gInputQuery;

struct TDlgButtons {
  std::vector<TButtonSpec> Buttons;
  int Default = 0;
  int Escape = 0;
};

TDlgButtons DlgButtons(TMsgDlgButtons set) {
  static constexpr TButtonSpec kOrder[] = {kYes, kNo, kOk, kCancel, kAbort, kRetry, kIgnore, kAll};
  TDlgButtons r;
  for (TMsgDlgBtn b : set) r.Buttons.push_back(kOrder[b]);
  if (r.Buttons.empty()) r.Buttons.push_back(kOk);
  auto index = [&](int result) {
    for (std::size_t i = 0; i < r.Buttons.size(); ++i)
      if (r.Buttons[i].Result == result) return static_cast<int>(i);
    return -1;
  };
  r.Default = std::max({index(mrOk) >= 0 ? index(mrOk) : index(mrYes), 0});
  for (int result : {mrCancel, mrNo, mrOk}) {
    if (index(result) >= 0) {
      r.Escape = result;
      break;
    }
  }
  return r;
}

class TInputQueryForm final : public TForm {
  MEBRATH_CLASS(TInputQueryForm, TForm)
 public:
  void Build(const std::string& caption, const std::string& prompt, const std::string& value) {
    SetCaption(caption);
    constexpr int kWidth = 300;
    TLabel* label = Create<TLabel>(this);
    label->SetParent(this);
    label->SetCaption(prompt);
    label->SetBounds(kMargin, kMargin, kWidth, label->Height());
    FEdit = Create<TEdit>(this);
    FEdit->SetParent(this);
    FEdit->SetBounds(kMargin, label->Top() + label->Height() + 4, kWidth, 23);
    FEdit->SetText(value);
    FEdit->SelectAll();
    label->SetFocusControl(FEdit);
    int buttonTop = FEdit->Top() + FEdit->Height() + kMargin;
    int x = kMargin + kWidth - 2 * kButtonWidth - kButtonGap;
    for (TButtonSpec spec : {kOk, kCancel}) {
      TButton* button = Create<TButton>(this);
      button->SetParent(this);
      button->SetBounds(x, buttonTop, kButtonWidth, kButtonHeight);
      button->SetCaption(spec.Caption);
      button->SetModalResult(spec.Result);
      button->SetDefault(spec.Result == mrOk);
      button->SetCancel(spec.Result == mrCancel);
      x += kButtonWidth + kButtonGap;
    }
    SetClientWidth(kWidth + 2 * kMargin);
    SetClientHeight(buttonTop + kButtonHeight + kMargin);
    SetActiveControl(FEdit);
  }
  TEdit* Edit() const { return FEdit; }

 protected:
  explicit TInputQueryForm(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
  }

 private:
  TEdit* FEdit = nullptr;
};

// Shows a dialog made by Create...Dialog and frees it.
int RunDialog(TCustomForm* form) {
  std::unique_ptr<TCustomForm, void (*)(TCustomForm*)> holder(form,
                                                              [](TCustomForm* f) { f->Free(); });
  return form->ShowModal();
}

}  // namespace

TCustomForm* CreateMessageDialog(const std::string& text, const std::string& caption,
                                 unsigned flags) {
  std::vector<TButtonSpec> buttons;
  int escape = 0;
  switch (flags & 0x0F) {
    case MB_OKCANCEL:
      buttons = {kOk, kCancel};
      escape = IDCANCEL;
      break;
    case MB_ABORTRETRYIGNORE:
      buttons = {kAbort, kRetry, kIgnore};
      break;
    case MB_YESNOCANCEL:
      buttons = {kYes, kNo, kCancel};
      escape = IDCANCEL;
      break;
    case MB_YESNO:
      buttons = {kYes, kNo};
      break;
    case MB_RETRYCANCEL:
      buttons = {kRetry, kCancel};
      escape = IDCANCEL;
      break;
    default:
      buttons = {kOk};
      escape = IDOK;
      break;
  }
  int def = static_cast<int>((flags >> 8) & 0x0F);
  if (def >= static_cast<int>(buttons.size())) def = 0;
  TObjectPtr<TMessageForm> form(Create<TMessageForm>(nullptr));
  form->Build(text, caption, IconOfFlags(flags), buttons, def, escape);
  return form.release();
}

TCustomForm* CreateMessageDialog(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
                                 const std::string& caption) {
  static constexpr TIconKind kIcons[] = {TIconKind::Warning, TIconKind::Error,
                                         TIconKind::Information, TIconKind::Question,
                                         TIconKind::None};
  TDlgButtons spec = DlgButtons(buttons);
  TObjectPtr<TMessageForm> form(Create<TMessageForm>(nullptr));
  form->Build(text, caption.empty() ? Application->Title() : caption, kIcons[type], spec.Buttons,
              spec.Default, spec.Escape);
  return form.release();
}

int MessageBoxForm(const std::string& text, const std::string& caption, unsigned flags) {
  return RunDialog(CreateMessageDialog(text, caption, flags));
}

void InstallMessageDialogs() { SetMessageBoxHandler(&MessageBoxForm); }

void SetMessageDlgHandler(TMessageDlgHandler handler) { gMessageDlg = std::move(handler); }

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons, int) {
  if (gMessageDlg) return gMessageDlg(text, type, buttons);
  if (GuiHost() == nullptr) {
    std::cerr << Application->Title() << ": " << text << '\n';
    TDlgButtons spec = DlgButtons(buttons);
    return spec.Buttons[static_cast<std::size_t>(spec.Default)].Result;
  }
  return RunDialog(CreateMessageDialog(text, type, buttons));
}

void SetInputQueryHandler(TInputQueryHandler handler) { gInputQuery = std::move(handler); }

TCustomForm* CreateInputQueryDialog(const std::string& caption, const std::string& prompt,
                                    const std::string& value) {
  TObjectPtr<TInputQueryForm> form(Create<TInputQueryForm>(nullptr));
  form->Build(caption, prompt, value);
  return form.release();
}

std::string InputQueryText(TCustomForm* dialog) {
  return static_cast<TInputQueryForm*>(dialog)->Edit()->Text();
}

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  if (gInputQuery) return gInputQuery(caption, prompt, value);
  if (GuiHost() == nullptr) return false;
  TCustomForm* form = CreateInputQueryDialog(caption, prompt, value);
  std::unique_ptr<TCustomForm, void (*)(TCustomForm*)> holder(form,
                                                              [](TCustomForm* f) { f->Free(); });
  if (form->ShowModal() != mrOk) return false;
  value = InputQueryText(form);
  return true;
}

std::string InputBox(const std::string& caption, const std::string& prompt,
                     const std::string& defaultValue) {
  std::string value = defaultValue;
  return InputQuery(caption, prompt, value) ? value : defaultValue;
}
