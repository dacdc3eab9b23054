// TCustFrame: the base register window. It shows one register document
// (register_document.h) as a table page and as a card page (one record as
// a form), and shows the messages of the rules the document checks a
// record by before it is stored. The main window embeds the
// current register window into a panel and dispatches its actions to the
// operations below. A registry maps the register kind (FrameID 1, 2, 3) to
// the window that shows it. GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "grid/db_grid.h"
#include "platform/data/data_source.h"
#include "platform/data/fields.h"
#include "platform/gui/forms.h"
#include "platform/widgets/file_dialogs.h"
#include "platform/widgets/std_bars.h"
#include "platform/widgets/std_labels.h"
#include "register/core/register_document.h"
#include "register/ex_page_control.h"

class TCustomDBEditEh;
class TDBComboBoxEh;
class TCustFrame;

// The message an embedded window posts to itself with its card's size
// (WParam the control, LParam width | height << 16).
inline constexpr unsigned WM_FRAME_MINSIZE = WM_USER + 104;

// The type caption of status panel 1 by file type; empty for an unknown
// number other than 0.
std::string RegisterTypeCaption(int fileType);

class TCustFrame : public TForm {
  MEBRATH_CLASS(TCustFrame, TForm)
 public:
  // --- the operations the main window calls
  virtual void PostUserMessage(TWinControl* control);
  virtual void RefreshRegister();
  virtual void PostRecord();
  virtual void CancelRecord();
  // The document's exchange file, with the program's institution details.
  void ExportXml(const std::string& fileName);
  // The document's copy (TRegisterDocument::CopyTo).
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
  int FileType() const { return FDocument->FileType(); }
  void EmbedInto(TWinControl* parent);
  void Detach();
  bool CardShown() const { return Pgs->ActivePage() == tsCard; }
  const std::string& FileName() const { return FDocument->FileName(); }
  TRegisterDocument* Document() const { return FDocument; }
  // The certificate number's button on the card of coupons No. 2 and
  // No. 3: the focus moves on, the directory looks the record's
  // certificate up, and a confirmed record is taken over.
  void TakeOverCertificate();
  void TakeOverFrom(const TDataSet& source) { FDocument->TakeOverFrom(source); }
  // Orders the table ascending by the certificate key, with its marker.
  void OrderByCertificate() { FDocument->OrderByCertificate(); }
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
  TSaveDialog* SDlg = nullptr;
  TCustomDBEditEh* edLName = nullptr;

 protected:
  explicit TCustFrame(TComponent* owner);
  // Makes the document of the window's kind, then pages, grid and card:
  // the coupon windows add theirs in their overrides of the hooks below.
  void AfterConstruction() override;
  void WndProc(TMessage& message) override;
  void Resize() override;

  // Runs once the document is made, before the pages are built.
  virtual void BindDocument() {}
  // The coupon's card controls, below the common ones from `top`.
  virtual void AddCouponCard(int top) { (void)top; }
  virtual void AfterCardShown() {}
  // Runs once a register is opened or made, the window perhaps reused.
  virtual void AfterRegisterOpened() {}

  // The document's field of that name.
  TField* Fld(const char* name) const { return FDocument->Fld(name); }
  // The window's own source of the document's records, for its controls.
  TDataSource* RecordSource() const { return FSource; }
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

 private:
  void BuildGrid();
  void BuildCard();
  // The grid, the type caption and the position of a register just opened.
  void ShowOpened();
  void UpdateSumColor();
  void GridKeyDown(TObject* sender, unsigned& key, TShiftState shift);
  void DrawRecordMarks(const TRect& rect, TColumnEh* column);
  void ShowOrder(const std::string& fieldName, bool descending);
  void SetFooterSum(Currency total);

  TRegisterDocument* FDocument = nullptr;
  TDataSource* FSource = nullptr;
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
