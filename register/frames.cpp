#include "register/frames.h"
#include "platform/base/scope_guard.h"
#include "platform/data/data_guards.h"
#include "register/print_register.h"

#include <algorithm>
#include <cmath>

#include "controls/db_check_box.h"
#include "controls/db_edit.h"
#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/exceptions.h"
#include "platform/base/format.h"
#include "platform/base/number_format.h"
#include "platform/base/text.h"
#include "platform/gui/services.h"
#include "platform/widgets/std_panels.h"
#include "register/data_module.h"
#include "register/exchange_export.h"
#include "register/message_boxes.h"
#include "register/register_upgrade.h"

namespace {

void WriteExchange(TCustFrame& frame, const std::string& fileName) {
  frame.OrderByCertificate();
  TLpuAccess lpu{[](const std::string&) { return std::string(); },
                 [](const std::string&, const std::string&) {}, [] {}};
  if (DM != nullptr) lpu = LpuOf(*DM);
  ExportRegisterXml(*frame.dbMain, fileName, frame.FrameID(), frame.FileType(), lpu, Now());
}

bool DateEmpty(TField* field) { return field->IsNull() || field->AsDateTime() < 1; }

template <class T>
T* AddChildField(TDataSet* ds, const std::string& name, int size = 0) {
  T* field = Create<T>(ds);
  field->SetFieldName(name);
  if (size > 0) field->SetSize(size);
  field->SetDataSet(ds);
  return field;
}

}  // namespace

// --- coupon No. 1

TFrmT1::TFrmT1(TComponent* owner) : TCustFrame(owner) { SetCaption("Талон 1"); }

void TFrmT1::AfterConstruction() {
  TCustFrame::AfterConstruction();
  InstallStructureUpgrade(
      *dbMain, false, [this](int total, int done, bool&) { ShowProgress(done, total); },
      [this] { SB->Panels()->Items(1)->SetText(""); });
}

void TFrmT1::AddCouponFields() {
  auto* qtw2 = AddField<TSmallintField>("QTW2", 0, "2.0");
  qtw2->SetMaxValue(99);
  auto* mulp = AddField<TSmallintField>("MULP", 0, "1.0");
  mulp->SetDisplayFormat("0");
  auto* prem = AddField<TSmallintField>("PREM", 0, "1.0");
  prem->SetDisplayFormat("0");
  AddField<TSmallintField>("cQTW1")->SetFieldKind(fkCalculated);
}

void TFrmT1::AddCouponCard(int top) {
  TGroupBox* group = Create<TGroupBox>(this);
  group->SetParent(tsCard);
  group->SetCaption("Срок беременности (в неделях)");
  group->SetBounds(12, top, 390, 84);
  TCustomDBEditEh* qtw1 =
      CardEdit("cQTW1", "-на момент постановки на учет", 12, 22, 50, 230, group);
  qtw1->SetReadOnly(true);
  qtw1->SetTabStop(false);
  TCustomDBEditEh* qtw2 = CardEdit("QTW2", "-на момент выдачи сертификата", 12, 50, 50, 230, group);
  qtw2->OnKeyPress = [](TObject*, char32_t& key) {
    if (key == U'+' || key == U'-') key = 0;
  };
  int y = top + 10;
  for (auto [name, caption] : {std::pair{"MULP", "- многоплодная беременность"},
                               std::pair{"PREM", "- преждевременные успешные роды"}}) {
    TDBCheckBoxEh* box = Create<TDBCheckBoxEh>(this);
    box->SetParent(tsCard);
    box->SetCaption(caption);
    box->SetBounds(420, y, 300, 21);
    box->SetDataSource(dsmain);
    box->SetDataField(name);
    box->SetValueChecked("1");
    box->SetValueUnchecked("0");
    HookCardKeys(box);
    y += 28;
  }
}

void TFrmT1::BindCalcFields() {
  if (FDReg != nullptr) return;
  FDReg = Fld("DREG");
  FDCertif = Fld("DCERTIF");
  FQtw2 = Fld("QTW2");
  FCQtw1 = Fld("cQTW1");
  FChk = Fld("CHK");
}

void TFrmT1::CalcCouponFields() {
  BindCalcFields();
  int term = 0;
  if (!DateEmpty(FDReg)) {
    const int weeks = static_cast<int>(static_cast<std::int64_t>(FDCertif->AsDateTime()) -
                                       static_cast<std::int64_t>(FDReg->AsDateTime())) /
                      7;
    term = std::max(0, FQtw2->AsInteger() - weeks);
  }
  FCQtw1->SetAsInteger(term);
}

Currency TFrmT1::CouponSum() {
  BindCalcFields();
  const int rate = YearOf(FDCertif->AsDateTime()) < 2007 ? 2000 : 3000;
  return Currency(FChk->AsInteger() * rate);
}

void TFrmT1::ValidateCoupon() {
  const auto dcertif = static_cast<std::int64_t>(Fld("DCERTIF")->AsDateTime());
  const auto dreg = static_cast<std::int64_t>(Fld("DREG")->AsDateTime());
  const int qtw2 = Fld("QTW2")->AsInteger();
  const int weeks = static_cast<int>(dcertif - dreg) / 7;
  const int qtw1 = qtw2 - weeks > 0 ? qtw2 - weeks : 0;
  if (dreg > dcertif) ErrorAbort("Дата постановки на учет больше даты выдачи сертификата.");
  if (qtw2 < 1) ErrorAbort("Не указан срок беременности на момент выдачи сертификата.");
  if (qtw1 > 49) ErrorAbort("Срок беременности на дату постановки на учет превышает 49 недель.");
  if (qtw2 > 49) ErrorAbort("Срок беременности на дату выдачи сертификата превышает 49 недель.");
  if (qtw2 - qtw1 > 49) ErrorAbort("Период наблюдения превышает 49 недель");

  Fld("CHK")->SetAsInteger(1);
  const int observed = static_cast<int>(dcertif - dreg + 1) / 7;
  const int mulp = Fld("MULP")->AsInteger();
  const int prem = Fld("PREM")->AsInteger();
  std::string reason;
  if (observed < 12) {
    reason = "Период наблюдения меньше 12 недель.";
  } else if ((qtw2 >= 20 && qtw2 < 28 && prem == 0) ||
             (qtw2 >= 28 && qtw2 < 30 && mulp + prem == 0) || qtw2 < 20) {
    reason = "Срок беременности на момент выдачи сертификата меньше 30 недель.";
  }
  if (reason.empty()) return;
  Fld("CHK")->SetAsInteger(0);
  if (!AskYesCaption("Талон не подлежит оплате.", reason + "\r\nСохранить изменения?")) Abort();
}

void TFrmT1::ExportXml(const std::string& fileName) { WriteExchange(*this, fileName); }

void TFrmT1::PrintApplication2() {
  try {
    PrintApplication2Of(*this);
  } catch (...) {
    UpdatePosition();
    throw;
  }
  UpdatePosition();
}

// --- the child rows

void TChildFrame::AfterConstruction() {
  mtChild = Create<TmemDs>(this);
  mtChild->SetName("mtChild");
  dsChild = Create<TDataSource>(this);
  dsChild->SetDataSet(mtChild);
  AddChildFields();
  mtChild->Open();
  mtChild->BeforePost = [this](TDataSet* ds) {
    if (ds->Tag() != 1) ValidateChildRow();
  };
  mtChild->BeforeInsert = [](TDataSet* ds) {
    // A seventh row has no group to go to.
    if (ds->RecordCount() >= kMaxChildren) Abort();
  };
  dsChild->OnStateChange = [this](TObject*) { ChildStateChanged(); };
  TCustFrame::AfterConstruction();
}

void TChildFrame::LabelFields() {
  TCustFrame::LabelFields();
  for (const std::string& name : ChildGroupFields()) {
    const std::string label = mtChild->FieldByName(name)->DisplayName();
    for (int i = 1; i <= kMaxChildren; ++i) {
      TField* field = dbMain->FindField(name + IntToStr(i));
      if (field != nullptr && field->DisplayLabel().empty())
        field->SetDisplayLabel(label + " (" + IntToStr(i) + ")");
    }
  }
}

void TChildFrame::ChildStateChanged() {
  if (FChildrenModified || mtChild->State() == dsBrowse || mtChild->State() == dsInactive) return;
  FChildrenModified = true;
  if (dbMain->State() != dsBrowse) return;
  // In a register without records this starts a new record, whose rows
  // are the one being started: reloading them would drop it mid-insert.
  TFlagGuard startingRow(FStartingRow);
  dbMain->Edit();
}

void TChildFrame::NewCouponRecord() {
  if (!FStartingRow) LoadChildren();
}

void TChildFrame::MakeChildGrid(int top, int height) {
  grdChild = Create<TDBGridEh>(this);
  grdChild->SetParent(tsCard);
  grdChild->SetBounds(12, top, 760, height);
  grdChild->SetUseMultiTitle(true);
  grdChild->SetOptions(grdChild->Options() + TDBGridOptions{dgAlwaysShowSelection} -
                       TDBGridOptions{dgConfirmDelete});
  grdChild->SetDataSource(dsChild);
  grdChild->OnKeyDown = [this](TObject*, unsigned& key, TShiftState shift) {
    // Ctrl+Delete too: the grid's own delete would drop the row without
    // the record knowing its rows changed.
    if (key == VK_DELETE && (shift.Empty() || shift == TShiftState{ssCtrl}) &&
        !grdChild->EditorMode()) {
      key = 0;
      DeleteChildRow();
    }
  };
}

void TChildFrame::DeleteChildRow() {
  if (mtChild->RecordCount() < 1) return;
  if (dbMain->State() == dsBrowse) dbMain->Edit();
  mtChild->Delete();
  FChildrenModified = true;
  ChildRowDeleted();
}

bool TChildFrame::IsEditing() { return TCustFrame::IsEditing() || FChildrenModified; }

void TChildFrame::CancelRecord() {
  TCustFrame::CancelRecord();
  if (mtChild->State() == dsEdit || mtChild->State() == dsInsert) mtChild->Cancel();
  LoadChildren();
}

void TChildFrame::LoadChildren() {
  // Put back in the reverse order: the tag, the controls, the event.
  TValueGuard<TNotifyEvent> quiet(dsChild->OnStateChange, nullptr);
  TControlsDisabledGuard disabled(mtChild);
  mtChild->SetTag(1);
  TScopeExit loaded([this] { mtChild->SetTag(0); });
  mtChild->Close();
  mtChild->Open();
  if (dbMain->Active() && (!dbMain->IsEmpty() || dbMain->State() == dsInsert)) {
    const std::vector<std::string> names = ChildGroupFields();
    const int count = std::min(Fld("CQNT")->AsInteger(), kMaxChildren);
    for (int i = 1; i <= count; ++i) {
      mtChild->Append();
      for (const std::string& name : names)
        mtChild->FieldByName(name)->SetValue(dbMain->FieldByName(name + IntToStr(i))->Value());
      mtChild->Post();
    }
    mtChild->First();
  }
  FChildrenModified = false;
}

int TChildFrame::StoreChildren(const std::string& noRowsMessage) {
  if (dbMain->State() != dsEdit && dbMain->State() != dsInsert)
    throw Exception("dsMain.State not in Edit or Insert mode");
  if (mtChild->State() == dsEdit || mtChild->State() == dsInsert) mtChild->Post();
  if (mtChild->RecordCount() == 0) ErrorAbort(noRowsMessage);
  const int rows = std::min(mtChild->RecordCount(), kMaxChildren);
  const std::vector<std::string> names = ChildGroupFields();
  const TBookmark place = mtChild->GetBookmark();
  TControlsDisabledGuard disabled(mtChild);
  mtChild->First();
  for (int i = 1; i <= kMaxChildren; ++i) {
    for (const std::string& name : names) {
      TField* to = dbMain->FieldByName(name + IntToStr(i));
      if (i <= rows) {
        to->SetValue(mtChild->FieldByName(name)->Value());
      } else {
        to->Clear();
      }
    }
    if (i <= rows) mtChild->Next();
  }
  Fld("CQNT")->SetAsInteger(rows);
  if (mtChild->BookmarkValid(place)) mtChild->GotoBookmark(place);
  FChildrenModified = false;
  return rows;
}

// --- coupon No. 2

TFrmT2::TFrmT2(TComponent* owner) : TChildFrame(owner) { SetCaption("Талон 2"); }

void TFrmT2::AfterConstruction() {
  TChildFrame::AfterConstruction();
  InstallStructureUpgrade(
      *dbMain, true, [this](int total, int done, bool&) { ShowProgress(done, total); },
      [this] { SB->Panels()->Items(1)->SetText(""); });
}

void TFrmT2::AddCouponFields() {
  AddField<TStringField>("DIAG", 6);
  AddField<TSmallintField>("CQNT", 0, "1.0");
  for (int i = 1; i <= kMaxChildren; ++i) {
    AddField<TStringField>(Format("SEX%d", i), 1);
    auto* weight = AddField<TFloatField>(Format("WEIGHT%d", i), 0, "5.3");
    weight->SetDisplayFormat("0.000");
    weight->SetEditFormat("#.###");
    AddField<TSmallintField>(Format("GROWTH%d", i), 0, "2.0")->OnSetText =
        [](TField* sender, const std::string& text) {
          sender->SetAsInteger(Trim(text).empty() ? 0 : StrToInt(Trim(text)));
        };
    AddField<TStringField>(Format("DIAG%d", i), 6);
  }
  AddField<TSmallintField>("BQNT", 0, "2.0");
  AddField<TStringField>("Childs", 70)->SetFieldKind(fkCalculated);
}

void TFrmT2::AddChildFields() {
  AddChildField<TStringField>(mtChild, "SEX", 1)->SetDisplayLabel("Пол");
  auto* weight = AddChildField<TCurrencyField>(mtChild, "WEIGHT");
  weight->SetDisplayLabel("Вес, кг");
  weight->SetEditMask("9.999");
  weight->SetDisplayFormat("0.000");
  auto* growth = AddChildField<TSmallintField>(mtChild, "GROWTH");
  growth->SetDisplayLabel("Рост, см");
  growth->SetEditMask("99");
  AddChildField<TStringField>(mtChild, "DIAG", 6)->SetDisplayLabel("МКБ-10 (в случ. смерти)");
  mtChild->OnNewRecord = [](TDataSet* ds) { ds->FieldByName("SEX")->SetAsString("М"); };
}

std::vector<std::string> TFrmT2::ChildGroupFields() const {
  return {"SEX", "WEIGHT", "GROWTH", "DIAG"};
}

void TFrmT2::AddCouponCard(int top) {
  TCustomDBEditEh* diag = CardEdit("DIAG", "- причина смерти матери (МКБ-10)", 12, top, 80, 230);
  CardEdit("BQNT", "Количество детей, включая рожденных ранее", 400, top, 40, 300);
  MakeChildGrid(top + 32, 170);
  grdChild->SetName("DBGridEh1");
  struct TColumnDef {
    const char* Field;
    const char* Title;
    int Width;
  };
  grdChild->BeginLayout();
  for (const TColumnDef& c :
       {TColumnDef{"SEX", "Пол", 50}, TColumnDef{"WEIGHT", "Вес, кг", 80},
        TColumnDef{"GROWTH", "Рост, см", 80}, TColumnDef{"DIAG", "МКБ-10 (в случ. смерти)", 170}}) {
    TColumnEh* column = grdChild->Columns()->Add();
    column->SetFieldName(c.Field);
    column->Title()->SetCaption(c.Title);
    column->SetWidth(c.Width);
  }
  TStringList sexes;
  sexes.Add("М");
  sexes.Add("Ж");
  grdChild->Columns()->Items(0)->SetPickList(&sexes);
  grdChild->EndLayout();
  // ICD-10 codes are Latin: English while in the field, then back.
  auto english = [](TObject*) { EnterCodeLayout(1033); };
  auto back = [](TObject*) { LeaveCodeLayout(); };
  diag->OnEnter = english;
  diag->OnExit = back;
  // The newborn's code is a column of the child grid: moving into it, or
  // into the grid while it is current, counts as entering the field.
  auto onCode = [this] {
    TField* field = grdChild->SelectedField();
    return field != nullptr && field->FieldName() == "DIAG";
  };
  grdChild->OnColEnter = [onCode, english](TObject* sender) {
    if (onCode()) english(sender);
  };
  grdChild->OnColExit = [onCode, back](TObject* sender) {
    if (onCode()) back(sender);
  };
  grdChild->OnEnter = grdChild->OnColEnter;
  grdChild->OnExit = grdChild->OnColExit;
}

void TFrmT2::CalcCouponFields() {
  std::string text;
  const int count = std::min(Fld("CQNT")->AsInteger(), kMaxChildren);
  for (int i = 1; i <= count; ++i) {
    text += GroupFld("SEX", i)->AsString() + "," +
            FormatFloat("0.000", GroupFld("WEIGHT", i)->AsFloat()) + "," +
            IntToStr(GroupFld("GROWTH", i)->AsInteger());
    const std::string diag = GroupFld("DIAG", i)->AsString();
    if (!Trim(diag).empty()) text += "," + diag;
    text += ";";
  }
  Fld("Childs")->SetAsString(Copy(text, 1, 70));
}

Currency TFrmT2::CouponSum() {
  const int rate = YearOf(Fld("DREG")->AsDateTime()) < 2007 ? 5000 : 6000;
  return Currency(Fld("CHK")->AsInteger() * rate);
}

void TFrmT2::ValidateChildRow() {
  if (Trim(mtChild->FieldByName("SEX")->AsString()).empty())
    ErrorAbort("Не указан пол новорожденного.");
  const double weight = mtChild->FieldByName("WEIGHT")->AsFloat();
  if (!(weight > 0) || !(weight < 10)) ErrorAbort("Не указан вес новорожденного.");
  const int growth = mtChild->FieldByName("GROWTH")->AsInteger();
  if (growth <= 29 || growth >= 100) ErrorAbort("Не верно указан рост новорожденного.");
  if (static_cast<int>(std::trunc(weight * 1000 / growth)) > 200)
    ErrorAbort("Не верное соотношение веса\\роста новорожденного.");
}

void TFrmT2::ChildRowDeleted() {
  TField* bqnt = Fld("BQNT");
  if (bqnt->AsInteger() >= 1) bqnt->SetAsInteger(bqnt->AsInteger() - 1);
}

void TFrmT2::ValidateCoupon() {
  const TDateTime dreg = Fld("DREG")->AsDateTime();
  if (dreg < EncodeDate(2006, 1, 1) || dreg > Now())
    ErrorAbort("Дата родов должна быть в промежутке 01.01.2006 - " +
               FormatDateTime("dd.mm.yyyy", Now()) + ".");
  const int rows = StoreChildren("Нет сведений о новорожденных.");
  int withDiagnosis = 0;
  for (int i = 1; i <= rows; ++i) {
    if (!Trim(dbMain->FieldByName(Format("DIAG%d", i))->AsString()).empty()) ++withDiagnosis;
  }
  const bool payable = Trim(Fld("DIAG")->AsString()).empty() && withDiagnosis < rows;
  Fld("CHK")->SetAsInteger(payable ? 1 : 0);
  if (Fld("BQNT")->AsInteger() < mtChild->RecordCount())
    Fld("BQNT")->SetAsInteger(mtChild->RecordCount());
}

void TFrmT2::ExportXml(const std::string& fileName) { WriteExchange(*this, fileName); }

// --- coupon No. 3

TFrmT3::TFrmT3(TComponent* owner) : TChildFrame(owner) { SetCaption("Талон 3"); }

void TFrmT3::AddCouponFields() {
  AddField<TSmallintField>("CQNT", 0, "1.0");
  for (const char* name : {"LNAME", "FNAME", "MNAME"})
    for (int i = 1; i <= kMaxChildren; ++i)
      NameRules(AddField<TStringField>(Format("%s%d", name, i), 40));
  for (int i = 1; i <= kMaxChildren; ++i) AddField<TStringField>(Format("SPOLICY%d", i), 14);
  for (int i = 1; i <= kMaxChildren; ++i) AddField<TStringField>(Format("NPOLICY%d", i), 20);
  for (const char* name : {"DATEBOBS", "DATEEOBS", "BDATE"})
    for (int i = 1; i <= kMaxChildren; ++i)
      DateRules(AddField<TDateField>(Format("%s%d", name, i)));
}

void TFrmT3::AddChildFields() {
  for (auto [name, label] :
       {std::pair{"LNAME", "Фамилия"}, std::pair{"FNAME", "Имя"}, std::pair{"MNAME", "Отчество"}}) {
    auto* field = AddChildField<TStringField>(mtChild, name, 40);
    field->SetDisplayLabel(label);
    NameRules(field);
  }
  for (auto [name, label] :
       {std::pair{"BDATE", "Дата рождения"}, std::pair{"DATEBOBS", "Начало периода наблюдения"},
        std::pair{"DATEEOBS", "Окончание периода наблюдения"}}) {
    auto* field = AddChildField<TDateField>(mtChild, name);
    field->SetDisplayLabel(label);
    DateRules(field);
  }
  AddChildField<TStringField>(mtChild, "SPOLICY", 14)->SetDisplayLabel("Серия полиса ОМС");
  AddChildField<TStringField>(mtChild, "NPOLICY", 20)->SetDisplayLabel("Номер полиса ОМС");
}

std::vector<std::string> TFrmT3::ChildGroupFields() const {
  return {"LNAME", "FNAME", "MNAME", "BDATE", "DATEBOBS", "DATEEOBS", "SPOLICY", "NPOLICY"};
}

void TFrmT3::AddCouponCard(int top) {
  TLabel* caption = Create<TLabel>(this);
  caption->SetParent(tsCard);
  caption->SetCaption("Сведения о детях и периоде наблюдения");
  caption->SetBounds(12, top, 400, 17);
  const int gridTop = top + 20;
  MakeChildGrid(gridTop, 170);
  grdChild->SetName("grdChild");
  struct TColumnDef {
    const char* Field;
    const char* Title;
    int Width;
  };
  grdChild->BeginLayout();
  for (const TColumnDef& c :
       {TColumnDef{"LNAME", "Фамилия", 110}, TColumnDef{"FNAME", "Имя", 90},
        TColumnDef{"MNAME", "Отчество", 110}, TColumnDef{"BDATE", "Дата рождения", 80},
        TColumnDef{"DATEBOBS", "Период наблюдения|Начало", 80},
        TColumnDef{"DATEEOBS", "Период наблюдения|Окончание", 80},
        TColumnDef{"SPOLICY", "Полис ОМС|Серия", 70},
        TColumnDef{"NPOLICY", "Полис ОМС|Номер", 110}}) {
    TColumnEh* column = grdChild->Columns()->Add();
    column->SetFieldName(c.Field);
    column->Title()->SetCaption(c.Title);
    column->SetWidth(c.Width);
  }
  grdChild->EndLayout();
  tsCard->OnResize = [this, gridTop](TObject*) {
    grdChild->SetBounds(0, gridTop, tsCard->ClientWidth(),
                        std::max(40, tsCard->ClientHeight() - gridTop - 2));
  };
}

Currency TFrmT3::CouponSum() { return Currency(Fld("CQNT")->AsInteger() * 1000); }

void TFrmT3::ValidateChildRow() {
  if (Trim(mtChild->FieldByName("LNAME")->AsString()).empty())
    ErrorAbort("Не указана фамилия ребенка.");
  if (Trim(mtChild->FieldByName("FNAME")->AsString()).empty())
    ErrorAbort("Не указано имя ребенка.");
  TField* bdateField = mtChild->FieldByName("BDATE");
  const TDateTime bdate = DateEmpty(bdateField) ? 0 : bdateField->AsDateTime();
  if (bdate < EncodeDate(2007, 1, 1)) ErrorAbort("Дата рождения ребенка меньше 01.01.2007.");
  const TDateTime b6 = IncMonth(bdate, 6);
  TField* start = mtChild->FieldByName("DATEBOBS");
  TField* end = mtChild->FieldByName("DATEEOBS");
  if (FileType() == 31) {
    if (DateEmpty(start)) start->SetAsDateTime(bdate);
    if (start->AsDateTime() < bdate) ErrorAbort("Начало периода наблюдения раньше даты рождения.");
  } else if (FileType() == 32) {
    if (DateEmpty(start)) start->SetAsDateTime(b6);
    if (start->AsDateTime() < b6)
      ErrorAbort(
          "Для талона 3-2 начало периода наблюдения\r\nраньше 6-ти месяцев со дня рождения "
          "ребенка.");
  }
  const TDateTime begin = DateEmpty(start) ? 0 : start->AsDateTime();
  const TDateTime e6 = IncMonth(begin, 6);
  if (DateEmpty(end)) end->SetAsDateTime(e6);
  if (end->AsDateTime() < begin) ErrorAbort("Окончание периода наблюдения раньше начала.");
  if (end->AsDateTime() < e6) ErrorAbort("Период наблюдения меньше 6-ти месяцев.");
  TField* series = mtChild->FieldByName("SPOLICY");
  series->SetAsString(AnsiUpperCase(series->AsString()));
}

void TFrmT3::ValidateCoupon() {
  StoreChildren("Нет сведений о детях.");
  Fld("CHK")->SetAsInteger(1);
  if (Fld("CQNT")->AsInteger() < mtChild->RecordCount())
    Fld("CQNT")->SetAsInteger(std::min(mtChild->RecordCount(), kMaxChildren));
}

void TFrmT3::ExportXml(const std::string& fileName) { WriteExchange(*this, fileName); }

void RegisterCouponFrames() {
  RegisterFrameClass(FrameClassOf<TFrmT1>(1));
  RegisterFrameClass(FrameClassOf<TFrmT2>(2));
  RegisterFrameClass(FrameClassOf<TFrmT3>(3));
}
