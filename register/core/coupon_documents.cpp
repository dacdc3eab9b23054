#include "register/core/coupon_documents.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/format.h"
#include "platform/base/number_format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/data/data_guards.h"

namespace {
bool DateEmpty(TField* field) { return field->IsNull() || field->AsDateTime() < 1; }

// The child rows' Tag while they are loaded from the record: rows posted
// then are the stored ones and are not checked again.
constexpr std::intptr_t kLoadingChildrenTag = 1;
}  // namespace

// --- coupon No. 1

void TCoupon1Document::AfterConstruction() {
  TRegisterDocument::AfterConstruction();
  UpgradeOlderFiles(false);
}

void TCoupon1Document::AddCouponFields() {
  auto* qtw2 = AddField<TSmallintField>("QTW2", 0, "2.0");
  qtw2->SetMaxValue(99);
  auto* mulp = AddField<TSmallintField>("MULP", 0, "1.0");
  mulp->SetDisplayFormat("0");
  auto* prem = AddField<TSmallintField>("PREM", 0, "1.0");
  prem->SetDisplayFormat("0");
  AddField<TSmallintField>("cQTW1")->SetFieldKind(fkCalculated);
}

void TCoupon1Document::BindCalcFields() {
  if (FDReg != nullptr) return;
  FDReg = Fld("DREG");
  FDCertif = Fld("DCERTIF");
  FQtw2 = Fld("QTW2");
  FCQtw1 = Fld("cQTW1");
  FChk = Fld("CHK");
}

void TCoupon1Document::CalcCouponFields() {
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

Currency TCoupon1Document::CouponSum() {
  BindCalcFields();
  const int rate = YearOf(FDCertif->AsDateTime()) < 2007 ? 2000 : 3000;
  return Currency(FChk->AsInteger() * rate);
}

void TCoupon1Document::ValidateCoupon() {
  const auto dcertif = static_cast<std::int64_t>(Fld("DCERTIF")->AsDateTime());
  const auto dreg = static_cast<std::int64_t>(Fld("DREG")->AsDateTime());
  const int qtw2 = Fld("QTW2")->AsInteger();
  const int weeks = static_cast<int>(dcertif - dreg) / 7;
  const int qtw1 = qtw2 - weeks > 0 ? qtw2 - weeks : 0;
  if (dreg > dcertif) RuleBroken("Дата постановки на учет больше даты выдачи сертификата.");
  if (qtw2 < 1) RuleBroken("Не указан срок беременности на момент выдачи сертификата.");
  if (qtw1 > 49) RuleBroken("Срок беременности на дату постановки на учет превышает 49 недель.");
  if (qtw2 > 49) RuleBroken("Срок беременности на дату выдачи сертификата превышает 49 недель.");
  if (qtw2 - qtw1 > 49) RuleBroken("Период наблюдения превышает 49 недель");

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
  if (OnConfirmUnpayable && !OnConfirmUnpayable(reason)) Abort();
}

// --- the child rows

void TChildDocument::AfterConstruction() {
  FChildren = Create<TmemDs>(this);
  FChildren->SetName("FChildren");
  FChildSource = Create<TDataSource>(this);
  FChildSource->SetDataSet(FChildren);
  AddChildFields();
  FChildren->Open();
  FChildren->BeforePost = [this](TDataSet* ds) {
    if (ds->Tag() != kLoadingChildrenTag) CheckBeforePost([this] { ValidateChildRow(); });
  };
  FChildren->BeforeInsert = [](TDataSet* ds) {
    // A seventh row has no group to go to.
    if (ds->RecordCount() >= kMaxChildren) Abort();
  };
  FChildSource->OnStateChange = [this](TObject*) { ChildStateChanged(); };
  TRegisterDocument::AfterConstruction();
}

void TChildDocument::LabelFields() {
  TRegisterDocument::LabelFields();
  for (const std::string& name : ChildGroupFields()) {
    const std::string label = FChildren->FieldByName(name)->DisplayName();
    for (int i = 1; i <= kMaxChildren; ++i) {
      TField* field = Table()->FindField(name + IntToStr(i));
      if (field != nullptr && field->DisplayLabel().empty())
        field->SetDisplayLabel(label + " (" + IntToStr(i) + ")");
    }
  }
}

void TChildDocument::ChildStateChanged() {
  if (FChildrenModified || FChildren->State() == dsBrowse || FChildren->State() == dsInactive)
    return;
  FChildrenModified = true;
  if (Table()->State() != dsBrowse) return;
  // In a register without records this starts a new record, whose rows
  // are the one being started: reloading them would drop it mid-insert.
  TFlagGuard startingRow(FStartingRow);
  Table()->Edit();
}

void TChildDocument::NewCouponRecord() {
  if (!FStartingRow) LoadChildren();
}

void TChildDocument::DeleteChildRow() {
  if (FChildren->RecordCount() < 1) return;
  if (Table()->State() == dsBrowse) Table()->Edit();
  FChildren->Delete();
  FChildrenModified = true;
  ChildRowDeleted();
}

bool TChildDocument::IsEditing() const {
  return TRegisterDocument::IsEditing() || FChildrenModified;
}

void TChildDocument::Cancel() {
  TRegisterDocument::Cancel();
  if (FChildren->State() == dsEdit || FChildren->State() == dsInsert) FChildren->Cancel();
  LoadChildren();
}

void TChildDocument::LoadChildren() {
  {
    // Put back in the reverse order: the tag, the controls, the event.
    TValueGuard<TNotifyEvent> quiet(FChildSource->OnStateChange, nullptr);
    TControlsDisabledGuard disabled(FChildren);
    FChildren->SetTag(kLoadingChildrenTag);
    TScopeExit loaded([this] { FChildren->SetTag(0); });
    FChildren->Close();
    FChildren->Open();
    if (Table()->Active() && (!Table()->IsEmpty() || Table()->State() == dsInsert)) {
      const std::vector<std::string> names = ChildGroupFields();
      const int count = std::min(Fld("CQNT")->AsInteger(), kMaxChildren);
      for (int i = 1; i <= count; ++i) {
        FChildren->Append();
        for (const std::string& name : names)
          FChildren->FieldByName(name)->SetValue(Table()->FieldByName(name + IntToStr(i))->Value());
        FChildren->Post();
      }
      FChildren->First();
    }
    FChildrenModified = false;
  }
  // Told with the rows' controls back on.
  ChildrenLoaded();
}

int TChildDocument::StoreChildren(const std::string& noRowsMessage) {
  if (Table()->State() != dsEdit && Table()->State() != dsInsert)
    throw Exception("dsMain.State not in Edit or Insert mode");
  if (FChildren->State() == dsEdit || FChildren->State() == dsInsert) FChildren->Post();
  if (FChildren->RecordCount() == 0) RuleBroken(noRowsMessage);
  const int rows = std::min(FChildren->RecordCount(), kMaxChildren);
  const std::vector<std::string> names = ChildGroupFields();
  const TBookmark place = FChildren->GetBookmark();
  TControlsDisabledGuard disabled(FChildren);
  FChildren->First();
  for (int i = 1; i <= kMaxChildren; ++i) {
    for (const std::string& name : names) {
      TField* to = Table()->FieldByName(name + IntToStr(i));
      if (i <= rows) {
        to->SetValue(FChildren->FieldByName(name)->Value());
      } else if (dynamic_cast<TNumericField*>(to) != nullptr) {
        // Other readers of the file take a blank number column for no
        // number at all; an unused group holds 0.
        to->SetAsInteger(0);
      } else {
        to->Clear();
      }
    }
    if (i <= rows) FChildren->Next();
  }
  Fld("CQNT")->SetAsInteger(rows);
  if (FChildren->BookmarkValid(place)) FChildren->GotoBookmark(place);
  FChildrenModified = false;
  return rows;
}

// --- coupon No. 2

void TCoupon2Document::AfterConstruction() {
  TChildDocument::AfterConstruction();
  UpgradeOlderFiles(true);
}

void TCoupon2Document::AddCouponFields() {
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

void TCoupon2Document::AddChildFields() {
  AddChildField<TStringField>("SEX", 1)->SetDisplayLabel("Пол");
  auto* weight = AddChildField<TCurrencyField>("WEIGHT");
  weight->SetDisplayLabel("Вес, кг");
  weight->SetEditMask("9.999");
  weight->SetDisplayFormat("0.000");
  auto* growth = AddChildField<TSmallintField>("GROWTH");
  growth->SetDisplayLabel("Рост, см");
  growth->SetEditMask("99");
  AddChildField<TStringField>("DIAG", 6)->SetDisplayLabel("МКБ-10 (в случ. смерти)");
  FChildren->OnNewRecord = [](TDataSet* ds) { ds->FieldByName("SEX")->SetAsString("М"); };
}

std::vector<std::string> TCoupon2Document::ChildGroupFields() const {
  return {"SEX", "WEIGHT", "GROWTH", "DIAG"};
}

void TCoupon2Document::CalcCouponFields() {
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

Currency TCoupon2Document::CouponSum() {
  const int rate = YearOf(Fld("DREG")->AsDateTime()) < 2007 ? 5000 : 6000;
  return Currency(Fld("CHK")->AsInteger() * rate);
}

void TCoupon2Document::ValidateChildRow() {
  if (Trim(FChildren->FieldByName("SEX")->AsString()).empty())
    RuleBroken("Не указан пол новорожденного.");
  const double weight = FChildren->FieldByName("WEIGHT")->AsFloat();
  if (!(weight > 0) || !(weight < 10)) RuleBroken("Не указан вес новорожденного.");
  const int growth = FChildren->FieldByName("GROWTH")->AsInteger();
  if (growth <= 29 || growth >= 100) RuleBroken("Не верно указан рост новорожденного.");
  if (static_cast<int>(std::trunc(weight * 1000 / growth)) > 200)
    RuleBroken("Не верное соотношение веса\\роста новорожденного.");
}

void TCoupon2Document::ChildRowDeleted() {
  TField* bqnt = Fld("BQNT");
  if (bqnt->AsInteger() >= 1) bqnt->SetAsInteger(bqnt->AsInteger() - 1);
}

void TCoupon2Document::ValidateCoupon() {
  const TDateTime dreg = Fld("DREG")->AsDateTime();
  if (dreg < EncodeDate(2006, 1, 1) || dreg > Now())
    RuleBroken("Дата родов должна быть в промежутке 01.01.2006 - " +
               FormatDateTime("dd.mm.yyyy", Now()) + ".");
  const int rows = StoreChildren("Нет сведений о новорожденных.");
  int withDiagnosis = 0;
  for (int i = 1; i <= rows; ++i) {
    if (!Trim(Table()->FieldByName(Format("DIAG%d", i))->AsString()).empty()) ++withDiagnosis;
  }
  const bool payable = Trim(Fld("DIAG")->AsString()).empty() && withDiagnosis < rows;
  Fld("CHK")->SetAsInteger(payable ? 1 : 0);
  if (Fld("BQNT")->AsInteger() < FChildren->RecordCount())
    Fld("BQNT")->SetAsInteger(FChildren->RecordCount());
}

// --- coupon No. 3

void TCoupon3Document::AddCouponFields() {
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

void TCoupon3Document::AddChildFields() {
  for (auto [name, label] :
       {std::pair{"LNAME", "Фамилия"}, std::pair{"FNAME", "Имя"}, std::pair{"MNAME", "Отчество"}}) {
    auto* field = AddChildField<TStringField>(name, 40);
    field->SetDisplayLabel(label);
    NameRules(field);
  }
  for (auto [name, label] :
       {std::pair{"BDATE", "Дата рождения"}, std::pair{"DATEBOBS", "Начало периода наблюдения"},
        std::pair{"DATEEOBS", "Окончание периода наблюдения"}}) {
    auto* field = AddChildField<TDateField>(name);
    field->SetDisplayLabel(label);
    DateRules(field);
  }
  AddChildField<TStringField>("SPOLICY", 14)->SetDisplayLabel("Серия полиса ОМС");
  AddChildField<TStringField>("NPOLICY", 20)->SetDisplayLabel("Номер полиса ОМС");
}

std::vector<std::string> TCoupon3Document::ChildGroupFields() const {
  return {"LNAME", "FNAME", "MNAME", "BDATE", "DATEBOBS", "DATEEOBS", "SPOLICY", "NPOLICY"};
}

Currency TCoupon3Document::CouponSum() { return Currency(Fld("CQNT")->AsInteger() * 1000); }

void TCoupon3Document::ValidateChildRow() {
  if (Trim(FChildren->FieldByName("LNAME")->AsString()).empty())
    RuleBroken("Не указана фамилия ребенка.");
  if (Trim(FChildren->FieldByName("FNAME")->AsString()).empty())
    RuleBroken("Не указано имя ребенка.");
  TField* bdateField = FChildren->FieldByName("BDATE");
  const TDateTime bdate = DateEmpty(bdateField) ? 0 : bdateField->AsDateTime();
  if (bdate < EncodeDate(2007, 1, 1)) RuleBroken("Дата рождения ребенка меньше 01.01.2007.");
  const TDateTime b6 = IncMonth(bdate, 6);
  TField* start = FChildren->FieldByName("DATEBOBS");
  TField* end = FChildren->FieldByName("DATEEOBS");
  if (FileType() == 31) {
    if (DateEmpty(start)) start->SetAsDateTime(bdate);
    if (start->AsDateTime() < bdate) RuleBroken("Начало периода наблюдения раньше даты рождения.");
  } else if (FileType() == 32) {
    if (DateEmpty(start)) start->SetAsDateTime(b6);
    if (start->AsDateTime() < b6)
      RuleBroken(
          "Для талона 3-2 начало периода наблюдения\r\nраньше 6-ти месяцев со дня рождения "
          "ребенка.");
  }
  const TDateTime begin = DateEmpty(start) ? 0 : start->AsDateTime();
  const TDateTime e6 = IncMonth(begin, 6);
  if (DateEmpty(end)) end->SetAsDateTime(e6);
  if (end->AsDateTime() < begin) RuleBroken("Окончание периода наблюдения раньше начала.");
  if (end->AsDateTime() < e6) RuleBroken("Период наблюдения меньше 6-ти месяцев.");
  TField* series = FChildren->FieldByName("SPOLICY");
  series->SetAsString(AnsiUpperCase(series->AsString()));
}

void TCoupon3Document::ValidateCoupon() {
  StoreChildren("Нет сведений о детях.");
  Fld("CHK")->SetAsInteger(1);
  if (Fld("CQNT")->AsInteger() < FChildren->RecordCount())
    Fld("CQNT")->SetAsInteger(std::min(FChildren->RecordCount(), kMaxChildren));
}

TRegisterDocument* MakeRegisterDocument(int kind, TComponent* owner) {
  switch (kind) {
    case 1:
      return Create<TCoupon1Document>(owner);
    case 2:
      return Create<TCoupon2Document>(owner);
    case 3:
      return Create<TCoupon3Document>(owner);
  }
  return nullptr;
}
