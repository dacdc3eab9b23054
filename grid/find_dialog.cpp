#include "grid/find_dialog.h"

#include "controls/db_check_box.h"
#include "controls/db_combo_box.h"
#include "grid/db_grid.h"
#include "platform/base/format.h"
#include "platform/base/text.h"
#include "platform/data/data_guards.h"
#include "platform/data/data_set.h"
#include "platform/data/fields.h"
#include "platform/gui/messages.h"
#include "platform/gui/services.h"
#include "platform/widgets/std_buttons.h"
#include "platform/widgets/std_labels.h"

TExecuteDBGridEhFindDialogProc ExecuteDBGridEhFindDialogProc = &ExecuteDBGridEhFindDialog;

namespace {

constexpr char kAllColumns[] = "<All>";
constexpr char kNotFound[] = "Строка \"%s\" не найдена.";

}  // namespace

bool FindTextMatchesEh(const std::string& text, const std::string& pattern, TFindMatchEh match,
                       bool caseSensitive) {
  const std::string t = caseSensitive ? text : AnsiUpperCase(text);
  const std::string& p = pattern;  // upper-cased by the caller when ignoring case
  switch (match) {
    case fmAnywhereEh:
      return t.find(p) != std::string::npos;
    case fmWholeEh:
      return t == p;
    case fmBeginningEh:
      return t.compare(0, p.size(), p) == 0;
  }
  return false;
}

// ------------------------------------------------------------ the search

void TDBGridFindEngineEh::SetColumns(const std::vector<TColumnEh*>& columns,
                                     TFindDirectionEh direction) {
  FColumns = columns;
  Restart(direction);
}

void TDBGridFindEngineEh::Restart(TFindDirectionEh direction) {
  FFirstSearch = true;
  FColumnIndex = direction == fdUpEh ? static_cast<int>(FColumns.size()) - 1 : 0;
}

std::string TDBGridFindEngineEh::CellText(TColumnEh* column, bool useFormat) const {
  if (useFormat) return column->GetCellDisplayText();
  TField* field = column->Field();
  return field != nullptr ? field->AsString() : std::string();
}

bool TDBGridFindEngineEh::FindNext(const TDBGridFindOptionsEh& options) {
  if (FGrid == nullptr || FColumns.empty() || FGrid->DataSource() == nullptr) return false;
  TDataSet* ds = FGrid->DataSource()->DataSet();
  if (ds == nullptr || !ds->Active()) return false;
  bool forward = options.Direction != fdUpEh;
  if (options.Reverse) forward = !forward;
  const std::string pattern =
      options.CaseSensitive ? options.Pattern : AnsiUpperCase(options.Pattern);
  const int last = static_cast<int>(FColumns.size()) - 1;
  if (FColumnIndex < 0 || FColumnIndex > last) FColumnIndex = forward ? 0 : last;
  auto step = [&] {
    if (forward) {
      if (++FColumnIndex > last) {
        ds->Next();
        FColumnIndex = 0;
      }
    } else if (--FColumnIndex < 0) {
      ds->Prior();
      FColumnIndex = last;
    }
  };
  bool found = false;
  {
    TControlsDisabledGuard controls(ds);
    const TBookmark saved = ds->Bookmark();
    if (options.Direction == fdAllEh && FFirstSearch)
      ds->First();
    else if (!FFirstSearch)
      step();
    while (!(forward ? ds->Eof() : ds->Bof())) {
      TColumnEh* column = FColumns[static_cast<std::size_t>(FColumnIndex)];
      if (FindTextMatchesEh(CellText(column, options.UseFormat), pattern, options.Match,
                            options.CaseSensitive)) {
        found = true;
        FFirstSearch = false;
        break;
      }
      step();
    }
    if (!found && !saved.empty()) ds->GotoBookmark(saved);
  }
  if (found && !options.CaseSensitive &&
      FColumns[static_cast<std::size_t>(FColumnIndex)]->Visible())
    FGrid->SetSelectedIndex(FColumns[static_cast<std::size_t>(FColumnIndex)]->Index());
  return found;
}

// ------------------------------------------------------------ the dialog

namespace {

TDBGridEhFindDlg* gFindDialog = nullptr;

// The pattern box: Esc with its list closed is the dialog's, typing or
// not, so that the first Esc after a pattern closes "Поиск".
class TFindPatternBoxEh final : public TDBComboBoxEh {
  MEBRATH_CLASS(TFindPatternBoxEh, TDBComboBoxEh)

 protected:
  explicit TFindPatternBoxEh(TComponent* owner) : TDBComboBoxEh(owner) {}
  void WndProc(TMessage& message) override {
    if (message.Msg == CM_WANTSPECIALKEY && message.WParam == VK_ESCAPE && !ListVisible() &&
        !MRUListboxShown()) {
      message.Result = 0;
      return;
    }
    TDBComboBoxEh::WndProc(message);
  }
};

template <typename T>
T* Place(TWinControl* parent, int left, int top, int width, int height) {
  T* c = Create<T>(parent);
  c->SetParent(parent);
  c->SetBounds(left, top, width, height);
  return c;
}

TLabel* PlaceLabel(TWinControl* parent, const char* caption, int left, int top,
                   TWinControl* focus) {
  TLabel* l = Place<TLabel>(parent, left, top, 80, 15);
  l->SetCaption(caption);
  l->SetFocusControl(focus);
  return l;
}

}  // namespace

TDBGridEhFindDlg* TDBGridEhFindDlg::Instance() {
  if (gFindDialog == nullptr) gFindDialog = Create<TDBGridEhFindDlg>(Application);
  return gFindDialog;
}

// Laid out for 96 dpi: the sizes of the 120-dpi layout times 0.8.
TDBGridEhFindDlg::TDBGridEhFindDlg(TComponent* owner) : TForm(owner) {
  SetCaption("Поиск");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
  SetClientWidth(498);
  SetClientHeight(122);
  cbText = Place<TFindPatternBoxEh>(this, 88, 8, 298, 21);
  PlaceLabel(this, "&Образец:", 8, 11, cbText);
  cbText->DropDownBox()->SetRows(17);
  cbText->DropDownBox()->SetSizable(true);
  cbFindIn = Place<TDBComboBoxEh>(this, 88, 36, 298, 21);
  PlaceLabel(this, "&Поиск в:", 8, 39, cbFindIn);
  cbFindIn->DropDownBox()->SetRows(17);
  cbFindIn->DropDownBox()->SetSizable(true);
  cbMatchinType = Place<TDBComboBoxEh>(this, 88, 64, 160, 21);
  PlaceLabel(this, "&Совпадение:", 8, 67, cbMatchinType);
  cbMatchinType->Items()->SetText("С любой части поля\nПоля целиком\nС начала поля");
  cbMatchinType->KeyItems()->Assign(*cbMatchinType->Items());
  cbMatchinType->SetText("С любой части поля");
  cbFindDirection = Place<TDBComboBoxEh>(this, 88, 92, 160, 21);
  PlaceLabel(this, "Прос&мотр:", 8, 95, cbFindDirection);
  cbFindDirection->Items()->SetText("Вверх\nВниз\nВсе");
  cbFindDirection->KeyItems()->Assign(*cbFindDirection->Items());
  cbFindDirection->SetText("Все");
  cbCharCase = Place<TDBCheckBoxEh>(this, 262, 66, 124, 17);
  cbCharCase->SetCaption("С учетом ре&гистра");
  cbUseFormat = Place<TDBCheckBoxEh>(this, 262, 94, 124, 17);
  cbUseFormat->SetCaption("С у&четом формата");
  cbUseFormat->SetCheckedValue(true);
  bFind = Place<TButton>(this, 398, 8, 92, 23);
  bFind->SetCaption("На&йти далее");
  bFind->SetDefault(true);
  bCancel = Place<TButton>(this, 398, 36, 92, 23);
  bCancel->SetCaption("Закрыть");
  bCancel->SetCancel(true);
  bCancel->SetModalResult(mrCancel);
  bFind->OnClick = [this](TObject* s) { bFindClick(s); };
  bCancel->OnClick = [this](TObject* s) { bCancelClick(s); };
  cbText->OnChange = [this](TObject* s) { cbTextChange(s); };
  cbFindDirection->OnChange = [this](TObject* s) { cbTextChange(s); };
  cbFindIn->OnChange = [this](TObject* s) { cbFindInChange(s); };
}

void TDBGridEhFindDlg::BeforeDestruction() {
  if (gFindDialog == this) gFindDialog = nullptr;
  TForm::BeforeDestruction();
}

void TDBGridEhFindDlg::Notification(TComponent* component, TOperation operation) {
  TForm::Notification(component, operation);
  if (operation == opRemove && component == FEngine.Grid()) {
    FEngine.SetGrid(nullptr);
    FEngine.SetColumns({}, fdAllEh);
    FFindInColumns.clear();
  }
}

TDBGridFindOptionsEh TDBGridEhFindDlg::Options() const {
  TDBGridFindOptionsEh o;
  o.Pattern = cbText->Text();
  const int match = cbMatchinType->Items()->IndexOf(cbMatchinType->Text());
  o.Match = static_cast<TFindMatchEh>(match < 0 ? 0 : match);
  const int direction = cbFindDirection->Items()->IndexOf(cbFindDirection->Text());
  o.Direction = static_cast<TFindDirectionEh>(direction < 0 ? 2 : direction);
  o.CaseSensitive = cbCharCase->Checked();
  o.UseFormat = cbUseFormat->Checked();
  o.Reverse = GetKeyState(VK_CONTROL) < 0;
  return o;
}

void TDBGridEhFindDlg::FillFindIn(const TFindColumnChoicesEh& columns) {
  FFindInColumns.clear();
  TStrings* items = cbFindIn->Items();
  items->Clear();
  if (!columns.empty()) {
    for (const auto& [caption, column] : columns) {
      items->Add(caption);
      FFindInColumns.push_back(column);
    }
  } else if (FEngine.Grid() != nullptr) {
    for (TColumnEh* column : FEngine.Grid()->VisibleColumns()) {
      items->Add(column->Title()->Caption());
      FFindInColumns.push_back(column);
    }
  }
  items->Add(kAllColumns);
  FFindInColumns.push_back(nullptr);
  cbFindIn->KeyItems()->Assign(*items);
}

void TDBGridEhFindDlg::UpdateSearchColumns() {
  int index = cbFindIn->Items()->IndexOf(cbFindIn->Text());
  if (index < 0) index = static_cast<int>(FFindInColumns.size()) - 1;
  std::vector<TColumnEh*> list;
  TColumnEh* chosen =
      FFindInColumns.empty() ? nullptr : FFindInColumns[static_cast<std::size_t>(index)];
  if (chosen == nullptr) {
    for (TColumnEh* c : FFindInColumns)
      if (c != nullptr) list.push_back(c);
  } else {
    list.push_back(chosen);
  }
  FEngine.SetColumns(list, Options().Direction);
}

void TDBGridEhFindDlg::Execute(TCustomDBGridEh* grid, const std::string& text,
                               const TFindColumnChoicesEh& columns, bool modal) {
  if (FEngine.Grid() != nullptr) FEngine.Grid()->RemoveFreeNotification(this);
  FEngine.SetGrid(grid);
  if (grid != nullptr) grid->FreeNotification(this);
  cbText->SetText(text);
  FillFindIn(columns);
  std::string caption = kAllColumns;
  const int selected = grid != nullptr ? grid->SelectedIndex() : -1;
  for (std::size_t i = 0; i < FFindInColumns.size(); ++i)
    if (FFindInColumns[i] != nullptr && FFindInColumns[i]->Index() == selected)
      caption = cbFindIn->Items()->Strings(static_cast<int>(i));
  cbFindIn->SetText(caption);
  UpdateSearchColumns();
  SetActiveControl(cbText);
  FModal = modal;
  if (modal) {
    SetFormStyle(fsNormal);
    ShowModal();
  } else {
    SetFormStyle(fsStayOnTop);
    Show();
  }
}

void TDBGridEhFindDlg::bFindClick(TObject*) {
  const std::string pattern = cbText->Text();
  if (cbText->Items()->IndexOf(pattern) < 0) cbText->Items()->Add(pattern);
  if (!FEngine.FindNext(Options()))
    if (FEngine.Grid() != nullptr && !FEngine.Columns().empty())
      Application->MessageBox(Format(kNotFound, pattern), Application->Title(),
                              MB_OK | MB_ICONINFORMATION);
}

void TDBGridEhFindDlg::bCancelClick(TObject*) { Close(); }

void TDBGridEhFindDlg::cbTextChange(TObject*) { FEngine.Restart(Options().Direction); }

void TDBGridEhFindDlg::cbFindInChange(TObject*) { UpdateSearchColumns(); }

void TDBGridEhFindDlg::KeyDown(unsigned& key, TShiftState shift) {
  if ((key == VK_RETURN || key == VK_ESCAPE) && ActiveControl() != nullptr &&
      ActiveControl()->Perform(CM_WANTSPECIALKEY, key) != 0) {
    TForm::KeyDown(key, shift);
    return;
  }
  if (key == VK_ESCAPE && !FModal) {
    Close();
    key = 0;
  } else if (key == VK_RETURN) {
    bFindClick(this);
    key = 0;
  }
  cbText->SetModified(false);
  if (key != 0) TForm::KeyDown(key, shift);
}

void ExecuteDBGridEhFindDialog(TCustomDBGridEh* grid, const std::string& text,
                               const TFindColumnChoicesEh& columns, bool modal) {
  TDBGridEhFindDlg::Instance()->Execute(grid, text, columns, modal);
}
