#include "register/core/register_document.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/base/clock.h"
#include "platform/base/codepage.h"
#include "platform/base/date_time.h"
#include "platform/base/file_utils.h"
#include "platform/base/format.h"
#include "platform/base/number_format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/base/two_digits.h"
#include "platform/data/data_guards.h"
#include "register/core/exchange_export.h"
#include "register/core/institution.h"
#include "register/core/number_text.h"
#include "register/core/register_upgrade.h"
#include "register/core/xml_import.h"
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

bool Empty(TField* field) { return field->IsNull() || field->AsDateTime() < 1; }
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

bool IsBlankMaskText(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    return c == ' ' || c == '.' || c == '-' || c == '/' || c == '_';
  });
}

std::string CertificateKey(const std::string& series, int number) {
  // "%.7d" written straight behind the series, and the key made once from
  // the bytes: this runs for every record an ordering, a sum or a search
  // reads.
  char text[32];
  if (number < 0 || series.size() > sizeof text - 12) return series + Format(" %.7d", number);
  // A series mostly is one letter, two bytes at most: copied without a
  // call then.
  const std::size_t k = series.size();
  if (k <= 2) {
    if (k > 0) text[0] = series[0];
    if (k > 1) text[1] = series[1];
  } else {
    std::memcpy(text, series.data(), k);
  }
  char* p = text + k;
  *p++ = ' ';
  // At least seven digits, written from the last ones back, two at a
  // time: the zeros in front come out of the same loop.
  auto rest = static_cast<unsigned>(number);
  int count = 7;
  for (unsigned above = rest / 10000000; above != 0; above /= 10) ++count;
  p += count;
  char* d = p;
  for (; count >= 2; count -= 2, rest /= 100) {
    d -= 2;
    std::memcpy(d, &kTwoDigits[2 * (rest % 100)], 2);
  }
  if (count == 1) *--d = static_cast<char>('0' + rest);
  return std::string(text, p);
}

namespace {
// For each byte of a page, true when the fields' way (to UTF-8 and back)
// gives that same one byte; never for NUL, which ends a text.
struct TSameBytes {
  bool Same[256] = {};
};

const TSameBytes& SameBytes(TCodePage page) {
  static const auto make = [](TCodePage p) {
    TSameBytes table;
    for (int b = 1; b < 256; ++b) {
      const std::string byte(1, static_cast<char>(b));
      table.Same[b] = FromUtf8(ToUtf8(byte, p), p) == byte;
    }
    return table;
  };
  static const TSameBytes ansi = make(TCodePage::Win1251);
  static const TSameBytes oem = make(TCodePage::Oem866);
  return page == TCodePage::Win1251 ? ansi : oem;
}

// The significant digits of a numeric column as the program stores a
// number: blanks, then at most nine digits after any leading zeros ("0"
// for zero). False for anything else: a sign, blanks only, other bytes.
bool PlainDigits(std::string_view column, std::string_view& digits) {
  std::size_t i = 0;
  while (i < column.size() && column[i] == ' ') ++i;
  if (i == column.size()) return false;
  for (std::size_t j = i; j < column.size(); ++j)
    if (column[j] < '0' || column[j] > '9') return false;
  while (i + 1 < column.size() && column[i] == '0') ++i;
  digits = column.substr(i);
  return digits.size() <= 9;
}
}  // namespace

TmDbfTable::TKeyMaker CertificateKeyMaker(const TmDbfTable& table, const TField* series,
                                          const TField* number, const TField* key) {
  return [&table, series, number, key](const char* record, char* out) {
    const std::size_t length = static_cast<std::size_t>(std::max(key->Size() - 1, 0));
    const TCodePage page = table.AnsiTable() ? TCodePage::Win1251 : TCodePage::Oem866;
    std::string_view seriesColumn, numberColumn;
    char seriesType = 0, numberType = 0;
    if (!table.ColumnIn(series, record, seriesColumn, seriesType)) seriesColumn = {};
    if (!table.ColumnIn(number, record, numberColumn, numberType)) numberType = 0;
    // The series as its field reads it, in the file's bytes.
    const std::string_view seriesBytes =
        dbf::DecodeChar(seriesColumn)
            .substr(0, static_cast<std::size_t>(std::max(series->DataSize() - 1, 0)));
    const TSameBytes& same = SameBytes(page);
    const bool seriesDirect = std::all_of(seriesBytes.begin(), seriesBytes.end(), [&](char c) {
      return same.Same[static_cast<unsigned char>(c)];
    });
    std::string_view digits;
    if (seriesDirect && (numberType == dbf::kTypeNumeric || numberType == dbf::kTypeFloat) &&
        PlainDigits(numberColumn, digits)) {
      // Every character one byte: the key is the bytes themselves.
      char* end = out + length;
      auto put = [&](std::string_view bytes) {
        const std::size_t n = std::min(bytes.size(), static_cast<std::size_t>(end - out));
        std::memcpy(out, bytes.data(), n);
        out += n;
      };
      put(seriesBytes);
      put(" ");
      if (digits.size() < 7) put(std::string_view("0000000", 7 - digits.size()));
      put(digits);
      std::memset(out, ' ', static_cast<std::size_t>(end - out));
      return;
    }
    // Anything else the way the fields go: the series to UTF-8, the number
    // as an integer field reads it, the text cut as the key field keeps it
    // and back in the file's page.
    std::int64_t wide = 0;
    if (numberType == dbf::kTypeNumeric || numberType == dbf::kTypeFloat)
      wide = dbf::DecodeNumericInteger(numberColumn);
    else if (numberType == dbf::kTypeInteger && numberColumn.size() == 4)
      wide = dbf::DecodeInt32(numberColumn);
    if (wide < INT32_MIN || wide > INT32_MAX) wide = 0;
    std::string text = CertificateKey(ToUtf8(seriesBytes, page), static_cast<int>(wide));
    if (Length(text) > key->Size()) text = Copy(text, 1, key->Size());
    text.resize(std::min({strnlen(text.c_str(), text.size()), text.size(),
                          static_cast<std::size_t>(std::max(key->DataSize() - 1, 0))}));
    const std::string bytes = FromUtf8(text, page);
    const std::size_t n = std::min(strnlen(bytes.c_str(), bytes.size()), length);
    std::memcpy(out, bytes.data(), n);
    std::memset(out + n, ' ', length - n);
  };
}

void RuleBroken(const std::string& message) { throw ERecordRule(message); }

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

// --- TRegisterDocument

TRegisterDocument::TRegisterDocument(TComponent* owner) : TComponent(owner) {}

void TRegisterDocument::AfterConstruction() {
  TComponent::AfterConstruction();
  FTable = Create<TRegisterTable>(this);
  FTable->SetName("dbMain");
  FTable->SetExclusive(false);
  FTable->SetVers(1);
  BuildFields();
  // The certificate ordering reads its key from the stored columns; the
  // calculated fields still run while an open adds the amounts up.
  FTable->SetKeyMaker(Fld("cCERTIF"), {Fld("SCERTIF"), Fld("NCERTIF")},
                      CertificateKeyMaker(*FTable, Fld("SCERTIF"), Fld("NCERTIF"), Fld("cCERTIF")));
  FTable->CalcFieldsWithMadeKeys = [this] { return FCollecting; };
  FTable->BeforePost = [this](TDataSet*) { CheckBeforePost([this] { Validate(); }); };
  FTable->AfterScroll = [this](TDataSet*) { RecordMoved(); };
  FTable->AfterPost = [this](TDataSet*) { RecordPosted(); };
  FTable->AfterDelete = [this](TDataSet*) { RecordDeleted(); };
  FTable->OnCalcFields = [this](TDataSet*) { CalcFields(); };
  FTable->OnNewRecord = [this](TDataSet*) { NewRecord(); };
}

void TRegisterDocument::CheckBeforePost(const std::function<void()>& rules) {
  try {
    rules();
  } catch (const ERecordRule& broken) {
    if (!RecordRefused.HasSubscribers()) throw;
    RecordRefused(broken.Message());
    Abort();
  }
}

void TRegisterDocument::UpgradeOlderFiles(bool birth) {
  InstallStructureUpgrade(
      *FTable, birth,
      [this](int total, int done, bool& stop) { UpgradeProgress(total, done, stop); },
      [this] { UpgradeFinished(); });
}

TField* TRegisterDocument::Fld(const char* name) const {
  auto [it, added] = FFieldCache.try_emplace(name, nullptr);
  if (added) it->second = FTable->FieldByName(name);
  return it->second;
}

TField* TRegisterDocument::GroupFld(const char* name, int index) const {
  std::string key = name + IntToStr(index);
  auto it = FGroupCache.find(key);
  if (it != FGroupCache.end()) return it->second;
  TField* field = FTable->FieldByName(key);
  FGroupCache.emplace(std::move(key), field);
  return field;
}

bool TRegisterDocument::ShowsValues() const {
  return FTable->Active() && (!FTable->IsEmpty() || FTable->State() == dsInsert);
}

bool TRegisterDocument::IsEditing() const {
  return FTable->State() == dsEdit || FTable->State() == dsInsert;
}

void TRegisterDocument::DateRules(TField* field) {
  field->SetEditMask("!99/99/9999;1; ");
  field->OnGetText = [this](TField* sender, std::string& text, bool) {
    text = ShowsValues() && !sender->IsNull() && sender->AsDateTime() > 0
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

void TRegisterDocument::NameRules(TField* field) {
  field->OnSetText = [](TField* sender, const std::string& text) {
    sender->SetAsString(NormalizeName(text));
  };
}
void TRegisterDocument::BuildFields() {
  AddField<TStringField>("SCERTIF", 1)->SetDisplayLabel("Серия сертификата");
  auto* ncertif = AddField<TIntegerField>("NCERTIF", 0, "7.0");
  ncertif->SetDisplayLabel("Номер сертификата");
  ncertif->SetDisplayFormat("0000000");
  ncertif->SetEditFormat("#");
  ncertif->OnGetText = [this](TField* sender, std::string& text, bool display) {
    if (!ShowsValues()) {
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
    if (!ShowsValues()) {
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
    if (!ShowsValues()) {
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
  for (int i = 0; i < FTable->FieldCount(); ++i)
    if (FTable->Fields()[i]->Calculated()) FCalcNames.push_back(FTable->Fields()[i]->FieldName());
  LabelFields();
}

void TRegisterDocument::LabelFields() {
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
    TField* field = FTable->FindField(name);
    if (field != nullptr && field->DisplayLabel().empty()) field->SetDisplayLabel(text);
  };
  for (const auto& [name, text] : kLabels) label(name, text);
  label("DREG", Kind() == 2 ? "Дата родов" : "Дата постановки на учет");
}

// --- the file's life

void TRegisterDocument::Open(const std::string& fileName) {
  FTable->Close();
  FTable->SetTableName(fileName);
  CollectSum([&] {
    FTable->Open();
    FFileName = fileName;
    if (FCertCursor == nullptr) FCertCursor = FTable->AddCursor(Fld("cCERTIF"));
  });
  // A window that showed another register shows this one's order.
  AnnounceOrder();
}

void TRegisterDocument::New(const std::string& fileName) {
  FTable->Close();
  FTable->SetTableName(fileName);
  FTable->CreateTable();
  Open(fileName);
}

void TRegisterDocument::Pack() {
  if (!FTable->Active()) return;
  FTable->Close();
  // The register is open again whatever the pack did.
  TFinallyGuard reopen([this] { CollectSum([this] { FTable->Open(); }); });
  try {
    FTable->Pack("", false);
  } catch (const EDBFInUseError&) {
    throw Exception("Упаковка таблицы невозможна: реестр " + FFileName +
                    " открыт другим пользователем.");
  }
}

void TRegisterDocument::CopyTo(const std::string& fileName) {
  FTable->Close();
  const bool copied = CopyFile(FFileName, fileName, false);
  const std::string why = copied ? std::string() : LastFileError();
  CollectSum([this] { FTable->Open(); });
  if (!copied) throw EInOutError("Не удалось записать файл " + fileName + ": " + why, 0);
}

void TRegisterDocument::Refresh() {
  CollectSum([this] { FTable->Refresh(); });
}

void TRegisterDocument::Close() { FTable->Close(); }

void TRegisterDocument::ExportXml(const std::string& fileName, const TInstitution& institution) {
  OrderByCertificate();
  // The export only reads the details.
  TInstitution details = institution;
  ExportRegisterXml(*FTable, fileName, Kind(), FileType(), LpuOf(details), Now());
}

int TRegisterDocument::ImportXml(TImpXml& importer, TInstitution& institution,
                                 const std::function<void()>& headerRead) {
  return importer.Execute(*FTable, LpuOf(institution, headerRead));
}

// --- ordering

void TRegisterDocument::OrderBy(const std::string& fieldName, bool descending) {
  if (FTable->Active()) {
    TField* field = fieldName.empty() ? nullptr : FTable->FindField(fieldName);
    FTable->SetOrder(field, field != nullptr && descending);
  }
  // What the table took, not what was asked: a record in edit keeps the
  // order it has.
  AnnounceOrder();
}

void TRegisterDocument::AnnounceOrder() { OrderChanged(OrderFieldName(), OrderDescending()); }

std::string TRegisterDocument::OrderFieldName() const {
  const TDbfCursor* ordering = FTable->Cursor();
  return ordering != nullptr ? ordering->KeyFieldName() : std::string();
}

bool TRegisterDocument::OrderDescending() const {
  const TDbfCursor* ordering = FTable->Cursor();
  return ordering != nullptr && ordering->Descending();
}

// --- calculated fields and the sum

void TRegisterDocument::CalcCertificateKey() {
  FCalc.CCertif->SetAsString(CertificateKey(FCalc.SCertif->AsString(), FCalc.NCertif->AsInteger()));
}

void TRegisterDocument::CalcFio() {
  std::string fio = FCalc.LName->AsString();
  fio += ' ';
  fio += FCalc.FName->AsString();
  fio += ' ';
  fio += FCalc.MName->AsString();
  FCalc.Fio->SetAsString(fio);
}

void TRegisterDocument::CalcFields() {
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

void TRegisterDocument::CalcKeys() {
  bool fio = false, sum = false, other = false;
  for (const TDbfCursor* ordering : FTable->Orderings()) {
    const std::string& key = ordering->KeyFieldName();
    // The certificate ordering makes its key itself (CertificateKeyMaker).
    if (key.empty() || key == "cCERTIF") continue;
    if (key == "FIO") {
      fio = true;
    } else if (key == "SUM") {
      sum = true;
    } else if (std::find(FCalcNames.begin(), FCalcNames.end(), key) != FCalcNames.end()) {
      other = true;
    }
  }
  if (fio || other) CalcFio();
  if (other) {
    CalcCertificateKey();
    CalcCouponFields();
  }
  if (sum) FCalc.Sum->SetAsCurrency(CouponSum());
  if (FCollecting) {
    FCollectedSum += CouponSum();
    ++FCollectedCount;
  }
}

void TRegisterDocument::CollectSum(const std::function<void()>& rebuild) {
  FCollectedSum = Currency();
  FCollectedCount = 0;
  {
    TFlagGuard collecting(FCollecting);
    rebuild();
  }
  if (!FTable->Active()) return;
  // Each record's key once: anything else (an ordering the table did not
  // rebuild) takes a pass of its own.
  if (FCollectedCount == FTable->RecordCount()) {
    SetTotal(FCollectedSum);
  } else {
    RecalcSum();
  }
}

void TRegisterDocument::RecalcSum() {
  // The pass scrolls, and a scroll may ask for the whole sum again.
  if (!FTable->Active() || FSumOnly) return;
  TField* sum = Fld("SUM");
  Currency total;
  TControlsDisabledGuard disabled(FTable);
  {
    TFlagGuard sumOnly(FSumOnly);
    for (FTable->First(); !FTable->Eof(); FTable->Next()) total += sum->AsCurrency();
  }
  // The records shown get all their fields again.
  FTable->First();
  SetTotal(total);
}

void TRegisterDocument::SetTotal(Currency total) {
  FTotal = total;
  SumChanged(total);
}

// --- records

void TRegisterDocument::NewRecord() {
  for (int i = 0; i < FTable->FieldCount(); ++i) {
    TField* field = FTable->Fields().Fields(i);
    if (!field->Calculated() && dynamic_cast<TIntegerField*>(field) != nullptr)
      field->SetAsInteger(0);
  }
  Fld("NCERTIF")->SetAsInteger(0);
  Fld("TDOC")->SetAsInteger(14);
  Fld("SCERTIF")->SetAsString("Б");
  NewCouponRecord();
}

bool TRegisterDocument::FindCertificate(const std::string& key) {
  if (!FTable->Active()) return false;
  const bool found = FTable->FindKey("cCERTIF", key, TFindOptions());
  // The search puts the rows in certificate order: the titles show it.
  AnnounceOrder();
  return found;
}

void TRegisterDocument::Insert() { FTable->Insert(); }

void TRegisterDocument::Delete() { FTable->Delete(); }

void TRegisterDocument::Post() {
  if (FTable->State() == dsEdit || FTable->State() == dsInsert) FTable->Post();
}

void TRegisterDocument::Cancel() {
  if (FTable->State() == dsEdit || FTable->State() == dsInsert) FTable->Cancel();
}

void TRegisterDocument::Validate() {
  ValidateCommon();
  ValidateCoupon();
}

void TRegisterDocument::ValidateCommon() {
  const int id = Kind();
  const TDateTime now = Now();
  const std::string today = FormatDateTime("dd.mm.yyyy", now);
  if (Fld("NCERTIF")->AsInteger() < 1) RuleBroken("Не указан номер сертификата. ");
  const TDateTime dcertif = Empty(Fld("DCERTIF")) ? 0 : Fld("DCERTIF")->AsDateTime();
  // The series the record will be stored with, not the one typed: the
  // year rule below may change it.
  const bool early =
      (id == 1 && YearOf(dcertif) < 2007) || (id == 2 && YearOf(Fld("DREG")->AsDateTime()) < 2007);
  const std::string series = early ? "А" : "Б";
  const std::string key = CertificateKey(series, Fld("NCERTIF")->AsInteger());
  if (FTable->FindOtherKey("cCERTIF", key, TFindOptions()) > 0)
    RuleBroken("Указанный номер сертификата уже существует в текущем реестре.");
  const int fromYear = id == 3 ? 2007 : 2006;
  if (dcertif < EncodeDate(fromYear, 1, 1) || dcertif > now)
    RuleBroken(Format("Дата выдачи сертификата должна быть в промежутке 01.01.%d - %s.", fromYear,
                      today.c_str()));
  if (Empty(Fld("DREG"))) {
    if (id == 1) RuleBroken("Не указана дата постановки на учет. ");
    if (id == 2) RuleBroken("Не указана дата родов.");
  }
  if (!IsValidSnils(Fld("SNILS")->AsString())) RuleBroken("Не верно указан СНИЛС.");
  if (Trim(Fld("LNAME")->AsString()).empty()) RuleBroken("Не указана фамилия.");
  if (Trim(Fld("FNAME")->AsString()).empty()) RuleBroken("Не указано имя.");
  if (Empty(Fld("BDATE"))) RuleBroken("Не указана дата рождения.");
  const int age = static_cast<int>(dcertif - Fld("BDATE")->AsDateTime()) / 365;
  if (age < 10) RuleBroken("Возраст матери на момент выдачи сертификата меньше 10 лет.");
  if (age > 60) RuleBroken("Возраст матери на момент выдачи сертификата больше 60 лет.");
  const int tdoc = Fld("TDOC")->AsInteger();
  if (tdoc == 0) RuleBroken("Не указан тип удостоверения личности.");
  const bool seriesNeeded =
      (tdoc >= 1 && tdoc <= 4) || (tdoc >= 6 && tdoc <= 8) || (tdoc >= 14 && tdoc <= 17);
  if (seriesNeeded && Trim(Fld("SDOC")->AsString()).empty())
    RuleBroken("Не указана серия удостоверения личности.");
  if (Trim(Fld("NDOC")->AsString()).empty()) RuleBroken("Не указана номер удостоверения личности.");
  if (Empty(Fld("DDOC"))) RuleBroken("Не указана дата выдачи удостоверения личности.");
  const TDateTime ddoc = Fld("DDOC")->AsDateTime();
  if (Fld("BDATE")->AsDateTime() > ddoc) RuleBroken("Удостоверение личности выдано до рождения.");
  if (ddoc > now) RuleBroken("Дата выдачи удостоверение личности превышает текущую.");
  if (Trim(Fld("ODOC")->AsString()).empty())
    RuleBroken("Не указана организация, выдавшая удостоверение личности.");
  if (!Empty(Fld("DLEAF")) && YearOf(Fld("DLEAF")->AsDateTime()) < 2005)
    RuleBroken("Не верно указана дата листка нетрудоспособности.");
  if (!Empty(Fld("DCARD")) && YearOf(Fld("DCARD")->AsDateTime()) < 2005)
    RuleBroken("Не верно указана дата обменной карты.");

  Fld("SCERTIF")->SetAsString(series);
  Fld("SPOLICY")->SetAsString(AnsiUpperCase(Fld("SPOLICY")->AsString()));
  Fld("SLEAF")->SetAsString(AnsiUpperCase(Fld("SLEAF")->AsString()));
}

void TRegisterDocument::TakeOverFrom(const TDataSet& source) {
  if (FTable->State() != dsEdit && FTable->State() != dsInsert) FTable->Edit();
  for (int i = 0; i < FTable->FieldCount(); ++i) {
    TField* field = FTable->Fields()[i];
    // Calculated fields follow from the stored ones.
    if (field->FieldKind() != fkData) continue;
    if (const TField* from = source.FindField(field->FieldName()))
      field->SetAsString(from->AsString());
  }
}
