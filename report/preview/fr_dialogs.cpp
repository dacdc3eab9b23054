#include "report/preview/fr_dialogs.h"

#include <algorithm>

#include "platform/base/exceptions.h"
#include "platform/base/number_format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/string_table.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/draw_utils.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/messages.h"
#include "platform/gui/services.h"
#include "platform/widgets/printer_setup_dialog.h"
#include "report/fr_engine.h"
#include "report/fr_utils.h"
#include "report/fr_view.h"
#include "report/preview/fr_control_utils.h"

namespace {

enum : int {
  kSearchCaption = 53000,
  kSearchText = 53001,
  kSearchOptions = 53002,
  kSearchCase = 53003,
  kSearchOrigin = 53004,
  kSearchFirst = 53005,
  kSearchCurrent = 53006,
  kPrintCaption = 53040,
  kPrintPrinter = 53041,
  kPrintName = 53042,
  kPrintProperties = 53043,
  kPrintCopies = 53044,
  kPrintNumber = 53045,
  kPrintCollate = 53046,
  kPrintRange = 53047,
  kPrintAll = 53048,
  kPrintCurrent = 53049,
  kPrintPages = 53050,
  kPrintHint = 53051,
  kPrintOk = 53052,
  kPrintAllPages = 53053,
  kPrintOddPages = 53054,
  kPrintEvenPages = 53055,
  kOk = 55000,
  kCancel = 55001,
  kCategoryFirst = 55130,
  kTypeFirst = 55150,
};

const bool kStringsRegistered = RegisterResourceStrings({
    {kSearchCaption, "Find text"},
    {kSearchText, "Text to &find"},
    {kSearchOptions, "Options"},
    {kSearchCase, "&Case sensitive"},
    {kSearchOrigin, "Origin"},
    {kSearchFirst, "&1st page"},
    {kSearchCurrent, "Current &page"},
    {kPrintCaption, "Print"},
    {kPrintPrinter, "Printer"},
    {kPrintName, "Name"},
    {kPrintProperties, "Properties"},
    {kPrintCopies, "Copies"},
    {kPrintNumber, "Number of &copies:"},
    {kPrintCollate, "Co&llate"},
    {kPrintRange, "Page range"},
    {kPrintAll, "&All"},
    {kPrintCurrent, "Current pa&ge"},
    {kPrintPages, "&Pages:"},
    {kPrintHint,
     "Enter page numbers and/or page ranges, separated by commas. For example, 1,3,5-12"},
    {kPrintOk, "P&rint"},
    {kPrintAllPages, "All pages"},
    {kPrintOddPages, "Odd pages"},
    {kPrintEvenPages, "Even pages"},
    {kOk, "OK"},
    {kCancel, "Cancel"},
    {kCategoryFirst + 0, "Text"},
    {kCategoryFirst + 1, "Number"},
    {kCategoryFirst + 2, "Date"},
    {kCategoryFirst + 3, "Time"},
    {kCategoryFirst + 4, "Boolean"},
    {kTypeFirst + 0, "[None]"},
    {kTypeFirst + 5, "1234,5"},
    {kTypeFirst + 6, "1234,50"},
    {kTypeFirst + 7, "1 234,5"},
    {kTypeFirst + 8, "1 234,50"},
    {kTypeFirst + 9, "Custom"},
    {kTypeFirst + 10, "11.15.98"},
    {kTypeFirst + 11, "11.15.1998"},
    {kTypeFirst + 12, "15 nov 1998"},
    {kTypeFirst + 13, "15 november 1998"},
    {kTypeFirst + 14, "Custom"},
    {kTypeFirst + 15, "02:43:35"},
    {kTypeFirst + 16, "2:43:35"},
    {kTypeFirst + 17, "02:43"},
    {kTypeFirst + 18, "2:43"},
    {kTypeFirst + 19, "Custom"},
    {kTypeFirst + 20, "0;1"},
    {kTypeFirst + 21, "No;Yes"},
    {kTypeFirst + 22, "_;x"},
    {kTypeFirst + 23, "False;True"},
    {kTypeFirst + 24, "Custom"},
});

template <class T>
T* Put(TComponent* owner, TWinControl* parent, int left, int top, int width, int height,
       const std::string& caption = {}) {
  T* c = Create<T>(owner);
  c->SetParent(parent);
  c->SetBounds(left, top, width, height);
  if (!caption.empty()) c->SetCaption(caption);
  return c;
}

TButton* PutButton(TForm* form, int left, int top, const std::string& caption,
                   TModalResult result) {
  auto* b = Put<TButton>(form, form, left, top, 75, 25, caption);
  b->SetModalResult(result);
  b->SetDefault(result == mrOk);
  b->SetCancel(result == mrCancel);
  return b;
}

// A small arrow glyph for the copies buttons, pointing up or down.
void MakeArrow(TBitmap& bmp, bool up) {
  bmp.SetSize(7, 4);
  TCanvas& c = *bmp.Canvas();
  c.FillSolidRect(Rect(0, 0, 7, 4), clFuchsia);
  for (int row = 0; row < 4; ++row) {
    const int y = up ? 3 - row : row;
    for (int x = row; x < 7 - row; ++x) c.SetPixels(x, y, clBlack);
  }
  c.SetPixels(0, 3, clFuchsia);
  c.SetPixels(0, 0, clFuchsia);
}

// Three pages printed twice: side by side as the printer will stack them,
// collated (1 2 3, 1 2 3) or not (1 1, 2 2, 3 3).
void DrawCollatePicture(TCanvas& c, const TRect& r, bool collate) {
  c.FillSolidRect(r, clBtnFace);
  const char* labels = collate ? "123123" : "112233";
  const int groupSize = collate ? 3 : 2;
  TCanvasStateSaver saver(c);
  c.Font()->SetName("Arial");
  c.Font()->SetSize(7);
  c.SetBkMode(TRANSPARENT);
  c.Pen()->SetColor(clBtnShadow);
  int x = r.Left + 2;
  for (int i = 0; i < 6; ++i) {
    if (i > 0 && i % groupSize == 0) x += 6;
    c.Brush()->SetColor(clWhite);
    c.Rectangle(x, r.Top + 4, x + 15, r.Top + 24);
    const char text[2] = {labels[i], 0};
    c.TextOut(x + 5, r.Top + 8, text);
    x += 17;
  }
}

}  // namespace

void DrawPrinterPicture(TCanvas& c, TPoint p) {
  TCanvasStateSaver saver(c);
  c.Pen()->SetColor(clBlack);
  // Paper in, the body, the tray.
  c.Brush()->SetColor(clWhite);
  c.Rectangle(p.X + 5, p.Y + 1, p.X + 13, p.Y + 7);
  c.Brush()->SetColor(clSilver);
  c.Rectangle(p.X + 1, p.Y + 6, p.X + 17, p.Y + 13);
  c.Brush()->SetColor(clGray);
  c.Rectangle(p.X + 3, p.Y + 12, p.X + 15, p.Y + 15);
  c.FillSolidRect(Rect(p.X + 13, p.Y + 8, p.X + 15, p.Y + 10), clLime);
}

// --- TfrPrintForm ----------------------------------------------------------------

TfrPrintForm::TfrPrintForm(TComponent* owner) : TForm(owner) {
  SetCaption(LoadStr(kPrintCaption));
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(392);
  SetClientHeight(262);

  auto* printer = Put<TGroupBox>(this, this, 8, 4, 376, 56, LoadStr(kPrintPrinter));
  Put<TLabel>(this, printer, 10, 26, 40, 16, LoadStr(kPrintName));
  PrinterList = Put<TComboBox>(this, printer, 52, 22, 218, 22);
  PrinterList->SetStyle(csOwnerDrawFixed);
  PrinterList->SetItemHeight(18);
  PrinterList->OnDrawItem = [this](TWinControl*, int index, TRect rect, TOwnerDrawState state) {
    TCanvas& c = *PrinterList->Canvas();
    const bool selected = state.Contains(odSelected);
    c.Brush()->SetColor(selected ? clHighlight : clWindow);
    c.FillRect(rect);
    if (index < 0 || index >= PrinterList->Items()->Count()) return;
    DrawPrinterPicture(c, {rect.Left + 2, rect.Top + (rect.Height() - 16) / 2});
    c.Font()->SetColor(selected ? clHighlightText : clWindowText);
    c.SetBkMode(TRANSPARENT);
    TRect text = rect;
    text.Left += 24;
    DrawText(c, PrinterList->Items()->Get(index), text,
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  };
  PrinterList->OnChange = [this](TObject*) {
    frPrinter().SetPrinterIndex(PrinterList->ItemIndex());
  };
  PropertiesButton = Put<TButton>(this, printer, 280, 20, 86, 25, LoadStr(kPrintProperties));
  PropertiesButton->OnClick = [](TObject*) { frPrinter().PropertiesDialog(); };

  auto* range = Put<TGroupBox>(this, this, 8, 66, 216, 148, LoadStr(kPrintRange));
  AllButton = Put<TRadioButton>(this, range, 10, 22, 190, 18, LoadStr(kPrintAll));
  AllButton->SetChecked(true);
  CurrentButton = Put<TRadioButton>(this, range, 10, 44, 190, 18, LoadStr(kPrintCurrent));
  PagesButton = Put<TRadioButton>(this, range, 10, 66, 70, 18, LoadStr(kPrintPages));
  PagesEdit = Put<TEdit>(this, range, 82, 64, 122, 22);
  PagesEdit->OnEnter = [this](TObject*) { PagesButton->SetChecked(true); };
  auto* hint = Put<TLabel>(this, range, 10, 92, 196, 48, LoadStr(kPrintHint));
  hint->SetAutoSize(false);
  hint->SetWordWrap(true);
  hint->SetBounds(10, 92, 196, 48);

  auto* copies = Put<TGroupBox>(this, this, 232, 66, 152, 148, LoadStr(kPrintCopies));
  auto* number = Put<TLabel>(this, copies, 10, 26, 96, 16, LoadStr(kPrintNumber));
  CopiesEdit = Put<TEdit>(this, copies, 108, 22, 26, 22);
  number->SetFocusControl(CopiesEdit);
  CopiesEdit->SetText("1");
  CopiesUp = Put<TfrSpeedButton>(this, copies, 134, 22, 12, 11);
  CopiesDown = Put<TfrSpeedButton>(this, copies, 134, 33, 12, 11);
  TBitmap arrow;
  MakeArrow(arrow, true);
  CopiesUp->SetGlyph(&arrow);
  MakeArrow(arrow, false);
  CopiesDown->SetGlyph(&arrow);
  CopiesUp->SetGrayedInactive(false);
  CopiesDown->SetGrayedInactive(false);
  CopiesUp->OnClick = [this](TObject*) { SetCopies(Copies() + 1); };
  CopiesDown->OnClick = [this](TObject*) { SetCopies(Copies() - 1); };
  CollatePicture = Put<TfrPicture>(this, copies, 8, 56, 136, 30);
  CollatePicture->OnPaint = [this](TCanvas& c, const TRect& r) {
    DrawCollatePicture(c, r, Collate());
  };
  CollateBox = Put<TCheckBox>(this, copies, 10, 100, 130, 18, LoadStr(kPrintCollate));
  CollateBox->SetChecked(true);
  CollateBox->OnClick = [this](TObject*) { CollatePicture->Invalidate(); };

  PrintPagesBox = Put<TComboBox>(this, this, 8, 226, 150, 22);
  PrintPagesBox->SetStyle(csDropDownList);
  for (int id : {kPrintAllPages, kPrintOddPages, kPrintEvenPages})
    PrintPagesBox->Items()->Add(LoadStr(id));
  PrintPagesBox->SetItemIndex(0);

  OkButton = PutButton(this, 226, 226, LoadStr(kPrintOk), mrOk);
  CancelButton = PutButton(this, 309, 226, LoadStr(kCancel), mrCancel);
  FillPrinters();
}

void TfrPrintForm::FillPrinters() {
  PrinterList->Items()->Clear();
  for (const std::string& name : frPrinter().Printers()) PrinterList->Items()->Add(name);
  PrinterList->SetItemIndex(frPrinter().PrinterIndex());
}

void TfrPrintForm::DoShow() {
  FillPrinters();
  TForm::DoShow();
}

void TfrPrintForm::SetDocument(int pageCount, int currentPage) {
  FPageCount = pageCount;
  FCurrentPage = currentPage;
}

bool TfrPrintForm::CloseQuery() {
  if (ModalResult() == mrOk && FPageCount > 0) {
    // Refused here, before a file is asked for or a job starts, so the
    // range can be put right.
    std::string refusal;
    try {
      if (PagesToPrint(Request(FCurrentPage), FPageCount).empty()) refusal = kfrNoPageInRange;
    } catch (const EConvertError& e) {
      refusal = e.Message();
    }
    if (!refusal.empty()) {
      ShowMessageBox(refusal, Caption(), MB_OK | MB_ICONWARNING);
      return false;
    }
  }
  return TForm::CloseQuery();
}

int TfrPrintForm::Copies() const { return std::max(1, StrToIntDef(CopiesEdit->Text(), 1)); }

void TfrPrintForm::SetCopies(int value) { CopiesEdit->SetText(std::to_string(std::max(1, value))); }

TfrPageRange TfrPrintForm::PageRange() const {
  if (CurrentButton->Checked()) return prCurrent;
  if (PagesButton->Checked()) return prPages;
  return prAll;
}

TfrPrintPages TfrPrintForm::PrintPages() const {
  return static_cast<TfrPrintPages>(std::clamp(PrintPagesBox->ItemIndex(), 0, 2));
}

TfrPrintRequest TfrPrintForm::Request(int currentPage) const {
  TfrPrintRequest r;
  r.Copies = Copies();
  r.Collate = Collate();
  r.PrintPages = PrintPages();
  if (PageRange() == prCurrent) r.PageNumbers = std::to_string(currentPage);
  if (PageRange() == prPages) r.PageNumbers = PageNumbers();
  return r;
}

// --- TfrProgressForm --------------------------------------------------------------

namespace {
int ProgressRunning = 0;
}

TfrProgressForm::TfrProgressForm(TComponent* owner) : TForm(owner) {
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(300);
  SetClientHeight(88);
  Label = Put<TLabel>(this, this, 12, 16, 276, 16);
  Label->SetAutoSize(false);
  Label->SetAlignment(taCenter);
  CancelButton = Put<TButton>(this, this, 112, 50, 75, 25, LoadStr(kCancel));
  CancelButton->SetCancel(true);
  CancelButton->OnClick = [this](TObject*) {
    if (FReport != nullptr) FReport->Terminated = true;
    SetModalResult(mrCancel);
  };
}

bool TfrProgressForm::Running() { return ProgressRunning > 0; }

TModalResult TfrProgressForm::Show(TfrReportBase* report, const std::string& caption,
                                   std::function<void()> work) {
  if (Running()) return mrCancel;
  FReport = report;
  FWork = std::move(work);
  SetCaption(caption);
  Label->SetCaption("");
  PostMessage(Handle(), kfrProgressStart, 0, 0);
  return ShowModal();
}

void TfrProgressForm::WndProc(TMessage& message) {
  if (message.Msg != kfrProgressStart) {
    TForm::WndProc(message);
    return;
  }
  try {
    TDepthGuard running(ProgressRunning);
    if (FWork) FWork();
  } catch (...) {
    SetModalResult(mrCancel);
    throw;
  }
  const bool cancelled = FReport != nullptr && FReport->Terminated;
  SetModalResult(cancelled ? mrCancel : mrOk);
}

// --- TfrPreviewSearchForm ---------------------------------------------------------

TfrPreviewSearchForm::TfrPreviewSearchForm(TComponent* owner) : TForm(owner) {
  SetCaption(LoadStr(kSearchCaption));
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(300);
  SetClientHeight(170);
  auto* label = Put<TLabel>(this, this, 8, 10, 284, 16, LoadStr(kSearchText));
  TextEdit = Put<TEdit>(this, this, 8, 28, 284, 22);
  label->SetFocusControl(TextEdit);
  auto* options = Put<TGroupBox>(this, this, 8, 58, 136, 70, LoadStr(kSearchOptions));
  CaseBox = Put<TCheckBox>(this, options, 10, 26, 120, 18, LoadStr(kSearchCase));
  auto* origin = Put<TGroupBox>(this, this, 152, 58, 140, 70, LoadStr(kSearchOrigin));
  FirstPageButton = Put<TRadioButton>(this, origin, 10, 22, 124, 18, LoadStr(kSearchFirst));
  CurrentPageButton = Put<TRadioButton>(this, origin, 10, 44, 124, 18, LoadStr(kSearchCurrent));
  FirstPageButton->SetChecked(true);
  OkButton = PutButton(this, 136, 138, LoadStr(kOk), mrOk);
  CancelButton = PutButton(this, 217, 138, LoadStr(kCancel), mrCancel);
  SetActiveControl(TextEdit);
}

// --- TfrFmtForm ---------------------------------------------------------------------

std::int32_t frMakeFormat(int category, int type, int digits, const std::string& separator) {
  const unsigned char sep = separator.empty() ? ',' : static_cast<unsigned char>(separator[0]);
  return (category << 24) + (type << 16) + ((digits & 0xFF) << 8) + sep;
}

std::vector<std::string> frFormatTypes(int category) {
  std::vector<std::string> types;
  for (int i = 0; i < 5; ++i) {
    std::string s = LoadStr(kTypeFirst + 5 * category + i);
    if (!s.empty()) types.push_back(std::move(s));
  }
  return types;
}

TfrFmtForm::TfrFmtForm(TComponent* owner) : TForm(owner) {
  SetCaption("Format");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(330);
  SetClientHeight(214);
  CategoryBox = Put<TComboBox>(this, this, 8, 8, 120, 22);
  CategoryBox->SetStyle(csDropDownList);
  for (int i = 0; i < 5; ++i) CategoryBox->Items()->Add(LoadStr(kCategoryFirst + i));
  TypeBox = Put<TComboBox>(this, this, 136, 8, 186, 22);
  TypeBox->SetStyle(csDropDownList);
  CategoryBox->OnChange = [this](TObject*) {
    FillTypes();
    UpdateEnabled();
  };
  TypeBox->OnChange = [this](TObject*) { UpdateEnabled(); };
  DigitsLabel = Put<TLabel>(this, this, 8, 48, 120, 16, "Decimal digits");
  DigitsEdit = Put<TEdit>(this, this, 136, 44, 40, 22);
  SeparatorLabel = Put<TLabel>(this, this, 8, 78, 120, 16, "Frac delimiter");
  SeparatorEdit = Put<TEdit>(this, this, 136, 74, 40, 22);
  SeparatorEdit->SetMaxLength(1);
  CustomLabel = Put<TLabel>(this, this, 8, 108, 120, 16, "Format string");
  CustomEdit = Put<TEdit>(this, this, 136, 104, 186, 22);
  OkButton = PutButton(this, 166, 180, LoadStr(kOk), mrOk);
  CancelButton = PutButton(this, 247, 180, LoadStr(kCancel), mrCancel);
  CategoryBox->SetItemIndex(0);
  FillTypes();
  UpdateEnabled();
}

void TfrFmtForm::FillTypes() {
  TypeBox->Items()->Clear();
  for (const std::string& s : frFormatTypes(std::max(0, CategoryBox->ItemIndex())))
    TypeBox->Items()->Add(s);
  TypeBox->SetItemIndex(0);
}

bool TfrFmtForm::IsCustom() const {
  return CategoryBox->ItemIndex() > 0 && TypeBox->ItemIndex() == 4;
}

void TfrFmtForm::UpdateEnabled() {
  const bool number = CategoryBox->ItemIndex() == 1 && !IsCustom();
  SetControlsEnabled({DigitsLabel, DigitsEdit, SeparatorLabel, SeparatorEdit}, number);
  SetControlsEnabled({CustomLabel, CustomEdit}, IsCustom());
}

void TfrFmtForm::Load(std::int32_t format, const std::string& formatStr) {
  CategoryBox->SetItemIndex(std::min(frFormatCategory(format), 4));
  FillTypes();
  const int type = frFormatType(format);
  TypeBox->SetItemIndex(type < TypeBox->Items()->Count() ? type : 0);
  DigitsEdit->SetText(std::to_string((format >> 8) & 0xFF));
  const char sep = static_cast<char>(format & 0xFF);
  SeparatorEdit->SetText(sep >= ' ' && static_cast<unsigned char>(sep) < 0x80 ? std::string(1, sep)
                                                                              : ",");
  CustomEdit->SetText(formatStr);
  UpdateEnabled();
}

std::int32_t TfrFmtForm::Result() const {
  const int digits = std::clamp(StrToIntDef(DigitsEdit->Text(), 0), 0, 255);
  return frMakeFormat(std::max(0, CategoryBox->ItemIndex()), std::max(0, TypeBox->ItemIndex()),
                      digits, SeparatorEdit->Text());
}

bool TfrFmtForm::Execute(TfrView* view) {
  Load(view->Format, view->FormatStr);
  if (ShowModal() != mrOk) return false;
  view->Format = Result();
  if (IsCustom()) view->FormatStr = ResultFormatStr();
  return true;
}

// The page set-up stands in for a driver's document properties.
namespace {
const bool kPropertiesInstalled = [] {
  TfrPrinter::PropertiesHandler() = [](TPrinter& printer) {
    return ExecutePrinterSetupDialog(printer);
  };
  return true;
}();
}  // namespace
