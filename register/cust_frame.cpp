#include "register/cust_frame.h"
#include "platform/base/scope_guard.h"
#include "platform/data/data_guards.h"
#include "register/print_register.h"

#include <algorithm>
#include <cstdlib>

#include "controls/db_combo_box.h"
#include "controls/db_edit.h"
#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/exceptions.h"
#include "platform/base/file_utils.h"
#include "platform/base/format.h"
#include "platform/base/number_format.h"
#include "platform/base/text.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/services.h"
#include "register/certificate_directory.h"
#include "register/data_module.h"
#include "register/exchange_export.h"
#include "register/message_boxes.h"
#include "register/number_text.h"
#include "storage/dbf_cursor.h"
#include "storage/dbf_format.h"

// --- helpers

const std::vector<std::string>& IdentityDocumentTypes() {
  static const std::vector<std::string> types = {
      "Паспорт гражданина СССР",
      "Загранпаспорт гражданина СССР",
      "Свидетельство о рождении",
      "Удостоверение личности офицера",
      "Справка об освобождении из места лишения свободы",
      "Паспорт Минморфлота",
      "Военный билет солдата (матроса, сержанта, старшины)",
      "Дипломатический паспорт гражданина РФ",
      "Иностранный паспорт",
      "Свидетельство о регистрации ходатайства о признании иммигранта беженцем",
      "Вид на жительство",
      "Удостоверение беженца в РФ",
      "Временное удостоверение личности гражданина РФ",
      "Паспорт гражданина России",
      "Загранпаспорт гражданина РФ",
      "Паспорт моряка",
      "Военный билет офицера запаса",
      "Иные документы, выдаваемые органами МВД."};
  return types;
}

namespace {
std::string Capitalized(const std::string& lower, int keep) {
  if (lower.empty()) return lower;
  return AnsiUpperCase(Copy(lower, 1, 1)) + Copy(lower, 2, keep);
}
}  // namespace

std::string NormalizeName(const std::string& text) {
  std::string s = Capitalized(AnsiLowerCase(Trim(text)), 40);
  const int p = Pos("-", s);
  if (p > 0) {
    std::string after = Trim(Copy(s, p + 1, Length(s)));
    if (!after.empty()) after = Capitalized(after, Length(after));
    s = Trim(Copy(s, 1, p - 1)) + "-" + after;
  }
  return s;
}

int FileTypeOfName(const std::string& fileName) {
  const std::string ext = ExtractFileExt(fileName);
  if (ext.empty()) return 0;
  int value = 0;
  return TryStrToInt(Copy(ext, 3, 2), value) ? value : 0;
}

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

bool IsBlankMaskText(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    return c == ' ' || c == '.' || c == '-' || c == '/' || c == '_';
  });
}

// --- the register's table

bool TRegisterTable::CalculatingRecord() const {
  if (FReading > 0) return true;
  const TRecordBuffer buffer = CalcBuffer();
  if (buffer == ActiveBuffer()) return true;
  for (int i = 0; BufferCount() > 0 && i <= BufferCount(); ++i)
    if (Buffer(i) == buffer) return true;
  return false;
}

TGetResult TRegisterTable::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
  TDepthGuard reading(FReading);
  return TmDbfTable::GetRecord(buffer, mode, doCheck);
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
  FTable = Create<TRegisterTable>(this);
  dbMain = FTable;
  dbMain->SetName("dbMain");
  dbMain->SetExclusive(false);
  dbMain->SetVers(1);
  dsmain = Create<TDataSource>(this);
  dsmain->SetDataSet(dbMain);
  BuildFields();

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

  dbMain->BeforePost = [this](TDataSet* ds) { DbMainBeforePost(ds); };
  dbMain->OnCalcFields = [this](TDataSet* ds) { DbMainCalcFields(ds); };
  dbMain->OnNewRecord = [this](TDataSet* ds) { DbMainNewRecord(ds); };
  dbMain->AfterScroll = [this](TDataSet*) { UpdatePosition(); };
  dbMain->AfterPost = [this](TDataSet*) { UpdatePosition(); };
  dbMain->AfterDelete = [this](TDataSet*) { UpdatePosition(); };
  dsmain->OnDataChange = [this](TObject*, TField*) { UpdateSumColor(); };
}

TField* TCustFrame::Fld(const char* name) const {
  auto [it, added] = FFieldCache.try_emplace(name, nullptr);
  if (added) it->second = dbMain->FieldByName(name);
  return it->second;
}

TField* TCustFrame::GroupFld(const char* name, int index) const {
  std::string key = name + IntToStr(index);
  auto it = FGroupCache.find(key);
  if (it != FGroupCache.end()) return it->second;
  TField* field = dbMain->FieldByName(key);
  FGroupCache.emplace(std::move(key), field);
  return field;
}

bool TCustFrame::RegisterShowsValues() {
  return dbMain->Active() && (!dbMain->IsEmpty() || dbMain->State() == dsInsert);
}

void TCustFrame::DateRules(TField* field) {
  field->SetEditMask("!99/99/9999;1; ");
  field->OnGetText = [this](TField* sender, std::string& text, bool) {
    text = RegisterShowsValues() && !sender->IsNull() && sender->AsDateTime() > 0
               ? FormatDateTime("dd/mm/yyyy", sender->AsDateTime())
               : "";
  };
  field->OnSetText = [](TField* sender, const std::string& text) {
    if (IsBlankMaskText(text)) {
      sender->Clear();
    } else {
      sender->SetAsString(text);
    }
  };
}

void TCustFrame::NameRules(TField* field) {
  field->OnSetText = [](TField* sender, const std::string& text) {
    sender->SetAsString(NormalizeName(text));
  };
}

void TCustFrame::BuildFields() {
  AddField<TStringField>("SCERTIF", 1)->SetDisplayLabel("Серия сертификата");
  auto* ncertif = AddField<TIntegerField>("NCERTIF", 0, "7.0");
  ncertif->SetDisplayLabel("Номер сертификата");
  ncertif->SetDisplayFormat("0000000");
  ncertif->SetEditFormat("#");
  ncertif->OnGetText = [this](TField* sender, std::string& text, bool display) {
    if (!RegisterShowsValues()) {
      text.clear();
    } else {
      text = display ? Format("%.7d", sender->AsInteger()) : IntToStr(sender->AsInteger());
    }
  };
  auto* ccertif = AddField<TStringField>("cCERTIF", 10);
  ccertif->SetFieldKind(fkCalculated);
  DateRules(AddField<TDateField>("DCERTIF"));
  Fld("DCERTIF")->SetDisplayLabel("Дата сертификата");
  auto* snils = AddField<TStringField>("SNILS", 14);
  snils->SetEditMask("999\\-999\\-999 99;1;_");
  snils->OnGetText = [this](TField* sender, std::string& text, bool display) {
    const std::string stored = sender->AsString();
    if (!RegisterShowsValues()) {
      text.clear();
    } else if (!display) {
      text = stored;
    } else {
      text = IsBlankMaskText(stored) ? "000-000-000 00" : stored;
    }
  };
  snils->OnSetText = [](TField* sender, const std::string& text) {
    sender->SetAsString(IsBlankMaskText(text) ? std::string() : text);
  };
  NameRules(AddField<TStringField>("LNAME", 40));
  Fld("LNAME")->SetDisplayLabel("Фамилия");
  NameRules(AddField<TStringField>("FNAME", 40));
  Fld("FNAME")->SetDisplayLabel("Имя");
  NameRules(AddField<TStringField>("MNAME", 40));
  DateRules(AddField<TDateField>("BDATE"));
  Fld("BDATE")->SetDisplayLabel("Дата рождения");
  AddField<TStringField>("ADDRESS", 128);
  AddField<TSmallintField>("TDOC", 0, "2.0");
  AddField<TStringField>("NDOC", 10)->SetDisplayLabel("Номер паспорта");
  AddField<TStringField>("SDOC", 10)->SetDisplayLabel("Серия паспорта");
  DateRules(AddField<TDateField>("DDOC"));
  Fld("DDOC")->SetDisplayLabel("Дата выдачи паспорта");
  AddField<TStringField>("ODOC", 80)->SetDisplayLabel("Кем выдан паспорт");
  AddField<TStringField>("SPOLICY", 14);
  AddField<TStringField>("NPOLICY", 20);
  AddField<TStringField>("SLEAF", 2);
  auto* nleaf = AddField<TIntegerField>("NLEAF", 0, "7.0");
  nleaf->SetDisplayFormat("0000000");
  nleaf->OnGetText = [this](TField* sender, std::string& text, bool display) {
    const int value = sender->AsInteger();
    if (!RegisterShowsValues()) {
      text.clear();
    } else if (display) {
      text = value != 0 ? Format("%.7d", value) : "";
    } else {
      text = IntToStr(value);
    }
  };
  nleaf->OnSetText = [](TField* sender, const std::string& text) {
    const std::string trimmed = Trim(text);
    if (trimmed.empty()) {
      sender->Clear();
    } else {
      sender->SetAsInteger(std::abs(StrToInt(trimmed)));
    }
  };
  DateRules(AddField<TDateField>("DLEAF"));
  DateRules(AddField<TDateField>("DREG"));
  auto* fio = AddField<TStringField>("FIO", 120);
  fio->SetFieldKind(fkCalculated);
  AddField<TStringField>("NCARD", 10);
  DateRules(AddField<TDateField>("DCARD"));
  AddField<TSmallintField>("CHK", 0, "1.0");
  AddCouponFields();
  auto* sum = AddField<TCurrencyField>("SUM");
  sum->SetFieldKind(fkCalculated);
  sum->SetDisplayFormat("0.00");
  for (int i = 0; i < dbMain->FieldCount(); ++i)
    if (dbMain->Fields()[i]->Calculated()) FCalcNames.push_back(dbMain->Fields()[i]->FieldName());
  LabelFields();
}

void TCustFrame::LabelFields() {
  // A message about a value names the field as the card shows it.
  static const std::pair<const char*, const char*> kLabels[] = {
      {"cCERTIF", "Сертификат"},
      {"SNILS", "СНИЛС"},
      {"MNAME", "Отчество"},
      {"ADDRESS", "Адрес места жительства"},
      {"TDOC", "Тип удостоверения личности"},
      {"SPOLICY", "Серия страхового полиса"},
      {"NPOLICY", "Номер страхового полиса"},
      {"SLEAF", "Серия листка нетрудоспособности"},
      {"NLEAF", "Номер листка нетрудоспособности"},
      {"DLEAF", "Дата листка нетрудоспособности"},
      {"FIO", "ФИО"},
      {"NCARD", "Номер обменной карты"},
      {"DCARD", "Дата обменной карты"},
      {"CHK", "Признак оплаты"},
      {"SUM", "Сумма, р."},
      {"QTW2", "Срок беременности на момент выдачи сертификата"},
      {"cQTW1", "Срок беременности на момент постановки на учет"},
      {"MULP", "Многоплодная беременность"},
      {"PREM", "Преждевременные успешные роды"},
      {"DIAG", "Причина смерти матери (МКБ-10)"},
      {"CQNT", "Количество детей в талоне"},
      {"BQNT", "Количество детей, включая рожденных ранее"},
      {"Childs", "Новорожденные"},
  };
  auto label = [this](const std::string& name, const std::string& text) {
    TField* field = dbMain->FindField(name);
    if (field != nullptr && field->DisplayLabel().empty()) field->SetDisplayLabel(text);
  };
  for (const auto& [name, text] : kLabels) label(name, text);
  label("DREG", FrameID() == 2 ? "Дата родов" : "Дата постановки на учет");
}

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
  grdMain->SetDataSource(dsmain);
  grdMain->SumList()->SetActive(true);
  grdMain->SumList()->SetExternalRecalc(true);
  grdMain->SumList()->OnRecalcAll = [this](TObject*) {
    if (!FCollecting) RecalcSum();
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
  edit->SetDataSource(dsmain);
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
  combo->SetDataSource(dsmain);
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
  y += 32;
  CardEdit("SNILS", "СНИЛС", l, y, 120);
  y += 28;
  edLName = CardEdit("LNAME", "Фамилия", l, y, w);
  edLName->OnEnter = [](TObject*) { SwitchKeyboardLayout(1049); };
  CardEdit("BDATE", "Дата рождения", r, y, 100, 170);
  y += 28;
  CardEdit("FNAME", "Имя", l, y, w);
  y += 28;
  CardEdit("MNAME", "Отчество", l, y, w);
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
  CardEdit("SDOC", "Серия", l, y, 90);
  CardEdit("NDOC", "номер", l + 250, y, 100, 50);
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
  CardEdit("NCARD", "Обменная карта: номер", l, y, 100);
  CardEdit("DCARD", "Дата обменной карты", r, y, 100, 170);
  y += 28;
  const char* regCaption = FrameID() == 2 ? "Дата родов" : "Дата постановки на учет";
  CardEdit("DREG", regCaption, l, y, 100);
  DBSum = Create<TLabel>(this);
  DBSum->SetParent(tsCard);
  DBSum->SetBounds(r, y + 3, 250, 17);
  DBSum->Font()->SetStyle({fsBold});
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
  if (dbMain->Active() && !CardShown()) CollectSum([this] { dbMain->Refresh(); });
}

void TCustFrame::PostRecord() {
  if (dbMain->State() == dsEdit || dbMain->State() == dsInsert) dbMain->Post();
}

void TCustFrame::CancelRecord() {
  if (dbMain->State() == dsEdit || dbMain->State() == dsInsert) dbMain->Cancel();
}

void TCustFrame::ExportDbf(const std::string& fileName) {
  dbMain->Close();
  const bool copied = CopyFile(FFileName, fileName, false);
  const std::string why = copied ? std::string() : LastFileError();
  CollectSum([this] { dbMain->Open(); });
  if (!copied) throw EInOutError("Не удалось записать файл " + fileName + ": " + why, 0);
}

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
  try {
    PrintRegisterOf(*this);
  } catch (...) {
    UpdatePosition();
    throw;
  }
  UpdatePosition();
}

void TCustFrame::OpenRegister(const std::string& fileName) {
  dbMain->Close();
  dbMain->SetTableName(fileName);
  CollectSum([&] {
    dbMain->Open();
    FFileName = fileName;
    if (FCertCursor == nullptr) FCertCursor = dbMain->AddCursor(Fld("cCERTIF"));
  });
  grdMain->SetSelectedIndex(0);
  const std::string caption = RegisterTypeCaption(FileType());
  if (!caption.empty()) SB->Panels()->Items(1)->SetText(caption);
  UpdatePosition();
}

void TCustFrame::NewRegister(const std::string& fileName) {
  dbMain->Close();
  dbMain->SetTableName(fileName);
  dbMain->CreateTable();
  OpenRegister(fileName);
}

bool TCustFrame::IsEditing() { return dbMain->State() == dsEdit || dbMain->State() == dsInsert; }

void TCustFrame::InsertRecord() {
  if (!CardShown()) ToggleCard();
  dbMain->Insert();
  if (Application != nullptr) Application->ProcessMessages();
}

void TCustFrame::DeleteRecord() {
  if (IsEmptyRegister()) return;
  if (AskYes("Удалить запись?")) dbMain->Delete();
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

bool TCustFrame::IsEmptyRegister() { return !dbMain->Active() || dbMain->IsEmpty(); }

void TCustFrame::ExportRegister() {
  SDlg->SetFilterIndex(1);
  SDlg->SetDefaultExt("xml");
  SDlg->SetFileName(ChangeFileExt(ExtractFileName(FFileName), ""));
  if (!SDlg->Execute()) return;
  if (SDlg->FilterIndex() == 1) {
    ExportXml(ChangeFileExt(SDlg->FileName(), ".xml"));
  } else {
    ExportDbf(ChangeFileExt(SDlg->FileName(), ".dbf"));
  }
}

void TCustFrame::PackRegister() {
  if (!dbMain->Active()) return;
  dbMain->Close();
  // The register is open again whatever the pack did.
  auto reopen = [this] {
    CollectSum([this] { dbMain->Open(); });
    UpdatePosition();
  };
  try {
    dbMain->Pack("", false);
  } catch (const EDBFInUseError&) {
    reopen();
    throw Exception("Упаковка таблицы невозможна: реестр " + FFileName +
                    " открыт другим пользователем.");
  } catch (...) {
    reopen();
    throw;
  }
  reopen();
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

void TCustFrame::OrderByCertificate() {
  for (int i = 0; i < grdMain->Columns()->Count(); ++i) {
    TColumnEh* column = grdMain->Columns()->Items(i);
    column->Title()->SetSortMarker(column->FieldName() == "cCERTIF" ? smUpEh : smNoneEh);
  }
  if (dbMain->Active()) dbMain->SetOrder(Fld("cCERTIF"), false);
}

void TCustFrame::TitleBtnClick(TColumnEh* column) {
  if (column == nullptr || !dbMain->Active()) return;
  TScreenCursorGuard busy(crHourGlass);
  const TSortMarkerEh marker = column->Title()->SortMarker();
  for (int i = 0; i < grdMain->Columns()->Count(); ++i) {
    TColumnEh* other = grdMain->Columns()->Items(i);
    if (other != column) other->Title()->SetSortMarker(smNoneEh);
  }
  TField* field = dbMain->FindField(column->FieldName());
  switch (marker) {
    case smNoneEh:
      dbMain->SetOrder(field, false);
      column->Title()->SetSortMarker(smUpEh);
      break;
    case smUpEh:
      dbMain->SetOrder(field, true);
      column->Title()->SetSortMarker(smDownEh);
      break;
    case smDownEh:
      dbMain->SetOrder(nullptr, false);
      column->Title()->SetSortMarker(smNoneEh);
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
  if (SB == nullptr || !dbMain->Active() || FSumOnly) return;
  SB->Panels()->Items(0)->SetText(
      Format("%d:%d", std::max(dbMain->RecNo(), 0), dbMain->RecordCount()));
}

void TCustFrame::UpdateSumColor() {
  if (DBSum == nullptr || !dbMain->Active()) return;
  const bool payable =
      !dbMain->IsEmpty() || dbMain->State() == dsInsert ? Fld("CHK")->AsInteger() != 0 : true;
  DBSum->Font()->SetColor(payable ? clWindowText : clRed);
  DBSum->SetCaption(RegisterShowsValues() ? "Сумма: " + Fld("SUM")->DisplayText() + " р." : "");
}

namespace {
// "%.7d" without the general formatter: it runs for every record an
// ordering or a sum reads.
std::string SevenDigits(int value) {
  if (value < 0) return Format("%.7d", value);
  std::string digits = std::to_string(value);
  if (digits.size() < 7) digits.insert(0, 7 - digits.size(), '0');
  return digits;
}
}  // namespace

void TCustFrame::CalcCertificateKey() {
  FCalc.CCertif->SetAsString(FCalc.SCertif->AsString() + " " +
                             SevenDigits(FCalc.NCertif->AsInteger()));
}

void TCustFrame::CalcFio() {
  std::string fio = FCalc.LName->AsString();
  fio += ' ';
  fio += FCalc.FName->AsString();
  fio += ' ';
  fio += FCalc.MName->AsString();
  FCalc.Fio->SetAsString(fio);
}

void TCustFrame::DbMainCalcFields(TDataSet*) {
  if (FCalc.Fio == nullptr) {
    FCalc = {Fld("SCERTIF"), Fld("NCERTIF"), Fld("LNAME"),   Fld("FNAME"),
             Fld("MNAME"),   Fld("FIO"),     Fld("cCERTIF"), Fld("SUM")};
  }
  if (FSumOnly) {
    FCalc.Sum->SetAsCurrency(CouponSum());
    return;
  }
  if (!FTable->CalculatingRecord()) {
    CalcKeys();
    return;
  }
  CalcFio();
  CalcCertificateKey();
  CalcCouponFields();
  FCalc.Sum->SetAsCurrency(CouponSum());
}

void TCustFrame::CalcKeys() {
  bool certificate = false, fio = false, other = false;
  for (const TDbfCursor* ordering : dbMain->Orderings()) {
    const std::string& key = ordering->KeyFieldName();
    if (key.empty()) continue;
    if (key == "cCERTIF") {
      certificate = true;
    } else if (key == "FIO") {
      fio = true;
    } else if (std::find(FCalcNames.begin(), FCalcNames.end(), key) != FCalcNames.end()) {
      other = true;
    }
  }
  if (fio || other) CalcFio();
  if (certificate || other) CalcCertificateKey();
  if (other) CalcCouponFields();
  if (FCollecting) {
    FCollectedSum += CouponSum();
    ++FCollectedCount;
  }
}

void TCustFrame::CollectSum(const std::function<void()>& rebuild) {
  FCollectedSum = Currency();
  FCollectedCount = 0;
  {
    TFlagGuard collecting(FCollecting);
    rebuild();
  }
  if (!dbMain->Active()) return;
  // Each record's key once: anything else (an ordering the table did not
  // rebuild) takes a pass of its own.
  if (FCollectedCount == dbMain->RecordCount()) {
    SetFooterSum(FCollectedSum);
  } else {
    RecalcSum();
  }
}

void TCustFrame::RecalcSum() {
  // The pass scrolls, and a scroll may ask for the whole sum again.
  if (!dbMain->Active() || FSumOnly) return;
  TField* sum = Fld("SUM");
  Currency total;
  TControlsDisabledGuard disabled(dbMain);
  {
    TFlagGuard sumOnly(FSumOnly);
    for (dbMain->First(); !dbMain->Eof(); dbMain->Next()) total += sum->AsCurrency();
  }
  // The records shown get all their fields again.
  dbMain->First();
  SetFooterSum(total);
}

void TCustFrame::SetFooterSum(Currency total) {
  TDBSumListProducer* sums = grdMain->SumList();
  for (int i = 0; i < sums->SumCollection()->Count(); ++i) {
    TDBSum* item = sums->SumCollection()->Items(i);
    if (item->GroupOperation() == goSum && item->FieldName() == "SUM") item->SetSumValue(total);
  }
  if (sums->SumListChanged) sums->SumListChanged(sums);
}

void TCustFrame::DbMainNewRecord(TDataSet*) {
  for (int i = 0; i < dbMain->FieldCount(); ++i) {
    TField* field = dbMain->Fields().Fields(i);
    if (!field->Calculated() && dynamic_cast<TIntegerField*>(field) != nullptr)
      field->SetAsInteger(0);
  }
  Fld("NCERTIF")->SetAsInteger(0);
  Fld("TDOC")->SetAsInteger(14);
  Fld("SCERTIF")->SetAsString("Б");
  NewCouponRecord();
}

void TCustFrame::DbMainBeforePost(TDataSet*) {
  ValidateCommon();
  ValidateCoupon();
}

namespace {
bool Empty(TField* field) { return field->IsNull() || field->AsDateTime() < 1; }
}  // namespace

void TCustFrame::ValidateCommon() {
  const int id = FrameID();
  const TDateTime now = Now();
  const std::string today = FormatDateTime("dd.mm.yyyy", now);
  if (Fld("NCERTIF")->AsInteger() < 1) ErrorAbort("Не указан номер сертификата. ");
  const TDateTime dcertif = Empty(Fld("DCERTIF")) ? 0 : Fld("DCERTIF")->AsDateTime();
  // The series the record will be stored with, not the one typed: the
  // year rule below may change it.
  const bool early =
      (id == 1 && YearOf(dcertif) < 2007) || (id == 2 && YearOf(Fld("DREG")->AsDateTime()) < 2007);
  const std::string series = early ? "А" : "Б";
  const std::string key = series + " " + SevenDigits(Fld("NCERTIF")->AsInteger());
  if (dbMain->FindOtherKey("cCERTIF", key, TFindOptions()) > 0)
    ErrorAbort("Указанный номер сертификата уже существует в текущем реестре.");
  const int fromYear = id == 3 ? 2007 : 2006;
  if (dcertif < EncodeDate(fromYear, 1, 1) || dcertif > now)
    ErrorAbort(Format("Дата выдачи сертификата должна быть в промежутке 01.01.%d - %s.", fromYear,
                      today.c_str()));
  if (Empty(Fld("DREG"))) {
    if (id == 1) ErrorAbort("Не указана дата постановки на учет. ");
    if (id == 2) ErrorAbort("Не указана дата родов.");
  }
  if (!IsValidSnils(Fld("SNILS")->AsString())) ErrorAbort("Не верно указан СНИЛС.");
  if (Trim(Fld("LNAME")->AsString()).empty()) ErrorAbort("Не указана фамилия.");
  if (Trim(Fld("FNAME")->AsString()).empty()) ErrorAbort("Не указано имя.");
  if (Empty(Fld("BDATE"))) ErrorAbort("Не указана дата рождения.");
  const int age = static_cast<int>(dcertif - Fld("BDATE")->AsDateTime()) / 365;
  if (age < 10) ErrorAbort("Возраст матери на момент выдачи сертификата меньше 10 лет.");
  if (age > 60) ErrorAbort("Возраст матери на момент выдачи сертификата больше 60 лет.");
  const int tdoc = Fld("TDOC")->AsInteger();
  if (tdoc == 0) ErrorAbort("Не указан тип удостоверения личности.");
  const bool seriesNeeded =
      (tdoc >= 1 && tdoc <= 4) || (tdoc >= 6 && tdoc <= 8) || (tdoc >= 14 && tdoc <= 17);
  if (seriesNeeded && Trim(Fld("SDOC")->AsString()).empty())
    ErrorAbort("Не указана серия удостоверения личности.");
  if (Trim(Fld("NDOC")->AsString()).empty()) ErrorAbort("Не указана номер удостоверения личности.");
  if (Empty(Fld("DDOC"))) ErrorAbort("Не указана дата выдачи удостоверения личности.");
  const TDateTime ddoc = Fld("DDOC")->AsDateTime();
  if (Fld("BDATE")->AsDateTime() > ddoc) ErrorAbort("Удостоверение личности выдано до рождения.");
  if (ddoc > now) ErrorAbort("Дата выдачи удостоверение личности превышает текущую.");
  if (Trim(Fld("ODOC")->AsString()).empty())
    ErrorAbort("Не указана организация, выдавшая удостоверение личности.");
  if (!Empty(Fld("DLEAF")) && YearOf(Fld("DLEAF")->AsDateTime()) < 2005)
    ErrorAbort("Не верно указана дата листка нетрудоспособности.");
  if (!Empty(Fld("DCARD")) && YearOf(Fld("DCARD")->AsDateTime()) < 2005)
    ErrorAbort("Не верно указана дата обменной карты.");

  Fld("SCERTIF")->SetAsString(series);
  Fld("SPOLICY")->SetAsString(AnsiUpperCase(Fld("SPOLICY")->AsString()));
  Fld("SLEAF")->SetAsString(AnsiUpperCase(Fld("SLEAF")->AsString()));
}

void TCustFrame::TakeOverCertificate() {
  if (TWinControl* focused = ActiveControl()) SelectNext(focused, true, true);
  if (fmDict == nullptr) return;
  const std::string key =
      Fld("SCERTIF")->AsString() + " " + SevenDigits(Fld("NCERTIF")->AsInteger());
  if (!fmDict->LookUp(FrameID(), key)) return;
  TakeOverFrom(*fmDict->Table());
}

void TCustFrame::TakeOverFrom(const TDataSet& source) {
  if (dbMain->State() != dsEdit && dbMain->State() != dsInsert) dbMain->Edit();
  for (int i = 0; i < dbMain->FieldCount(); ++i) {
    TField* field = dbMain->Fields()[i];
    // Calculated fields follow from the stored ones.
    if (field->FieldKind() != fkData) continue;
    if (const TField* from = source.FindField(field->FieldName()))
      field->SetAsString(from->AsString());
  }
}
