#include "register/details_dialog.h"

#include "platform/base/text.h"
#include "platform/widgets/mask_edit.h"
#include "platform/widgets/std_labels.h"
#include "register/cust_frame.h"
#include "register/data_module.h"

namespace {
constexpr const char* kTypeItems[] = {"Государственное", "Муниципальное", "Негосударственное"};
constexpr int kLabelWidth = 140;
constexpr int kRowStep = 26;
constexpr int kWideEdit = 380;
constexpr int kNarrowEdit = 170;
}  // namespace

std::string DetailsKeyOfName(const std::string& name) { return AnsiUpperCase(Copy(name, 3, 10)); }

int DetailsTypeIndex(const std::string& value) {
  if (AnsiPos("Гос", value) > 0) return 0;
  if (AnsiPos("Мун", value) > 0) return 1;
  return 2;
}

TDlgCfg::TDlgCfg(TComponent* owner) : TForm(owner) {
  SetName("DlgCfg");
  SetCaption("Реквизиты ЛПУ");
  SetBorderStyle(bsToolWindow);
  SetPosition(poScreenCenter);
  SetClientWidth(580);
  SetClientHeight(432);

  Pages = Create<TExPageControl>(this);
  Pages->SetParent(this);
  Pages->SetBounds(4, 4, 572, 384);
  tsLpu = Create<TExTabSheet>(this);
  tsLpu->SetPageControl(Pages);
  tsLpu->SetCaption("Реквизиты ЛПУ");
  tsFss = Create<TExTabSheet>(this);
  tsFss->SetPageControl(Pages);
  tsFss->SetCaption("Реквизиты ФСС");

  int top = 8;
  auto row = [&top](int step = kRowStep) {
    const int at = top;
    top += step;
    return at;
  };
  AddEdit(tsLpu, "INN", "ИНН:", 12, 8, row(), kNarrowEdit);
  AddEdit(tsLpu, "REG_NUM", "Рег№(ФСС):", 10, 8, row(), kNarrowEdit);
  AddEdit(tsLpu, "KPP", "КПП:", 9, 8, row(), kNarrowEdit);
  AddEdit(tsLpu, "OGRN", "ОГРН:", 15, 8, row(), kNarrowEdit);
  AddEdit(tsLpu, "NAME", "Название:", 200, 8, row(), kWideEdit);
  AddEdit(tsLpu, "ADRES", "Адрес:", 200, 8, row(), kWideEdit);
  AddEdit(tsLpu, "GDOCTER", "Глав. врач (ФИО):", 40, 8, row(), kWideEdit);
  AddEdit(tsLpu, "GBUH", "Глав. бух. (ФИО):", 40, 8, row(), kWideEdit);
  AddEdit(tsLpu, "ACC", "Расч. счет:", 20, 8, row(), kNarrowEdit);
  AddEdit(tsLpu, "BNAME", "Наименование банка:", 200, 8, row(), kWideEdit);
  AddEdit(tsLpu, "BIC", "БИК:", 10, 8, row(), kNarrowEdit);
  AddEdit(tsLpu, "KACC", "К. сч.:", 20, 8, row(), kNarrowEdit);
  const int typeTop = row();
  TLabel* typeLabel = Create<TLabel>(this);
  typeLabel->SetParent(tsLpu);
  typeLabel->SetCaption("Тип:");
  typeLabel->SetBounds(8, typeTop + 3, kLabelWidth, 17);
  c_Type = Create<TComboBox>(this);
  c_Type->SetName("c_Type");
  c_Type->SetParent(tsLpu);
  c_Type->SetStyle(csDropDownList);
  c_Type->SetBounds(8 + kLabelWidth, typeTop, kNarrowEdit + 40, 23);
  for (const char* item : kTypeItems) c_Type->Items()->Add(item);
  c_Type->SetItemIndex(2);
  typeLabel->SetFocusControl(c_Type);

  top = 8;
  AddEdit(tsFss, "FNAME", "Название:", 200, 8, row(), kWideEdit);
  AddEdit(tsFss, "FINN", "ИНН:", 12, 8, row(), kNarrowEdit);
  AddEdit(tsFss, "FKPP", "КПП:", 9, 8, row(), kNarrowEdit);
  AddEdit(tsFss, "FADRES", "Адрес:", 200, 8, row(), kWideEdit);
  AddEdit(tsFss, "FBNAME", "Наименование банка:", 200, 8, row(), kWideEdit);
  AddEdit(tsFss, "FACC", "Расч. счет:", 20, 8, row(), kNarrowEdit);
  AddEdit(tsFss, "FBIC", "БИК:", 10, 8, row(), kNarrowEdit);
  AddEdit(tsFss, "FKACC", "К. сч.:", 20, 8, row(), kNarrowEdit);
  row(10);
  TLabel* contract = Create<TLabel>(this);
  contract->SetParent(tsFss);
  contract->SetCaption("Договор на оказание мед. услуг:");
  contract->SetBounds(8, row(22), 300, 17);
  AddEdit(tsFss, "NDOC", "Номер:", 10, 24, row(), kNarrowEdit);
  AddEdit(tsFss, "DDOC", "Дата:", 10, 24, row(), 90, true);

  btSave = Create<TButton>(this);
  btSave->SetParent(this);
  btSave->SetCaption("Сохранить");
  btSave->SetDefault(true);
  btSave->SetBounds(ClientWidth() - 220, ClientHeight() - 36, 100, 27);
  btSave->OnClick = [this](TObject*) {
    SaveValues();
    SetModalResult(mrOk);
  };
  btClose = Create<TButton>(this);
  btClose->SetParent(this);
  btClose->SetCaption("Закрыть");
  btClose->SetCancel(true);
  btClose->SetModalResult(mrCancel);
  btClose->SetBounds(ClientWidth() - 112, ClientHeight() - 36, 100, 27);
  Pages->SetActivePage(tsLpu);
}

TCustomEdit* TDlgCfg::AddEdit(TWinControl* page, const char* key, const char* caption,
                              int maxLength, int left, int top, int width, bool dateMask) {
  TLabel* label = Create<TLabel>(this);
  label->SetParent(page);
  label->SetCaption(caption);
  label->SetBounds(left, top + 3, kLabelWidth + 8 - left, 17);
  TCustomEdit* edit = nullptr;
  if (dateMask) {
    auto* masked = Create<TMaskEdit>(this);
    masked->SetEditMask("!99/99/9999;1; ");
    edit = masked;
  } else {
    edit = Create<TEdit>(this);
  }
  edit->SetName(std::string("e_") + key);
  edit->SetParent(page);
  edit->SetMaxLength(maxLength);
  edit->SetBounds(8 + kLabelWidth, top, width, 23);
  label->SetFocusControl(edit);
  FEdits.push_back(edit);
  return edit;
}

TCustomEdit* TDlgCfg::EditOfKey(const std::string& key) const {
  for (TCustomEdit* edit : FEdits)
    if (DetailsKeyOfName(edit->Name()) == AnsiUpperCase(key)) return edit;
  return nullptr;
}

void TDlgCfg::LoadValues() {
  for (TCustomEdit* edit : FEdits) edit->SetText(DM->GetValue(DetailsKeyOfName(edit->Name())));
  c_Type->SetItemIndex(DetailsTypeIndex(DM->GetValue(DetailsKeyOfName(c_Type->Name()))));
}

void TDlgCfg::SaveValues() {
  for (TCustomEdit* edit : FEdits) {
    std::string text = edit->Text();
    // The date box shows its separators even when nothing is typed.
    if (dynamic_cast<TCustomMaskEdit*>(edit) != nullptr && IsBlankMaskText(text)) text.clear();
    DM->SetValue(DetailsKeyOfName(edit->Name()), text);
  }
  DM->SetValue(DetailsKeyOfName(c_Type->Name()), c_Type->Text());
  DM->SaveLpu();
}

TModalResult TDlgCfg::Execute() {
  DM->LoadLpu();
  LoadValues();
  Pages->SetActivePage(tsLpu);
  return ShowModal();
}

TModalResult ShowDetailsDialog(TComponent* owner) {
  TObjectPtr<TDlgCfg> dialog(Create<TDlgCfg>(owner));
  return dialog->Execute();
}
