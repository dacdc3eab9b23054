#include "register/cust_frame.h"

#include <algorithm>

#include "controls/db_combo_box.h"
#include "controls/db_edit.h"
#include "platform/base/exceptions.h"
#include "platform/base/file_utils.h"
#include "platform/base/format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/services.h"
#include "register/certificate_directory.h"
#include "register/core/coupon_documents.h"
#include "register/core/number_text.h"
#include "register/data_module.h"
#include "register/message_boxes.h"
#include "register/print_register.h"

// --- helpers

std::string RegisterTypeCaption(int fileType) {
  switch (fileType) {
    case 0:
      return "Неизвестный тип реестра";
    case 1:
      return "Реестр талонов №1";
    case 2:
      return "Реестр талонов №2";
    case 31:
      return "Реестр талонов №3-1";
    case 32:
      return "Реестр талонов №3-2";
  }
  return "";
}

// --- the registry

namespace {
std::vector<TFrameClass>& FrameClasses() {
  static std::vector<TFrameClass> classes;
  return classes;
}
}  // namespace

void RegisterFrameClass(const TFrameClass& frameClass) {
  if (FindFrameClass(frameClass.Id) != nullptr) return;
  for (TFrameClass& entry : FrameClasses()) {
    if (entry.Id == -1) {
      entry = frameClass;
      return;
    }
  }
  FrameClasses().push_back(frameClass);
}

void UnregisterFrameClass(int id) {
  for (TFrameClass& entry : FrameClasses()) {
    if (entry.Id == id) entry = TFrameClass{};
  }
}

const TFrameClass* FindFrameClass(int id) {
  if (id == -1) return nullptr;
  for (const TFrameClass& entry : FrameClasses()) {
    if (entry.Id == id) return &entry;
  }
  return nullptr;
}

namespace {
int gKeyboardLayout = 0;
// While a field of codes has the keyboard: the user's own layout and the
// program's last one from before it.
bool gInCodeLayout = false;
int gUserLayout = -1;
int gLayoutBeforeCode = 0;
}  // namespace

void SwitchKeyboardLayout(int languageId) {
  if (languageId != 0 && ActivateKeyboardLayout(languageId)) gKeyboardLayout = languageId;
}

int LastKeyboardLayout() { return gKeyboardLayout; }

void EnterCodeLayout(int languageId) {
  if (!gInCodeLayout) {
    gInCodeLayout = true;
    gUserLayout = CurrentKeyboardLayout();
    gLayoutBeforeCode = gKeyboardLayout;
  }
  SwitchKeyboardLayout(languageId);
}

void LeaveCodeLayout() {
  if (!gInCodeLayout) return;
  gInCodeLayout = false;
  if (!RestoreKeyboardLayout(gUserLayout)) SwitchKeyboardLayout(gLayoutBeforeCode);
}

// --- TCustFrame

TCustFrame::TCustFrame(TComponent* owner) : TForm(owner) {
  SetBorderStyle(bsNone);
  SetBounds(0, 0, 900, 560);
}

void TCustFrame::AfterConstruction() {
  TForm::AfterConstruction();
  FDocument = MakeRegisterDocument(FrameID(), this);
  FSource = Create<TDataSource>(this);
  FSource->SetDataSet(FDocument->Table());
  BindDocument();
  FDocument->OnConfirmUnpayable = [](const std::string& reason) {
    return AskYesCaption("Талон не подлежит оплате.", reason + "\r\nСохранить изменения?");
  };
  FDocument->OrderChanged.Subscribe(
      [this](const std::string& fieldName, bool descending) { ShowOrder(fieldName, descending); });
  FDocument->SumChanged.Subscribe([this](Currency total) { SetFooterSum(total); });
  FDocument->RecordRefused.Subscribe([](const std::string& message) { ShowError(message); });
  FDocument->RecordMoved.Subscribe([this] { UpdatePosition(); });
  FDocument->RecordPosted.Subscribe([this] { UpdatePosition(); });
  FDocument->RecordDeleted.Subscribe([this] { UpdatePosition(); });
  FDocument->UpgradeProgress.Subscribe(
      [this](int total, int done, bool&) { ShowProgress(done, total); });
  FDocument->UpgradeFinished.Subscribe([this] { SB->Panels()->Items(1)->SetText(""); });

  SB = Create<TStatusBar>(this);
  SB->SetParent(this);
  SB->SetAlign(alBottom);
  SB->Panels()->Add()->SetWidth(90);
  SB->Panels()->Add()->SetWidth(400);

  Pgs = Create<TExPageControl>(this);
  Pgs->SetParent(this);
  Pgs->SetAlign(alClient);
  Pgs->SetButtons(true);
  tsGrid = Create<TExTabSheet>(this);
  tsGrid->SetPageControl(Pgs);
  tsGrid->SetCaption("Таблица");
  tsCard = Create<TExTabSheet>(this);
  tsCard->SetPageControl(Pgs);
  tsCard->SetCaption("Карточка");
  tsGrid->SetTabVisible(false);
  tsCard->SetTabVisible(false);
  // With no tabs to show, the control itself is nothing to focus: Enter
  // on the card's last field goes round to its first.
  Pgs->SetTabStop(false);
  Pgs->SetActivePage(tsCard);

  BuildGrid();
  BuildCard();
  Pgs->SetActivePage(tsGrid);

  SDlg = Create<TSaveDialog>(this);
  SDlg->SetDefaultExt("xml");
  SDlg->SetFilter("Файлы xml|*.xml|Файлы dbf|*.dbf");
  SDlg->SetOptions({ofOverwritePrompt, ofCreatePrompt});
  SDlg->OnTypeChange = [this](TObject*) {
    SDlg->SetDefaultExt(SDlg->FilterIndex() == 1 ? "xml" : "dbf");
  };

  FSource->OnDataChange = [this](TObject*, TField* field) {
    UpdateSumColor();
    // Also when the controls come back on after a walk through the table.
    if (field == nullptr) UpdatePosition();
  };
}

bool TCustFrame::RegisterShowsValues() { return FDocument->ShowsValues(); }

void TCustFrame::AddColumn(const char* field, const char* title, int width) {
  TColumnEh* column = grdMain->Columns()->Add();
  column->SetFieldName(field);
  column->Title()->SetCaption(title);
  column->Title()->SetTitleButton(true);
  column->SetWidth(width);
}

void TCustFrame::BuildGrid() {
  grdMain = Create<TDBGridEh>(this);
  grdMain->SetName("grdMain");
  grdMain->SetParent(tsGrid);
  grdMain->SetAlign(alClient);
  grdMain->BeginLayout();
  grdMain->SetOptions({dgTitles, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgCancelOnExit});
  // The title-click handler owns the markers.
  grdMain->SetOptionsEh(
      {dghFixed3D, dghHighlightFocus, dghClearSelection, dghRowHighlight, dghDialogFind});
  grdMain->SetReadOnly(true);
  grdMain->SetUseMultiTitle(true);
  grdMain->SetFooterRowCount(1);
  AddColumn("cCERTIF", "Сертификат|Номер", 84);
  grdMain->Columns()->Items(0)->SetAlignment(taRightJustify);
  AddColumn("DCERTIF", "Сертификат|Дата", 74);
  AddColumn("SNILS", "Получатель|СНИЛС", 100);
  AddColumn("FIO", "Получатель|ФИО", 220);
  AddColumn("BDATE", "Получатель|Дата рождения", 74);
  AddColumn("ADDRESS", "Получатель|Адрес места жительства", 220);
  AddColumn("SDOC", "Паспорт|Серия", 60);
  AddColumn("NDOC", "Паспорт|Номер", 70);
  AddColumn("DDOC", "Паспорт|Дата выдачи", 74);
  AddColumn("ODOC", "Паспорт|Выдан", 180);
  AddColumn("SPOLICY", "Страховой полис|Серия", 70);
  AddColumn("NPOLICY", "Страховой полис|Номер", 110);
  AddColumn("SLEAF", "Листок нетрудоспособности|Серия", 50);
  AddColumn("NLEAF", "Листок нетрудоспособности|Номер", 70);
  AddColumn("DLEAF", "Листок нетрудоспособности|Дата", 74);
  AddColumn("SUM", "Сумма, р.", 80);
  TColumnFooterEh* footer = grdMain->Columns()->Items(15)->Footer();
  footer->SetValueType(fvtSum);
  footer->SetDisplayFormat("0.00");
  TFont bold;
  bold.Assign(grdMain->FooterFont());
  bold.SetStyle({fsBold});
  footer->SetFont(&bold);
  grdMain->EndLayout();
  grdMain->SetDataSource(FSource);
  grdMain->SumList()->SetActive(true);
  grdMain->SumList()->SetExternalRecalc(true);
  grdMain->SumList()->OnRecalcAll = [this](TObject*) {
    if (!FDocument->CollectingSum()) FDocument->RecalcSum();
  };
  grdMain->OnTitleBtnClick = [this](TObject*, TColumnEh* column) { TitleBtnClick(column); };
  grdMain->OnKeyDown = [this](TObject* sender, unsigned& key, TShiftState shift) {
    GridKeyDown(sender, key, shift);
  };
  grdMain->OnDrawColumnCell = [this](TObject*, const TRect& rect, int, TColumnEh* column,
                                     TGridDrawState) { DrawRecordMarks(rect, column); };
  grdMain->OnDblClick = [this](TObject*) {
    if (!IsEmptyRegister()) ToggleCard();
  };
}

TCustomDBEditEh* TCustFrame::CardEdit(const char* field, const char* caption, int left, int top,
                                      int width, int labelWidth, TWinControl* parent) {
  if (labelWidth == 0) labelWidth = 150;
  if (parent == nullptr) parent = tsCard;
  TLabel* label = Create<TLabel>(this);
  label->SetParent(parent);
  label->SetCaption(caption);
  label->SetBounds(left, top + 3, labelWidth, 17);
  TDBEditEh* edit = Create<TDBEditEh>(this);
  edit->SetParent(parent);
  edit->SetBounds(left + labelWidth, top, width, 23);
  edit->SetDataSource(FSource);
  edit->SetDataField(field);
  HookCardKeys(edit);
  return edit;
}

TDBComboBoxEh* TCustFrame::CardCombo(const char* field, const char* caption, int left, int top,
                                     int width, int labelWidth) {
  if (labelWidth == 0) labelWidth = 150;
  TLabel* label = Create<TLabel>(this);
  label->SetParent(tsCard);
  label->SetCaption(caption);
  label->SetBounds(left, top + 3, labelWidth, 17);
  TDBComboBoxEh* combo = Create<TDBComboBoxEh>(this);
  combo->SetParent(tsCard);
  combo->SetBounds(left + labelWidth, top, width, 23);
  combo->SetDataSource(FSource);
  combo->SetDataField(field);
  HookCardKeys(combo);
  return combo;
}

void TCustFrame::HookCardKeys(TWinControl* control) {
  control->OnKeyDown = [this](TObject* sender, unsigned& key, TShiftState shift) {
    if (!shift.Empty() && !(shift == TShiftState{ssShift})) return;
    auto* current = dynamic_cast<TWinControl*>(sender);
    if (key == VK_RETURN || key == VK_DOWN) {
      SelectNext(current, true, true);
      key = 0;
    } else if (key == VK_UP) {
      SelectNext(current, false, true);
      key = 0;
    }
  };
}

void TCustFrame::BuildCard() {
  const int l = 12, r = 470, w = 250;
  int y = 12;
  TDBComboBoxEh* series = CardCombo("SCERTIF", "Сертификат: серия", l, y, 50);
  series->Items()->Add("А");
  series->Items()->Add("Б");
  TCustomDBEditEh* number = CardEdit("NCERTIF", "номер", l + 210, y, 90, 50);
  if (FrameID() == 2 || FrameID() == 3) {
    number->EditButton()->SetStyle(ebsEllipsisEh);
    number->EditButton()->SetVisible(true);
    number->EditButton()->SetHint("Справочник сертификатов");
    // The button drops nothing down: its press only leads to the click.
    number->OnButtonDown = [](TObject*, bool, bool&, bool& handled) { handled = true; };
    number->OnButtonClick = [this](TObject*, bool& handled) {
      handled = true;
      TakeOverCertificate();
    };
  }
  CardEdit("DCERTIF", "Дата выдачи сертификата", r, y, 100, 170);
  // The fields in the register's own order, row by row: Enter and Tab
  // follow it, so a name never lands in a date's mask.
  y += 32;
  CardEdit("SNILS", "СНИЛС", l, y, 120);
  y += 28;
  edLName = CardEdit("LNAME", "Фамилия", l, y, w);
  edLName->OnEnter = [](TObject*) { SwitchKeyboardLayout(1049); };
  y += 28;
  CardEdit("FNAME", "Имя", l, y, w);
  y += 28;
  CardEdit("MNAME", "Отчество", l, y, w);
  CardEdit("BDATE", "Дата рождения", r, y, 100, 170);
  y += 28;
  CardEdit("ADDRESS", "Адрес места жительства", l, y, 608);
  y += 36;
  TDBComboBoxEh* tdoc = CardCombo("TDOC", "Документ", l, y, 608);
  int key = 1;
  for (const std::string& type : IdentityDocumentTypes()) {
    tdoc->Items()->Add(type);
    tdoc->KeyItems()->Add(IntToStr(key++));
  }
  y += 28;
  CardEdit("NDOC", "Номер документа", l, y, 100);
  CardEdit("SDOC", "серия", l + 270, y, 90, 50);
  CardEdit("DDOC", "Дата выдачи", r, y, 100, 170);
  y += 28;
  CardEdit("ODOC", "Кем выдан", l, y, 608);
  y += 36;
  CardEdit("SPOLICY", "Страховой полис: серия", l, y, 110);
  CardEdit("NPOLICY", "номер", l + 270, y, 170, 50);
  y += 28;
  CardEdit("SLEAF", "Листок нетрудосп.: серия", l, y, 40);
  CardEdit("NLEAF", "номер", l + 210, y, 90, 50);
  CardEdit("DLEAF", "Дата листка", r, y, 100, 170);
  y += 28;
  const char* regCaption = FrameID() == 2 ? "Дата родов" : "Дата постановки на учет";
  CardEdit("DREG", regCaption, l, y, 100);
  DBSum = Create<TLabel>(this);
  DBSum->SetParent(tsCard);
  DBSum->SetBounds(r, y + 3, 250, 17);
  DBSum->Font()->SetStyle({fsBold});
  y += 28;
  CardEdit("NCARD", "Обменная карта: номер", l, y, 100);
  CardEdit("DCARD", "Дата обменной карты", r, y, 100, 170);
  y += 36;
  AddCouponCard(y);
}

void TCustFrame::WndProc(TMessage& message) {
  if (message.Msg == WM_FRAME_MINSIZE) {
    TSizeConstraints limits = Constraints();
    limits.MinWidth = static_cast<int>(message.LParam & 0xFFFF);
    limits.MinHeight = static_cast<int>((message.LParam >> 16) & 0xFFFF);
    SetConstraints(limits);
    return;
  }
  TForm::WndProc(message);
}

void TCustFrame::Resize() { TForm::Resize(); }

void TCustFrame::PostUserMessage(TWinControl* control) {
  int width = 0, height = 0;
  for (int i = 0; i < control->ControlCount(); ++i) {
    const TRect r = control->Controls(i)->BoundsRect();
    width = std::max(width, r.Right);
    height = std::max(height, r.Bottom);
  }
  // The card's own frame and the status bar around it.
  width += 16;
  height += 16 + (SB != nullptr ? SB->Height() : 0);
  PostMessage(Handle(), WM_FRAME_MINSIZE, AsParam(control), (height << 16) | (width & 0xFFFF));
}

void TCustFrame::RefreshRegister() {
  if (FDocument->IsOpen() && !CardShown()) FDocument->Refresh();
}

void TCustFrame::PostRecord() { FDocument->Post(); }

void TCustFrame::CancelRecord() { FDocument->Cancel(); }

void TCustFrame::ExportXml(const std::string& fileName) {
  FDocument->ExportXml(fileName, ProgramInstitution());
}

void TCustFrame::ExportDbf(const std::string& fileName) { FDocument->CopyTo(fileName); }

void TCustFrame::ToggleCard() {
  if (CardShown()) {
    if (!AskSaveChanges()) return;
    Pgs->SetActivePage(tsGrid);
    if (grdMain->CanFocus()) grdMain->SetFocus();
  } else {
    Pgs->SetActivePage(tsCard);
    UpdateSumColor();
    AfterCardShown();
    TWinControl* first = tsCard->FindNextControl(nullptr, true, true, false);
    if (first != nullptr && first->CanFocus()) first->SetFocus();
  }
  if (Application != nullptr) Application->ProcessMessages();
}

void TCustFrame::PrintRegister() {
  TScopeExit shown([this] { UpdatePosition(); });
  TGridViewGuardEh view(*grdMain);
  PrintRegisterOf(*FDocument);
}

void TCustFrame::OpenRegister(const std::string& fileName) {
  FDocument->Open(fileName);
  ShowOpened();
}

void TCustFrame::NewRegister(const std::string& fileName) {
  FDocument->New(fileName);
  ShowOpened();
}

void TCustFrame::ShowOpened() {
  grdMain->SetSelectedIndex(0);
  const std::string caption = RegisterTypeCaption(FileType());
  if (!caption.empty()) SB->Panels()->Items(1)->SetText(caption);
  UpdatePosition();
  AfterRegisterOpened();
}

bool TCustFrame::IsEditing() { return FDocument->IsEditing(); }

void TCustFrame::InsertRecord() {
  if (!CardShown()) ToggleCard();
  FDocument->Insert();
  if (Application != nullptr) Application->ProcessMessages();
}

void TCustFrame::DeleteRecord() {
  if (IsEmptyRegister()) return;
  if (AskYes("Удалить запись?")) FDocument->Delete();
}

void TCustFrame::PostIfEditing() {
  if (IsEditing()) PostRecord();
}

void TCustFrame::CancelIfEditing() {
  if (IsEditing()) CancelRecord();
}

bool TCustFrame::AskSaveChanges() {
  if (IsEditing()) {
    if (AskYes("Записать изменения?")) {
      try {
        PostRecord();
      } catch (const EAbort&) {
      }
    } else {
      CancelRecord();
    }
  }
  return !IsEditing();
}

bool TCustFrame::CloseQuery() { return TForm::CloseQuery() && AskSaveChanges(); }

bool TCustFrame::IsEmptyRegister() { return FDocument->IsEmpty(); }

void TCustFrame::ExportRegister() {
  SDlg->SetFilterIndex(1);
  SDlg->SetDefaultExt("xml");
  SDlg->SetFileName(ChangeFileExt(ExtractFileName(FileName()), ""));
  if (!SDlg->Execute()) return;
  if (SDlg->FilterIndex() == 1) {
    ExportXml(ChangeFileExt(SDlg->FileName(), ".xml"));
  } else {
    ExportDbf(ChangeFileExt(SDlg->FileName(), ".dbf"));
  }
}

void TCustFrame::PackRegister() {
  if (!FDocument->IsOpen()) return;
  TScopeExit shown([this] { UpdatePosition(); });
  FDocument->Pack();
}

void TCustFrame::ShowProgress(int done, int total) {
  SB->Panels()->Items(1)->SetText(Format("Обработано записей %d из %d", done, total));
  if (Application != nullptr) Application->ProcessMessages();
}

void TCustFrame::EmbedInto(TWinControl* parent) {
  SetTop(0);
  SetParent(parent);
  SetAlign(alClient);
  PostUserMessage(tsCard);
  Show();
  if (!CardShown() && grdMain->CanFocus()) grdMain->SetFocus();
}

void TCustFrame::Detach() {
  Hide();
  SetParent(nullptr);
}

void TCustFrame::ShowOrder(const std::string& fieldName, bool descending) {
  const TSortMarkerEh marker = descending ? smDownEh : smUpEh;
  for (int i = 0; i < grdMain->Columns()->Count(); ++i) {
    TColumnEh* column = grdMain->Columns()->Items(i);
    column->Title()->SetSortMarker(
        !fieldName.empty() && column->FieldName() == fieldName ? marker : smNoneEh);
  }
}

void TCustFrame::TitleBtnClick(TColumnEh* column) {
  if (column == nullptr || !FDocument->IsOpen()) return;
  TScreenCursorGuard busy(crHourGlass);
  switch (column->Title()->SortMarker()) {
    case smNoneEh:
      FDocument->OrderBy(column->FieldName(), false);
      break;
    case smUpEh:
      FDocument->OrderBy(column->FieldName(), true);
      break;
    case smDownEh:
      FDocument->OrderBy("", false);
      break;
  }
}

void TCustFrame::GridKeyDown(TObject*, unsigned& key, TShiftState shift) {
  if (key == VK_DELETE && shift == TShiftState{ssCtrl}) {
    key = 0;
    DeleteRecord();
    return;
  }
  if (!shift.Contains(ssShift) || grdMain->EditorMode()) return;
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT: {
      if (!grdMain->Options().Contains(dgColumnResize) ||
          grdMain->Options().Contains(dgRowSelect) || grdMain->SelectedIndex() < 0)
        return;
      TColumnEh* column = grdMain->Columns()->Items(grdMain->SelectedIndex());
      const int step = shift.Contains(ssCtrl) ? 1 : 4;
      column->SetWidth(std::max(0, column->Width() + (key == VK_LEFT ? -step : step)));
      key = 0;
      break;
    }
    case VK_UP:
      grdMain->SetRowLines(grdMain->RowLines() == 2 ? 0 : std::max(0, grdMain->RowLines() - 1));
      key = 0;
      break;
    case VK_DOWN:
      grdMain->SetRowLines(grdMain->RowLines() == 0 ? 2 : grdMain->RowLines() + 1);
      key = 0;
      break;
  }
}

void TCustFrame::DrawRecordMarks(const TRect& rect, TColumnEh* column) {
  if (DM == nullptr || column->Index() != 0 || IsEmptyRegister()) return;
  // The grid has made the drawn row's record the current one.
  TCanvas* canvas = grdMain->Canvas();
  DM->imgTools->Draw(canvas, rect.Left, rect.Top - 1, TDM::kRecordImage);
  if (Fld("CHK")->AsInteger() >= 1)
    DM->OvlTree->Draw(canvas, rect.Left, rect.Top, TDM::kPayableOverlay);
}

void TCustFrame::UpdatePosition() {
  // A walk with the controls off (a print) is not the clerk's position.
  TDataSet& table = *FDocument->Table();
  if (SB == nullptr || !table.Active() || FDocument->SummingOnly() || table.ControlsDisabled())
    return;
  SB->Panels()->Items(0)->SetText(Format("%d:%d", std::max(table.RecNo(), 0), table.RecordCount()));
}

void TCustFrame::UpdateSumColor() {
  TDataSet& table = *FDocument->Table();
  if (DBSum == nullptr || !table.Active()) return;
  const bool payable =
      !table.IsEmpty() || table.State() == dsInsert ? Fld("CHK")->AsInteger() != 0 : true;
  DBSum->Font()->SetColor(payable ? clWindowText : clRed);
  DBSum->SetCaption(RegisterShowsValues() ? "Сумма: " + Fld("SUM")->DisplayText() + " р." : "");
}

void TCustFrame::SetFooterSum(Currency total) {
  TDBSumListProducer* sums = grdMain->SumList();
  for (int i = 0; i < sums->SumCollection()->Count(); ++i) {
    TDBSum* item = sums->SumCollection()->Items(i);
    if (item->GroupOperation() == goSum && item->FieldName() == "SUM") item->SetSumValue(total);
  }
  if (sums->SumListChanged) sums->SumListChanged(sums);
}

void TCustFrame::TakeOverCertificate() {
  if (TWinControl* focused = ActiveControl()) SelectNext(focused, true, true);
  if (fmDict == nullptr) return;
  const std::string key = CertificateKey(Fld("SCERTIF")->AsString(), Fld("NCERTIF")->AsInteger());
  if (!fmDict->LookUp(FrameID(), key)) return;
  TakeOverFrom(*fmDict->Table());
}
