#include "register/about_box.h"

#include <algorithm>

#include "platform/draw/bitmap.h"
#include "platform/draw/cursors.h"
#include "platform/gui/services.h"
#include "register/program_version.h"

namespace {
constexpr int kMinClientWidth = 360;
constexpr int kRightMargin = 15;
constexpr int kPictureSize = 64;
constexpr int kTextLeft = 16 + kPictureSize + 16;
constexpr int kValueLeft = kTextLeft + 168;

// The product picture: a register sheet with its ruled lines and the
// round stamp of the coupon paid, drawn once into a bitmap.
void DrawProductPicture(TBitmap& bitmap) {
  bitmap.SetSize(kPictureSize, kPictureSize);
  TCanvas& c = *bitmap.Canvas();
  // Fuchsia is the transparent colour (the bottom-left pixel's).
  c.FillSolidRect(TRect{0, 0, kPictureSize, kPictureSize}, clFuchsia);
  // The sheet, with a shadow.
  c.Pen()->SetColor(clGray);
  c.Brush()->SetColor(TColor{0xB0B0B0});
  c.Rectangle(12, 6, 56, 62);
  c.Brush()->SetColor(clWhite);
  c.Pen()->SetColor(TColor{0x606060});
  c.Rectangle(8, 2, 52, 58);
  // The title bar and the ruled rows of the register.
  c.FillSolidRect(TRect{13, 7, 47, 12}, TColor{0xA05020});
  for (int y = 17; y <= 49; y += 6) {
    c.FillSolidRect(TRect{13, y, 47, y + 2}, TColor{0xC8C8C8});
    c.FillSolidRect(TRect{13, y, 17, y + 2}, TColor{0x808080});
  }
  // The stamp: a red ring with a tick.
  c.Pen()->SetColor(TColor{0x2020C0});
  c.Pen()->SetWidth(2);
  c.Brush()->SetColor(TColor{0xE8E8FF});
  c.Ellipse(32, 34, 62, 64);
  c.Polyline({{40, 49}, {45, 55}, {55, 42}});
}

TLabel* MakeLabel(TAboutBox* box, const char* name, const std::string& caption, int left, int top) {
  TLabel* label = Create<TLabel>(box);
  if (*name != 0) label->SetName(name);
  label->SetParent(box);
  label->SetAutoSize(true);
  label->SetCaption(caption);
  label->SetLeft(left);
  label->SetTop(top);
  return label;
}

// A label that opens `scheme` + its text through the desktop.
void MakeLink(TLabel* label, const char* scheme) {
  label->SetCursor(crHandPoint);
  label->Font()->SetColor(clBlue);
  label->Font()->SetStyle(TFontStyles{fsUnderline});
  label->OnClick = [label, scheme](TObject*) {
    if (!label->Caption().empty()) OpenDocument(scheme + label->Caption());
  };
}
}  // namespace

TAboutBox::TAboutBox(TComponent* owner) : TForm(owner) {
  SetName("AboutBox");
  SetCaption("О программе ...");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(kMinClientWidth);
  SetClientHeight(270);

  Picture = Create<TImage>(this);
  Picture->SetName("ProgramIcon");
  Picture->SetParent(this);
  Picture->SetBounds(16, 12, kPictureSize, kPictureSize);
  DrawProductPicture(*Picture->Picture()->Bitmap());
  Picture->SetTransparent(true);

  InternalName = MakeLabel(this, "InternalName", GetVersionValue("InternalName"), kTextLeft, 12);
  TFont bold;
  bold.Assign(InternalName->Font());
  bold.SetStyle(TFontStyles{fsBold});
  bold.SetSize(12);
  InternalName->SetFont(&bold);
  MakeLabel(this, "", "Версия:", kTextLeft, 44);
  Version = MakeLabel(this, "Version", GetFileVersion(), kValueLeft, 44);
  FProgrammerCaption = MakeLabel(this, "", "Ведущий разработчик:", kTextLeft, 66);
  Programmer = MakeLabel(this, "Programmer", GetVersionValue("Programmer"), kValueLeft, 66);
  FEmailCaption = MakeLabel(this, "", "E-mail:", kTextLeft, 88);
  Email = MakeLabel(this, "Email", GetVersionValue("E-mail"), kValueLeft, 88);
  MakeLink(Email, "mailto:");
  FWwwCaption = MakeLabel(this, "", "Поисково-мониторинговая система:", kTextLeft, 110);
  www = MakeLabel(this, "www", "", kTextLeft, 130);
  MakeLink(www, "http://");

  Memo = Create<TMemo>(this);
  Memo->SetParent(this);
  Memo->SetReadOnly(true);
  Memo->SetWordWrap(true);
  Memo->SetBounds(16, 156, kMinClientWidth - 32, 66);
  Memo->SetAnchors(TAnchors{akLeft, akTop, akRight});
  Memo->SetTabStop(false);
  Memo->Lines()->Add(
      "Реестры талонов родовых сертификатов женской консультации: ведение, печать и обмен "
      "данными с фондом социального страхования.");

  btOk = Create<TButton>(this);
  btOk->SetParent(this);
  btOk->SetCaption("OK");
  btOk->SetDefault(true);
  btOk->SetCancel(true);
  btOk->SetModalResult(mrOk);
  btOk->SetBounds((kMinClientWidth - 80) / 2, 232, 80, 27);
  SetActiveControl(btOk);
  ArrangeRows();
  FitWidth();
}

void TAboutBox::ArrangeRows() {
  struct TRow {
    TLabel* Caption;
    TLabel* Value;
    int ValueLeft;  // 0: the value has a line of its own
  };
  int top = 66;
  for (const TRow& row : {TRow{FProgrammerCaption, Programmer, kValueLeft},
                          TRow{FEmailCaption, Email, kValueLeft}, TRow{FWwwCaption, www, 0}}) {
    const bool shown = !row.Value->Caption().empty();
    row.Caption->SetVisible(shown);
    row.Value->SetVisible(shown);
    if (!shown) continue;
    row.Caption->SetTop(top);
    if (row.ValueLeft == 0) top += 20;
    row.Value->SetTop(top);
    top += 22;
  }
  top = std::max(top, Picture->Top() + Picture->Height()) + 4;
  Memo->SetTop(top);
  btOk->SetTop(Memo->Top() + Memo->Height() + 10);
  SetClientHeight(btOk->Top() + btOk->Height() + 11);
}

void TAboutBox::FitWidth() {
  int right = 0;
  for (TLabel* label : {Version, InternalName, Programmer, Email})
    right = std::max(right, label->Left() + label->Width());
  SetClientWidth(std::max(kMinClientWidth, right + kRightMargin));
  btOk->SetLeft((ClientWidth() - btOk->Width()) / 2);
}

void ShowAboutBox(TComponent* owner) {
  TObjectPtr<TAboutBox> box(Create<TAboutBox>(owner));
  box->ShowModal();
}
