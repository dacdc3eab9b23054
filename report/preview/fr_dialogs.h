// The report engine's small modal windows: the print dialog, the progress
// window, the preview's find dialog and the display-format dialog. Their
// texts are engine strings, set when each window is made. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/gui/forms.h"
#include "platform/widgets/std_buttons.h"
#include "platform/widgets/std_combo.h"
#include "platform/widgets/std_edit.h"
#include "platform/widgets/std_labels.h"
#include "platform/widgets/std_panels.h"
#include "report/fr_printer.h"
#include "report/preview/fr_ctrls.h"

class TfrReportBase;
class TfrView;

// A small picture drawn by a function (the printer and collation
// pictures).
class TfrPicture : public TGraphicControl {
  MEBRATH_CLASS(TfrPicture, TGraphicControl)
 public:
  std::function<void(TCanvas& canvas, const TRect& rect)> OnPaint;

 protected:
  explicit TfrPicture(TComponent* owner) : TGraphicControl(owner) {}
  void Paint() override {
    if (OnPaint) OnPaint(*Canvas(), ClientRect());
  }
};

// The printer picture of the print dialog's list, 18 x 16 at `pos`.
void DrawPrinterPicture(TCanvas& canvas, TPoint pos);

enum TfrPageRange { prAll, prCurrent, prPages };

// What the print dialog says when its choices name no page to print.
inline constexpr const char* kfrNoPageInRange = "Указанный диапазон не содержит ни одной страницы.";

// The print dialog. The printer chosen in its list is selected at once;
// the caller reads the copies, collation, range and odd/even choice after
// ShowModal returns mrOk.
class TfrPrintForm : public TForm {
  MEBRATH_CLASS(TfrPrintForm, TForm)
 public:
  // The document printed. OK is then refused with a message, and the
  // dialog stays, while the choices name none of its pages or the typed
  // range cannot be read; without a document any choice is taken.
  void SetDocument(int pageCount, int currentPage);
  int Copies() const;
  void SetCopies(int value);
  bool Collate() const { return CollateBox->Checked(); }
  void SetCollate(bool value) { CollateBox->SetChecked(value); }
  TfrPageRange PageRange() const;
  std::string PageNumbers() const { return PagesEdit->Text(); }
  TfrPrintPages PrintPages() const;
  // The request the choices make, for a document whose current page is
  // `currentPage`.
  TfrPrintRequest Request(int currentPage) const;

  TComboBox* PrinterList;
  TButton* PropertiesButton;
  TEdit* CopiesEdit;
  TfrSpeedButton* CopiesUp;
  TfrSpeedButton* CopiesDown;
  TCheckBox* CollateBox;
  TfrPicture* CollatePicture;
  TRadioButton* AllButton;
  TRadioButton* CurrentButton;
  TRadioButton* PagesButton;
  TEdit* PagesEdit;
  TComboBox* PrintPagesBox;
  TButton* OkButton;
  TButton* CancelButton;

 protected:
  explicit TfrPrintForm(TComponent* owner);
  void DoShow() override;
  bool CloseQuery() override;

 private:
  void FillPrinters();
  int FPageCount = 0;
  int FCurrentPage = 0;
};

// The window shown while a report is prepared or printed. Show posts
// itself the message kfrProgressStart and opens modally; when it arrives
// `work` runs inside the modal loop (it should process messages after
// each page so Cancel is heard). Cancel sets the report's Terminated and
// ends with mrCancel. No second progress window may start while one runs.
inline constexpr unsigned kfrProgressStart = 1025;  // WM_USER + 1

class TfrProgressForm : public TForm {
  MEBRATH_CLASS(TfrProgressForm, TForm)
 public:
  // Returns mrOk when the work ran to its end, mrCancel when cancelled
  // (or when another progress window is running: then nothing runs).
  TModalResult Show(TfrReportBase* report, const std::string& caption, std::function<void()> work);
  void SetMessageText(const std::string& text) { Label->SetCaption(text); }
  std::string MessageText() const { return Label->Caption(); }
  // Whether some progress window is running its work now.
  static bool Running();

  TLabel* Label;
  TButton* CancelButton;

  void WndProc(TMessage& message) override;

 protected:
  explicit TfrProgressForm(TComponent* owner);

 private:
  TfrReportBase* FReport = nullptr;
  std::function<void()> FWork;
};

// The preview's find dialog.
class TfrPreviewSearchForm : public TForm {
  MEBRATH_CLASS(TfrPreviewSearchForm, TForm)
 public:
  TEdit* TextEdit;
  TCheckBox* CaseBox;
  TRadioButton* FirstPageButton;
  TRadioButton* CurrentPageButton;
  TButton* OkButton;
  TButton* CancelButton;

 protected:
  explicit TfrPreviewSearchForm(TComponent* owner);
};

// Format codes: category in bits 24-27, type in bits 16-23, decimals in
// bits 8-15, the decimal separator in bits 0-7.
inline constexpr int frFormatCategory(std::int32_t code) { return (code >> 24) & 0x0F; }
inline constexpr int frFormatType(std::int32_t code) { return (code >> 16) & 0xFF; }
std::int32_t frMakeFormat(int category, int type, int digits, const std::string& separator);
// The type names of a category (the non-empty engine strings).
std::vector<std::string> frFormatTypes(int category);

// The display-format dialog for a view's Format and FormatStr.
class TfrFmtForm : public TForm {
  MEBRATH_CLASS(TfrFmtForm, TForm)
 public:
  // Shows the view's format; ShowModal; on OK writes it back.
  bool Execute(TfrView* view);
  // Fills the controls from a format; `Result` builds one from them.
  void Load(std::int32_t format, const std::string& formatStr);
  std::int32_t Result() const;
  std::string ResultFormatStr() const { return CustomEdit->Text(); }
  bool IsCustom() const;

  TComboBox* CategoryBox;
  TComboBox* TypeBox;
  TLabel* DigitsLabel;
  TEdit* DigitsEdit;
  TLabel* SeparatorLabel;
  TEdit* SeparatorEdit;
  TLabel* CustomLabel;
  TEdit* CustomEdit;
  TButton* OkButton;
  TButton* CancelButton;

 protected:
  explicit TfrFmtForm(TComponent* owner);

 private:
  void FillTypes();
  void UpdateEnabled();
};
