#include "platform/widgets/printer_setup_dialog.h"

#include <charconv>
#include <memory>
#include <vector>

#include "platform/gui/gui_host.h"
#include "platform/gui/services.h"
#include "platform/widgets/std_buttons.h"
#include "platform/widgets/std_combo.h"
#include "platform/widgets/std_edit.h"
#include "platform/widgets/std_labels.h"
#include "platform/widgets/std_panels.h"

namespace {

// A whole number of millimetres, or 0 when the text is not one.
int Millimetres(const std::string& text) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value > 0 ? value : 0;
}

class TPrinterSetupForm final : public TForm {
  MEBRATH_CLASS(TPrinterSetupForm, TForm)
 public:
  void Build(TPrinter& printer) {
    FPrinter = &printer;
    SetCaption("Параметры страницы");
    TDeviceMode mode = printer.DeviceMode();
    FPapers = printer.Papers();
    if (printer.Capabilities().CustomPaper && FindIndex(DMPAPER_USER) < 0)
      FPapers.push_back(*FindStandardPaper(DMPAPER_USER));

    Add<TLabel>(this, 12, 12, 336, 0)->SetCaption("Принтер: " + PrinterName());
    TGroupBox* paper = Add<TGroupBox>(this, 12, 36, 336, 116);
    paper->SetCaption("Бумага");
    Add<TLabel>(paper, 10, 26, 64, 0)->SetCaption("Размер:");
    FPaper = Add<TComboBox>(paper, 80, 22, 244, 23);
    FPaper->SetStyle(csDropDownList);
    for (const TPaperInfo& p : FPapers) FPaper->Items()->Add(p.Name);
    FPaper->SetItemIndex(FindIndex(mode.dmPaperSize));
    FPaper->OnChange = [this](TObject*) { UpdateCustom(); };
    Add<TLabel>(paper, 10, 56, 64, 0)->SetCaption("Ширина, мм:");
    FWidth = Add<TEdit>(paper, 80, 52, 60, 23);
    Add<TLabel>(paper, 160, 56, 64, 0)->SetCaption("Высота, мм:");
    FHeight = Add<TEdit>(paper, 240, 52, 60, 23);
    if (mode.dmPaperSize == DMPAPER_USER) {
      FWidth->SetText(std::to_string(mode.dmPaperWidth / 10));
      FHeight->SetText(std::to_string(mode.dmPaperLength / 10));
    }
    Add<TLabel>(paper, 10, 86, 64, 0)->SetCaption("Подача:");
    FBin = Add<TComboBox>(paper, 80, 82, 244, 23);
    FBin->SetStyle(csDropDownList);
    const std::vector<TBinInfo>& bins = printer.Bins();
    for (std::size_t i = 0; i < bins.size(); ++i) {
      FBin->Items()->Add(bins[i].Name);
      if (bins[i].Code == mode.dmDefaultSource) FBin->SetItemIndex(static_cast<int>(i));
    }

    TGroupBox* orientation = Add<TGroupBox>(this, 12, 160, 336, 52);
    orientation->SetCaption("Ориентация");
    FPortrait = Add<TRadioButton>(orientation, 10, 22, 120, 20);
    FPortrait->SetCaption("Книжная");
    FLandscape = Add<TRadioButton>(orientation, 150, 22, 120, 20);
    FLandscape->SetCaption("Альбомная");
    (mode.dmOrientation == DMORIENT_LANDSCAPE ? FLandscape : FPortrait)->SetChecked(true);

    int x = 348 - 2 * 80 - 8;
    for (bool ok : {true, false}) {
      TButton* button = Add<TButton>(this, x, 224, 80, 25);
      button->SetCaption(ok ? "ОК" : "Отмена");
      button->SetModalResult(ok ? mrOk : mrCancel);
      button->SetDefault(ok);
      button->SetCancel(!ok);
      x += 88;
    }
    SetClientWidth(360);
    SetClientHeight(261);
    SetActiveControl(FPaper);
    UpdateCustom();
  }

  // OK applies the choice; a refusal keeps the form open.
  bool CloseQuery() override {
    if (ModalResult() == mrOk && !Apply()) return false;
    return TForm::CloseQuery();
  }

 protected:
  explicit TPrinterSetupForm(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
  }

 private:
  template <class T>
  T* Add(TWinControl* parent, int left, int top, int width, int height) {
    T* control = Create<T>(this);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height > 0 ? height : control->Height());
    return control;
  }
  std::string PrinterName() const {
    std::string device, driver, port;
    TDeviceMode mode;
    FPrinter->GetPrinter(device, driver, port, mode);
    return device;
  }
  int FindIndex(int code) const {
    for (std::size_t i = 0; i < FPapers.size(); ++i)
      if (FPapers[i].Code == code) return static_cast<int>(i);
    return -1;
  }
  bool CustomChosen() const {
    int index = FPaper->ItemIndex();
    return index >= 0 && FPapers[static_cast<std::size_t>(index)].Code == DMPAPER_USER;
  }
  void UpdateCustom() {
    FWidth->SetEnabled(CustomChosen());
    FHeight->SetEnabled(CustomChosen());
  }
  bool Apply() {
    TDeviceMode mode;
    mode.dmFields = DM_ORIENTATION;
    mode.dmOrientation = FLandscape->Checked() ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    if (int index = FPaper->ItemIndex(); index >= 0) {
      mode.dmFields |= DM_PAPERSIZE;
      mode.dmPaperSize = FPapers[static_cast<std::size_t>(index)].Code;
    }
    if (CustomChosen()) {
      int width = Millimetres(FWidth->Text());
      int height = Millimetres(FHeight->Text());
      if (width == 0 || height == 0) {
        ShowMessageBox("Укажите ширину и высоту бумаги в миллиметрах.", Caption(),
                       MB_OK | MB_ICONWARNING);
        return false;
      }
      mode.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
      mode.dmPaperWidth = width * 10;
      mode.dmPaperLength = height * 10;
    }
    if (int bin = FBin->ItemIndex(); bin >= 0) {
      mode.dmFields |= DM_DEFAULTSOURCE;
      mode.dmDefaultSource = FPrinter->Bins()[static_cast<std::size_t>(bin)].Code;
    }
    try {
      FPrinter->SetDeviceMode(mode);
    } catch (const EPrinter& e) {
      ShowMessageBox(e.Message(), Caption(), MB_OK | MB_ICONERROR);
      return false;
    }
    return true;
  }

  TPrinter* FPrinter = nullptr;
  std::vector<TPaperInfo> FPapers;
  TComboBox* FPaper = nullptr;
  TComboBox* FBin = nullptr;
  TEdit* FWidth = nullptr;
  TEdit* FHeight = nullptr;
  TRadioButton* FPortrait = nullptr;
  TRadioButton* FLandscape = nullptr;
};

}  // namespace

TCustomForm* CreatePrinterSetupDialog(TPrinter& printer) {
  TObjectPtr<TPrinterSetupForm> form(Create<TPrinterSetupForm>(nullptr));
  form->Build(printer);
  return form.release();
}

bool ExecutePrinterSetupDialog(TPrinter& printer) {
  if (GuiHost() == nullptr) return false;
  TObjectPtr<TCustomForm> form(CreatePrinterSetupDialog(printer));
  return form->ShowModal() == mrOk;
}
