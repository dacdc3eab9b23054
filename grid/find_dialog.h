// The grid's find dialog ("Поиск") and the search it runs.
//
// TDBGridFindEngineEh walks the cells of a grid's dataset column by
// column, then record by record, from the current cell, and stops at the
// first cell whose text matches the pattern; it is the dialog's search
// without the window, so that it can be driven directly. A search that
// finds nothing puts the grid back on the record it started from.
//
// TDBGridEhFindDlg is one form for the whole process, made on first use
// and rebound to a grid by each ExecuteDBGridEhFindDialog. GUI thread only.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/gui/forms.h"

class TColumnEh;
class TCustomDBGridEh;
class TDBComboBoxEh;
class TDBCheckBoxEh;
class TButton;
class TLabel;

enum TFindMatchEh { fmAnywhereEh = 0, fmWholeEh = 1, fmBeginningEh = 2 };
enum TFindDirectionEh { fdUpEh = 0, fdDownEh = 1, fdAllEh = 2 };

// Whether `text` matches `pattern`; `upperPattern` is the pattern already
// upper-cased when the match ignores case.
bool FindTextMatchesEh(const std::string& text, const std::string& pattern, TFindMatchEh match,
                       bool caseSensitive);

struct TDBGridFindOptionsEh {
  std::string Pattern;
  TFindMatchEh Match = fmAnywhereEh;
  TFindDirectionEh Direction = fdAllEh;
  bool CaseSensitive = false;
  // Compare the displayed text rather than the field's plain text.
  bool UseFormat = true;
  // Ctrl was held: the direction turns round.
  bool Reverse = false;
};

class TDBGridFindEngineEh {
 public:
  TCustomDBGridEh* Grid() const { return FGrid; }
  void SetGrid(TCustomDBGridEh* grid) { FGrid = grid; }
  const std::vector<TColumnEh*>& Columns() const { return FColumns; }
  // The columns searched, in order; restarts the search.
  void SetColumns(const std::vector<TColumnEh*>& columns, TFindDirectionEh direction);
  int ColumnIndex() const { return FColumnIndex; }
  bool FirstSearch() const { return FFirstSearch; }
  // The pattern or the direction changed: the next search starts afresh,
  // from the last column when going up.
  void Restart(TFindDirectionEh direction);
  // One press of "На&йти далее": true when a cell matched (the grid is on
  // its record); false restores the grid's record.
  bool FindNext(const TDBGridFindOptionsEh& options);

 private:
  std::string CellText(TColumnEh* column, bool useFormat) const;

  TCustomDBGridEh* FGrid = nullptr;
  std::vector<TColumnEh*> FColumns;
  int FColumnIndex = 0;
  bool FFirstSearch = true;
};

// Caption and column pairs offered in "&Поиск в:"; empty offers every
// visible column of the grid.
using TFindColumnChoicesEh = std::vector<std::pair<std::string, TColumnEh*>>;

class TDBGridEhFindDlg : public TForm {
  MEBRATH_CLASS(TDBGridEhFindDlg, TForm)
 public:
  // The one dialog; made on first use.
  static TDBGridEhFindDlg* Instance();
  // Binds the dialog to `grid` with `text` as the pattern and shows it.
  void Execute(TCustomDBGridEh* grid, const std::string& text, const TFindColumnChoicesEh& columns,
               bool modal);
  TDBGridFindEngineEh& Engine() { return FEngine; }
  TDBGridFindOptionsEh Options() const;

  void bFindClick(TObject* sender);
  void bCancelClick(TObject* sender);
  void cbTextChange(TObject* sender);
  void cbFindInChange(TObject* sender);

  TDBComboBoxEh* cbText = nullptr;
  TDBComboBoxEh* cbFindIn = nullptr;
  TDBComboBoxEh* cbMatchinType = nullptr;
  TDBComboBoxEh* cbFindDirection = nullptr;
  TDBCheckBoxEh* cbCharCase = nullptr;
  TDBCheckBoxEh* cbUseFormat = nullptr;
  TButton* bFind = nullptr;
  TButton* bCancel = nullptr;

 protected:
  explicit TDBGridEhFindDlg(TComponent* owner);
  void BeforeDestruction() override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void FillFindIn(const TFindColumnChoicesEh& columns);
  void UpdateSearchColumns();

  TDBGridFindEngineEh FEngine;
  std::vector<TColumnEh*> FFindInColumns;  // parallel to cbFindIn's items
  bool FModal = false;
};

// The entry the grid calls (through ExecuteDBGridEhFindDialogProc).
void ExecuteDBGridEhFindDialog(TCustomDBGridEh* grid, const std::string& text,
                               const TFindColumnChoicesEh& columns, bool modal);
using TExecuteDBGridEhFindDialogProc = void (*)(TCustomDBGridEh*, const std::string&,
                                                const TFindColumnChoicesEh&, bool);
// Set to ExecuteDBGridEhFindDialog when the program starts.
extern TExecuteDBGridEhFindDialogProc ExecuteDBGridEhFindDialogProc;
