// TCustFrame: the base register window. One register is one DBF file,
// shown as a table page and as a card page (one record as a form); every
// record is checked before it is stored. The main window embeds the
// current register window into a panel and dispatches its actions to the
// operations below. A registry maps the register kind (FrameID 1, 2, 3) to
// the window that shows it. GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "grid/db_grid.h"
#include "platform/data/data_source.h"
#include "platform/data/fields.h"
#include "platform/gui/forms.h"
#include "platform/widgets/file_dialogs.h"
#include "platform/widgets/std_bars.h"
#include "platform/widgets/std_labels.h"
#include "register/ex_page_control.h"
#include "storage/dbf_table.h"

class TCustomDBEditEh;
class TDBComboBoxEh;
class TCustFrame;

// The message an embedded window posts to itself with its card's size
// (WParam the control, LParam width | height << 16).
inline constexpr unsigned WM_FRAME_MINSIZE = WM_USER + 104;

// The register's table. Calculated fields are worked out for the records
// the dataset holds in its buffers (read, edited, inserted) and, on a
// record of the table's own, for an ordering's keys; the window computes
// only the keys then.
class TRegisterTable : public TmDbfTable {
  MEBRATH_CLASS(TRegisterTable, TmDbfTable)
 public:
  // True while OnCalcFields runs for a record in the dataset's buffers,
  // false while it runs for an ordering's key.
  bool CalculatingRecord() const;

 protected:
  explicit TRegisterTable(TComponent* owner) : TmDbfTable(owner) {}
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;

 private:
  int FReading = 0;
};

// The identity document types, key 1..18 in order.
const std::vector<std::string>& IdentityDocumentTypes();

// The name rule: trimmed, lower-cased, the first letter upper-cased (at
// most 40 characters after it); after the first "-" the same again.
std::string NormalizeName(const std::string& text);

// The file type of a register: the 3rd and 4th characters of the extension
// as a number (".031" 31, ".002" 2); 0 without an extension.
int FileTypeOfName(const std::string& fileName);

// The type caption of status panel 1 by file type; empty for an unknown
// number other than 0.
std::string RegisterTypeCaption(int fileType);

// True for a masked edit text with nothing typed: only blanks, the mask's
// literals ("." "-" "/") and the blank character "_".
bool IsBlankMaskText(const std::string& text);

class TCustFrame : public TForm {
  MEBRATH_CLASS(TCustFrame, TForm)
 public:
  // --- the operations the main window calls
  virtual void PostUserMessage(TWinControl* control);
  virtual void RefreshRegister();
  virtual void PostRecord();
  virtual void CancelRecord();
  virtual void ExportXml(const std::string& fileName) = 0;
  // Copies the table file to `fileName` (overwriting) with the table
  // closed; reopens it in any case. Raises EInOutError when the copy
  // fails.
  virtual void ExportDbf(const std::string& fileName);
  virtual void ToggleCard();
  // The print dialog, then the register (and its invoice) through the
  // report templates beside the program.
  virtual void PrintRegister();
  virtual void OpenRegister(const std::string& fileName);
  virtual void NewRegister(const std::string& fileName);
  virtual int FrameID() const { return 0; }
  virtual bool IsEditing();

  void InsertRecord();
  // "Удалить запись?"; deletes on Yes.
  void DeleteRecord();
  void PostIfEditing();
  void CancelIfEditing();
  // Asks "Записать изменения?" while editing; true when leaving is allowed.
  bool AskSaveChanges();
  bool IsEmptyRegister();
  void ExportRegister();
  // Packs the table (closed meanwhile, open again on every path). Raises
  // Exception "Упаковка таблицы невозможна: реестр <name> открыт другим
  // пользователем." when another user has it open.
  void PackRegister();
  void ShowProgress(int done, int total);
  int FileType() const { return FileTypeOfName(FFileName); }
  void EmbedInto(TWinControl* parent);
  void Detach();
  bool CardShown() const { return Pgs->ActivePage() == tsCard; }
  const std::string& FileName() const { return FFileName; }
  // The certificate number's button on the card of coupons No. 2 and
  // No. 3: the focus moves on, the directory looks the record's
  // certificate up, and a confirmed record is taken over.
  void TakeOverCertificate();
  // Puts the record into edit and gives every stored field the text of the
  // same-named field of `source` (fields it lacks stay as they are).
  void TakeOverFrom(const TDataSet& source);
  // Orders the table ascending by the certificate key, with its marker.
  void OrderByCertificate();
  // The title-click cycle: none -> ascending -> descending -> file order.
  void TitleBtnClick(TColumnEh* column);

  bool CloseQuery() override;

  // --- components
  TExPageControl* Pgs = nullptr;
  TExTabSheet* tsGrid = nullptr;
  TExTabSheet* tsCard = nullptr;
  // Its OnKeyDown runs before the grid's own keys: the window decides
  // Ctrl+Delete and Shift+arrows.
  TDBGridEh* grdMain = nullptr;
  TStatusBar* SB = nullptr;
  TLabel* DBSum = nullptr;
  TmDbfTable* dbMain = nullptr;
  TDataSource* dsmain = nullptr;
  TSaveDialog* SDlg = nullptr;
  TCustomDBEditEh* edLName = nullptr;

 protected:
  explicit TCustFrame(TComponent* owner);
  // Builds fields, pages, grid and card: the coupon windows add theirs in
  // their overrides of the hooks below.
  void AfterConstruction() override;
  void WndProc(TMessage& message) override;
  void Resize() override;

  // The coupon's stored fields after the common ones.
  virtual void AddCouponFields() {}
  // The coupon's card controls, below the common ones from `top`.
  virtual void AddCouponCard(int top) { (void)top; }
  // The coupon's checks after the common ones (ErrorAbort on failure).
  virtual void ValidateCoupon() {}
  virtual Currency CouponSum() { return Currency(0); }
  virtual void CalcCouponFields() {}
  virtual void NewCouponRecord() {}
  virtual void AfterCardShown() {}

  // The common checks in their order, then the normalisation.
  void ValidateCommon();

  // --- building helpers
  template <class T>
  T* AddField(const std::string& name, int size = 0, const char* origin = "") {
    T* field = Create<T>(dbMain);
    field->SetFieldName(name);
    if (size > 0) field->SetSize(size);
    field->SetOrigin(origin);
    field->SetDataSet(dbMain);
    return field;
  }
  // The field of that name, looked up once: calculated fields run for
  // every record an ordering or a sum reads.
  TField* Fld(const char* name) const;
  // Field `name` of group `index` (SEX1, BDATE6), looked up once.
  TField* GroupFld(const char* name, int index) const;
  void DateRules(TField* field);
  void NameRules(TField* field);
  // Gives every field without a display label the name the card shows it
  // by, for the messages that name a field.
  virtual void LabelFields();
  void AddColumn(const char* field, const char* title, int width);
  // A label and a data-aware edit at (left, top) on the card; returns the
  // edit.
  // The controls go on `parent` (the card page when null).
  TCustomDBEditEh* CardEdit(const char* field, const char* caption, int left, int top, int width,
                            int labelWidth = 0, TWinControl* parent = nullptr);
  TDBComboBoxEh* CardCombo(const char* field, const char* caption, int left, int top, int width,
                           int labelWidth = 0);
  // Card keys: Enter and Down to the next control, Up to the previous.
  void HookCardKeys(TWinControl* control);
  bool RegisterShowsValues();
  // The position text "record:count" of the status bar.
  void UpdatePosition();

  std::string FFileName;

 private:
  void BuildFields();
  void BuildGrid();
  void BuildCard();
  void DbMainBeforePost(TDataSet* ds);
  void DbMainCalcFields(TDataSet* ds);
  void DbMainNewRecord(TDataSet* ds);
  void UpdateSumColor();
  void GridKeyDown(TObject* sender, unsigned& key, TShiftState shift);
  void DrawRecordMarks(const TRect& rect, TColumnEh* column);
  // The calculated fields an ordering's key needs.
  void CalcKeys();
  void CalcCertificateKey();
  void CalcFio();
  // The SUM footer. The register's orderings are built in one pass over
  // every record, which also adds up the amounts: `rebuild` (an open or a
  // refresh) runs with that sum collected, and the footer takes it. Other
  // changes of the data as a whole take a pass of their own that computes
  // only the amounts.
  void CollectSum(const std::function<void()>& rebuild);
  void RecalcSum();
  void SetFooterSum(Currency total);

  TRegisterTable* FTable = nullptr;
  TDbfCursor* FCertCursor = nullptr;
  bool FCollecting = false;
  bool FSumOnly = false;
  Currency FCollectedSum;
  int FCollectedCount = 0;
  // The calculated fields' names, for telling an ordering's key field.
  std::vector<std::string> FCalcNames;
  // The fields every calculation reads, found once.
  struct TCalcFields {
    TField *SCertif, *NCertif, *LName, *FName, *MName, *Fio, *CCertif, *Sum;
  } FCalc{};
  mutable std::unordered_map<const char*, TField*> FFieldCache;
  mutable std::unordered_map<std::string, TField*> FGroupCache;
};

// --- the registry of register windows
using TFrameFactory = std::function<TCustFrame*(TComponent* owner)>;
struct TFrameClass {
  int Id = -1;
  TFrameFactory Make;
  // True for a window made by this entry.
  std::function<bool(const TCustFrame*)> IsInstance;
};
template <class T>
TFrameClass FrameClassOf(int id) {
  return {id, [](TComponent* owner) -> TCustFrame* { return Create<T>(owner); },
          [](const TCustFrame* frame) { return dynamic_cast<const T*>(frame) != nullptr; }};
}
// Stores the class unless its id is registered already (a freed entry is
// reused first).
void RegisterFrameClass(const TFrameClass& frameClass);
void UnregisterFrameClass(int id);
// The class registered for `id`, or null.
const TFrameClass* FindFrameClass(int id);
// The three coupon windows (frames.cpp).
void RegisterCouponFrames();

// The keyboard layout of a Windows language id (1049 Russian, 1033
// English) through the desktop's hook, remembering the last one set.
void SwitchKeyboardLayout(int languageId);
int LastKeyboardLayout();
// For a field of codes: reads the user's own layout from the desktop, then
// switches to `languageId`; entering again before leaving keeps the first
// reading. LeaveCodeLayout puts the user's layout back (where the desktop
// cannot tell it, the program's last layout from before); it does nothing
// outside such a field.
void EnterCodeLayout(int languageId);
void LeaveCodeLayout();
