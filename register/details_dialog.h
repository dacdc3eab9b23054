// TDlgCfg: the institution-details dialog ("Реквизиты ЛПУ"). Two pages of
// edit boxes, one per key of the INI section "LPU": each box is named "e_"
// followed by its key, the type combo "c_Type". It shows what DM holds
// after rereading the section and saves every box back through DM.
// GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "platform/gui/forms.h"
#include "platform/widgets/std_buttons.h"
#include "platform/widgets/std_combo.h"
#include "platform/widgets/std_edit.h"
#include "register/ex_page_control.h"

// The INI key of a details control: its name from the third character on,
// at most 10 characters, upper-cased ("e_REG_NUM" REG_NUM, "c_Type" TYPE).
std::string DetailsKeyOfName(const std::string& name);

// The type combo's item for a TYPE value: 0 "Государственное" when it
// contains "Гос", 1 "Муниципальное" when it contains "Мун", else 2.
int DetailsTypeIndex(const std::string& value);

class TDlgCfg : public TForm {
  MEBRATH_CLASS(TDlgCfg, TForm)
 public:
  // Rereads section "LPU", fills the boxes, shows the first page and runs
  // the dialog modally. mrOk when the details were saved.
  TModalResult Execute();
  // Fills the boxes and the combo from DM (without rereading).
  void LoadValues();
  // SetValue of every box and the combo, then SaveLpu. A contract date
  // with nothing typed is saved empty.
  void SaveValues();

  TExPageControl* Pages = nullptr;
  TExTabSheet* tsLpu = nullptr;
  TExTabSheet* tsFss = nullptr;
  TComboBox* c_Type = nullptr;
  TButton* btSave = nullptr;
  TButton* btClose = nullptr;
  // Every edit box, in the order of the pages.
  const std::vector<TCustomEdit*>& Edits() const { return FEdits; }
  // The box of `key`, or nullptr.
  TCustomEdit* EditOfKey(const std::string& key) const;

 protected:
  explicit TDlgCfg(TComponent* owner);

 private:
  TCustomEdit* AddEdit(TWinControl* page, const char* key, const char* caption, int maxLength,
                       int left, int top, int width, bool dateMask = false);

  std::vector<TCustomEdit*> FEdits;
};

// Makes the dialog, runs Execute and frees it.
TModalResult ShowDetailsDialog(TComponent* owner);
