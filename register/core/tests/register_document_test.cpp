// The register documents without a window, over temporary DBF files: each
// coupon's rules as a table of records and the message they are refused
// with, the child rows' rules, and the calculated fields and the sum.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/codepage.h"
#include "platform/base/date_time.h"
#include "platform/base/exceptions.h"
#include "platform/base/format.h"
#include "platform/base/tests/file_test_dir.h"
#include "register/core/coupon_documents.h"
#include "register/core/register_formats.h"
#include "register/core/tests/register_fields.h"
#include "storage/dbf_cursor.h"
#include "storage/dbf_table.h"

namespace {

using TFill = std::function<void(TDataSet&)>;

struct TCase {
  const char* name;
  TFill fill;
  std::string message;
};

class RegisterDocumentTest : public ::testing::Test {
 protected:
  RegisterDocumentTest() : clock(EncodeDateTime(2008, 6, 1, 12, 0, 0, 0)) {
    ApplyStartupFormatSettings();
  }
  ~RegisterDocumentTest() override {
    for (TRegisterDocument* doc : docs) doc->Free();
  }

  TRegisterDocument& Make(int kind, const std::string& name) {
    TRegisterDocument* doc = MakeRegisterDocument(kind, nullptr);
    docs.push_back(doc);
    doc->New(dir.File(name));
    doc->OnConfirmUnpayable = [this](const std::string& reason) {
      asked.push_back(reason);
      return answer;
    };
    return *doc;
  }

  // A record every rule of its kind accepts.
  static void Valid(TRegisterDocument& doc) {
    TDataSet& t = *doc.Table();
    register_fields::FillMother(t, 1, EncodeDate(2007, 1, 10));
    if (doc.Kind() == 1) t.FieldByName("QTW2")->SetAsInteger(30);
  }

  static void AddRow(TRegisterDocument& doc, const TFill& fill) {
    TmemDs& rows = *dynamic_cast<TChildDocument&>(doc).Children();
    rows.Append();
    fill(rows);
    rows.Post();
  }

  // A valid record with `fill` (and, for the child kinds, `row` unless
  // null) posted; the message it was refused with, "(declined)" for a
  // record the user chose not to store, "" when stored.
  std::string Post(TRegisterDocument& doc, const TFill& fill, const TFill& row = nullptr) {
    TDataSet& t = *doc.Table();
    t.Append();
    Valid(doc);
    try {
      if (row) AddRow(doc, row);
      if (fill) fill(t);
      t.Post();
    } catch (const ERecordRule& broken) {
      doc.Cancel();
      return broken.Message();
    } catch (const EAbort&) {
      doc.Cancel();
      return "(declined)";
    }
    return "";
  }

  void Run(TRegisterDocument& doc, const std::vector<TCase>& cases, const TFill& row = nullptr) {
    int number = 100;
    for (const TCase& c : cases) {
      const std::string got = Post(
          doc,
          [&](TDataSet& t) {
            t.FieldByName("NCERTIF")->SetAsInteger(++number);
            if (c.fill) c.fill(t);
          },
          row);
      EXPECT_EQ(got, c.message) << doc.Kind() << ": " << c.name;
    }
  }

  TScopedClock clock;
  TFileTestDir dir;
  std::vector<TRegisterDocument*> docs;
  std::vector<std::string> asked;
  bool answer = true;
};

void Date(TDataSet& t, const char* name, int y, int m, int d) {
  t.FieldByName(name)->SetAsDateTime(EncodeDate(y, m, d));
}

TFill Newborn(const char* sex, double weight, int growth, const char* diag = "") {
  return [=](TDataSet& r) {
    r.FieldByName("SEX")->SetAsString(sex);
    r.FieldByName("WEIGHT")->SetAsFloat(weight);
    r.FieldByName("GROWTH")->SetAsInteger(growth);
    r.FieldByName("DIAG")->SetAsString(diag);
  };
}

TFill Child(TDateTime birth, TDateTime start = 0, TDateTime end = 0, const char* lname = "Иванов",
            const char* fname = "Иван") {
  return [=](TDataSet& r) {
    r.FieldByName("LNAME")->SetAsString(lname);
    r.FieldByName("FNAME")->SetAsString(fname);
    r.FieldByName("BDATE")->SetAsDateTime(birth);
    if (start > 0) r.FieldByName("DATEBOBS")->SetAsDateTime(start);
    if (end > 0) r.FieldByName("DATEEOBS")->SetAsDateTime(end);
  };
}

TEST_F(RegisterDocumentTest, CommonRulesOfEveryKind) {
  const std::string range2006 =
      "Дата выдачи сертификата должна быть в промежутке 01.01.2006 - 01.06.2008.";
  const std::vector<TCase> common = {
      {"valid", nullptr, ""},
      {"no number", [](TDataSet& t) { t.FieldByName("NCERTIF")->SetAsInteger(0); },
       "Не указан номер сертификата. "},
      {"bad snils", [](TDataSet& t) { t.FieldByName("SNILS")->SetAsString("112-233-445 96"); },
       "Не верно указан СНИЛС."},
      {"no last name", [](TDataSet& t) { t.FieldByName("LNAME")->SetAsString(" "); },
       "Не указана фамилия."},
      {"no first name", [](TDataSet& t) { t.FieldByName("FNAME")->SetAsString(""); },
       "Не указано имя."},
      {"no birth", [](TDataSet& t) { t.FieldByName("BDATE")->Clear(); },
       "Не указана дата рождения."},
      {"too young", [](TDataSet& t) { Date(t, "BDATE", 2000, 1, 1); },
       "Возраст матери на момент выдачи сертификата меньше 10 лет."},
      {"too old", [](TDataSet& t) { Date(t, "BDATE", 1940, 1, 1); },
       "Возраст матери на момент выдачи сертификата больше 60 лет."},
      {"no document type", [](TDataSet& t) { t.FieldByName("TDOC")->SetAsInteger(0); },
       "Не указан тип удостоверения личности."},
      {"no series", [](TDataSet& t) { t.FieldByName("SDOC")->SetAsString(""); },
       "Не указана серия удостоверения личности."},
      {"no document number", [](TDataSet& t) { t.FieldByName("NDOC")->SetAsString(""); },
       "Не указана номер удостоверения личности."},
      {"no document date", [](TDataSet& t) { t.FieldByName("DDOC")->Clear(); },
       "Не указана дата выдачи удостоверения личности."},
      {"document before birth", [](TDataSet& t) { Date(t, "DDOC", 1979, 1, 1); },
       "Удостоверение личности выдано до рождения."},
      {"document in the future", [](TDataSet& t) { Date(t, "DDOC", 2008, 6, 2); },
       "Дата выдачи удостоверение личности превышает текущую."},
      {"no issuer", [](TDataSet& t) { t.FieldByName("ODOC")->SetAsString(""); },
       "Не указана организация, выдавшая удостоверение личности."},
      {"old leaf", [](TDataSet& t) { Date(t, "DLEAF", 2004, 12, 31); },
       "Не верно указана дата листка нетрудоспособности."},
      {"old card", [](TDataSet& t) { Date(t, "DCARD", 2004, 12, 31); },
       "Не верно указана дата обменной карты."},
  };
  struct {
    int kind;
    const char* file;
    std::vector<TCase> own;
  } kinds[] = {
      {1,
       "c.001",
       {{"certificate before 2006", [](TDataSet& t) { Date(t, "DCERTIF", 2005, 12, 31); },
         range2006},
        {"no registration", [](TDataSet& t) { t.FieldByName("DREG")->Clear(); },
         "Не указана дата постановки на учет. "}}},
      {2,
       "c.002",
       {{"certificate in the future", [](TDataSet& t) { Date(t, "DCERTIF", 2008, 6, 2); },
         range2006},
        {"no delivery", [](TDataSet& t) { t.FieldByName("DREG")->Clear(); },
         "Не указана дата родов."}}},
      {3,
       "c.031",
       {{"certificate before 2007", [](TDataSet& t) { Date(t, "DCERTIF", 2006, 12, 31); },
         "Дата выдачи сертификата должна быть в промежутке 01.01.2007 - 01.06.2008."}}},
  };
  for (auto& k : kinds) {
    TRegisterDocument& doc = Make(k.kind, k.file);
    std::vector<TCase> cases = common;
    cases.insert(cases.end(), k.own.begin(), k.own.end());
    const TFill row = k.kind == 2   ? Newborn("М", 3.2, 50)
                      : k.kind == 3 ? Child(EncodeDate(2007, 3, 15))
                                    : TFill();
    Run(doc, cases, row);
    EXPECT_EQ(doc.Table()->RecordCount(), 1) << k.kind;
    // The same certificate again, under either series.
    EXPECT_EQ(Post(
                  doc, [](TDataSet& t) { t.FieldByName("NCERTIF")->SetAsInteger(101); }, row),
              "Указанный номер сертификата уже существует в текущем реестре.")
        << k.kind;
  }
}

TEST_F(RegisterDocumentTest, CouponOneTermsAndPayability) {
  TRegisterDocument& doc = Make(1, "t.001");
  Run(doc,
      {
          {"registered after the certificate", [](TDataSet& t) { Date(t, "DREG", 2007, 4, 4); },
           "Дата постановки на учет больше даты выдачи сертификата."},
          {"no term", [](TDataSet& t) { t.FieldByName("QTW2")->SetAsInteger(0); },
           "Не указан срок беременности на момент выдачи сертификата."},
          {"term at registration too long",
           [](TDataSet& t) {
             Date(t, "DREG", 2007, 4, 3);
             t.FieldByName("QTW2")->SetAsInteger(60);
           },
           "Срок беременности на дату постановки на учет превышает 49 недель."},
          {"term too long", [](TDataSet& t) { t.FieldByName("QTW2")->SetAsInteger(50); },
           "Срок беременности на дату выдачи сертификата превышает 49 недель."},
          {"a long observation", [](TDataSet& t) { Date(t, "DREG", 2006, 1, 10); }, ""},
      });
  EXPECT_TRUE(asked.empty());

  const std::string weeks12 = "Период наблюдения меньше 12 недель.";
  const std::string weeks30 = "Срок беременности на момент выдачи сертификата меньше 30 недель.";
  struct {
    int day, qtw2, mulp, prem;
    bool store;
    std::string reason;
    std::string message;
  } cases[] = {
      {3, 30, 0, 0, true, "", ""},
      {2, 30, 0, 0, true, weeks12, ""},
      {2, 30, 0, 0, false, weeks12, "(declined)"},
      {3, 29, 1, 0, true, "", ""},
      {3, 29, 0, 0, true, weeks30, ""},
      {3, 27, 1, 0, false, weeks30, "(declined)"},
      {3, 20, 0, 1, true, "", ""},
  };
  int number = 500;
  for (const auto& c : cases) {
    asked.clear();
    answer = c.store;
    const std::string got = Post(doc, [&](TDataSet& t) {
      t.FieldByName("NCERTIF")->SetAsInteger(++number);
      Date(t, "DCERTIF", 2007, 4, c.day);
      t.FieldByName("QTW2")->SetAsInteger(c.qtw2);
      t.FieldByName("MULP")->SetAsInteger(c.mulp);
      t.FieldByName("PREM")->SetAsInteger(c.prem);
    });
    EXPECT_EQ(got, c.message) << c.day << " " << c.qtw2;
    EXPECT_EQ(asked.empty() ? "" : asked.back(), c.reason) << c.day << " " << c.qtw2;
    if (got.empty()) {
      EXPECT_EQ(doc.Fld("CHK")->AsInteger(), c.reason.empty() ? 1 : 0) << c.qtw2;
      EXPECT_EQ(doc.Fld("SUM")->AsCurrency(), Currency(c.reason.empty() ? 3000 : 0)) << c.qtw2;
    }
  }
}

TEST_F(RegisterDocumentTest, NewbornRowsAndCouponTwo) {
  TRegisterDocument& doc = Make(2, "n.002");
  const std::vector<TCase> rows = {
      {"no sex", Newborn("", 3.0, 50), "Не указан пол новорожденного."},
      {"no weight", Newborn("М", 0, 50), "Не указан вес новорожденного."},
      {"too heavy", Newborn("М", 10, 50), "Не указан вес новорожденного."},
      {"too short", Newborn("М", 5.9, 29), "Не верно указан рост новорожденного."},
      {"too tall", Newborn("М", 3.0, 100), "Не верно указан рост новорожденного."},
      {"out of proportion", Newborn("М", 6.1, 30),
       "Не верное соотношение веса\\роста новорожденного."},
      {"valid", Newborn("Ж", 6.0, 30), ""},
  };
  int number = 10;
  for (const TCase& c : rows) {
    const std::string got = Post(
        doc, [&](TDataSet& t) { t.FieldByName("NCERTIF")->SetAsInteger(++number); }, c.fill);
    EXPECT_EQ(got, c.message) << c.name;
  }
  Run(doc,
      {{"delivery before 2006", [](TDataSet& t) { Date(t, "DREG", 2005, 12, 31); },
        "Дата родов должна быть в промежутке 01.01.2006 - 01.06.2008."},
       {"delivery in the future", [](TDataSet& t) { Date(t, "DREG", 2008, 6, 2); },
        "Дата родов должна быть в промежутке 01.01.2006 - 01.06.2008."}},
      Newborn("М", 3.2, 50));
  Run(doc, {{"no newborns", nullptr, "Нет сведений о новорожденных."}});

  // Payable unless the mother died or every newborn did; the rate by the
  // year of delivery.
  struct {
    const char* diag;
    const char* childDiag;
    int year;
    int chk;
    int sum;
  } pay[] = {{"", "", 2007, 1, 6000},
             {"", "", 2006, 1, 5000},
             {"O95", "", 2007, 0, 0},
             {"", "P95", 2007, 0, 0}};
  number = 700;
  for (const auto& p : pay) {
    EXPECT_EQ(Post(
                  doc,
                  [&](TDataSet& t) {
                    t.FieldByName("NCERTIF")->SetAsInteger(++number);
                    Date(t, "DREG", p.year, 3, 1);
                    t.FieldByName("DIAG")->SetAsString(p.diag);
                  },
                  Newborn("М", 3.2, 50, p.childDiag)),
              "");
    EXPECT_EQ(doc.Fld("CHK")->AsInteger(), p.chk) << p.diag << p.childDiag;
    EXPECT_EQ(doc.Fld("SUM")->AsCurrency(), Currency(p.sum)) << p.year;
    EXPECT_EQ(doc.Fld("CQNT")->AsInteger(), 1);
    EXPECT_EQ(doc.Fld("BQNT")->AsInteger(), 1);
  }
}

TEST_F(RegisterDocumentTest, ChildRowsOfCouponThreeByPart) {
  struct {
    const char* file;
    const char* name;
    TFill row;
    std::string message;
  } cases[] = {
      {"a.031", "no last name", Child(EncodeDate(2007, 3, 15), 0, 0, ""),
       "Не указана фамилия ребенка."},
      {"a.031", "no first name", Child(EncodeDate(2007, 3, 15), 0, 0, "Иванов", ""),
       "Не указано имя ребенка."},
      {"a.031", "born before 2007", Child(EncodeDate(2006, 12, 31)),
       "Дата рождения ребенка меньше 01.01.2007."},
      {"a.031", "observed before birth", Child(EncodeDate(2007, 3, 15), EncodeDate(2007, 3, 14)),
       "Начало периода наблюдения раньше даты рождения."},
      {"a.031", "ends before it starts",
       Child(EncodeDate(2007, 3, 15), EncodeDate(2007, 4, 1), EncodeDate(2007, 3, 31)),
       "Окончание периода наблюдения раньше начала."},
      {"a.031", "shorter than six months",
       Child(EncodeDate(2007, 3, 15), EncodeDate(2007, 3, 15), EncodeDate(2007, 9, 14)),
       "Период наблюдения меньше 6-ти месяцев."},
      {"a.031", "valid", Child(EncodeDate(2007, 3, 15)), ""},
      {"b.032", "part two starts early", Child(EncodeDate(2007, 3, 15), EncodeDate(2007, 9, 14)),
       "Для талона 3-2 начало периода наблюдения\r\nраньше 6-ти месяцев со дня рождения "
       "ребенка."},
      {"b.032", "valid", Child(EncodeDate(2007, 3, 15)), ""},
  };
  int number = 10;
  for (const auto& c : cases) {
    TRegisterDocument* doc = nullptr;
    for (TRegisterDocument* d : docs)
      if (d->FileName() == dir.File(c.file)) doc = d;
    if (doc == nullptr) doc = &Make(3, c.file);
    const std::string got = Post(
        *doc, [&](TDataSet& t) { t.FieldByName("NCERTIF")->SetAsInteger(++number); }, c.row);
    EXPECT_EQ(got, c.message) << c.file << ": " << c.name;
    if (got.empty()) {
      EXPECT_EQ(doc->Fld("CHK")->AsInteger(), 1);
      EXPECT_EQ(doc->Fld("SUM")->AsCurrency(), Currency(1000));
    }
  }
  Run(Make(3, "c.031"), {{"no children", nullptr, "Нет сведений о детях."}});
}

TEST_F(RegisterDocumentTest, CalculatedFieldsNormalisationAndTheSum) {
  TRegisterDocument& doc = Make(1, "s.001");
  Currency total;
  doc.SumChanged.Subscribe([&](Currency sum) { total = sum; });
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(Post(doc,
                   [&](TDataSet& t) {
                     t.FieldByName("NCERTIF")->SetAsInteger(i * 1111);
                     t.FieldByName("SPOLICY")->SetAsString("ab");
                     t.FieldByName("MNAME")->SetAsString("Петровна");
                     if (i != 3) return;
                     Date(t, "DCERTIF", 2006, 12, 30);
                     Date(t, "DREG", 2006, 9, 1);
                   }),
              "");
  }
  TDataSet& t = *doc.Table();
  EXPECT_EQ(t.FieldByName("cCERTIF")->AsString(), "А 0003333");
  EXPECT_EQ(t.FieldByName("SCERTIF")->AsString(), "А");
  EXPECT_EQ(t.FieldByName("SPOLICY")->AsString(), "AB");
  EXPECT_EQ(t.FieldByName("FIO")->AsString(), "Иванова Анна Петровна");
  // 120 days of observation: 17 whole weeks before the 30th.
  EXPECT_EQ(t.FieldByName("cQTW1")->AsInteger(), 13);
  EXPECT_EQ(t.FieldByName("SUM")->AsCurrency(), Currency(2000));

  doc.Refresh();
  EXPECT_EQ(total, Currency(3000 + 3000 + 2000));
  EXPECT_EQ(doc.Total(), total);
  doc.OrderBy("cCERTIF", true);
  t.First();
  EXPECT_EQ(t.FieldByName("cCERTIF")->AsString(), "Б 0002222");
  doc.OrderBy("", false);
  t.First();
  EXPECT_EQ(t.FieldByName("NCERTIF")->AsInteger(), 1111);
}

// Calls patch(record number, record bytes, column offset by name) for
// every record of the DBF file `name` and writes the records back.
void PatchRecords(const std::string& name,
                  const std::function<void(int, char*, std::function<int(const char*)>)>& patch) {
  std::string file;
  {
    std::ifstream in(name, std::ios::binary);
    file.assign(std::istreambuf_iterator<char>(in), {});
  }
  auto word = [&](int at) {
    return static_cast<unsigned char>(file[at]) | static_cast<unsigned char>(file[at + 1]) << 8;
  };
  const int count = word(4), headerLength = word(8), recordLength = word(10);
  auto offset = [&](const char* column) {
    int at = 1;
    for (int d = 32; file[d] != '\x0D'; d += 32) {
      if (file.compare(d, std::string(column).size() + 1, column, std::string(column).size() + 1) ==
          0)
        return at;
      at += static_cast<unsigned char>(file[d + 16]);
    }
    return -1;
  };
  for (int r = 0; r < count; ++r) patch(r, file.data() + headerLength + r * recordLength, offset);
  std::ofstream(name, std::ios::binary) << file;
}

// Series and number columns as this program or another one may leave them,
// OEM and ANSI: the certificate ordering made straight from them has the
// calculated field's key bytes, order and searches.
// The key is the series, a blank and "%.7d" of the number, whatever the
// number's length or sign.
TEST(CertificateKeyTest, SeriesBlankAndSevenDigits) {
  for (const std::string series : {"", "А", "Б", "AB"}) {
    for (const int number : {0, 7, 12345, 999999, 1000000, 9999999, 10000000, 123456789, 2147483647,
                             -1, -1234567, -12345678, -2147483647 - 1}) {
      EXPECT_EQ(CertificateKey(series, number), series + Format(" %.7d", number));
    }
  }
}

TEST_F(RegisterDocumentTest, CertificateOrderingFromTheStoredColumns) {
  const std::string series = {' ', '\x80', '\x81', 'A', '\xEF', '\x01', '\0', '\xFF', '\x98'};
  const std::vector<std::string> numbers = {"      5", "      0", "9999999", "       ",
                                            "0000123", "     -5", "     +7", "12a    ",
                                            "123    ", "  1 2  ", "0000000", "-999999"};
  for (const bool ansi : {false, true}) {
    const std::string file = dir.File(ansi ? "a.002" : "o.002");
    TRegisterDocument& doc = Make(2, ansi ? "a.002" : "o.002");
    TmDbfTable& t = *doc.Table();
    t.SetEventsOff(true);
    for (std::size_t i = 0; i < series.size() * numbers.size(); ++i) {
      t.Append();
      t.Post();
    }
    t.SetEventsOff(false);
    t.Close();
    PatchRecords(file, [&](int r, char* record, const std::function<int(const char*)>& at) {
      record[at("SCERTIF")] = series[r % series.size()];
      numbers[r / series.size()].copy(record + at("NCERTIF"), 7);
      if (r % 7 == 3) record[0] = '*';
    });
    t.SetAnsiTable(ansi);
    doc.Open(file);
    TDbfCursor* built = t.AddCursor(t.FieldByName("cCERTIF"));  // outside an open's sum

    // The calculated field of each record, in the file's bytes.
    const TCodePage page = ansi ? TCodePage::Win1251 : TCodePage::Oem866;
    std::vector<std::pair<std::string, int>> expected;
    std::vector<std::string> texts;
    doc.OrderBy("", false);
    for (t.First(); !t.Eof(); t.Next()) {
      texts.push_back(t.FieldByName("cCERTIF")->AsString());
      std::string key = FromUtf8(texts.back(), page);
      key.resize(9, ' ');
      expected.emplace_back(key, t.PhysicalRecNo());
    }
    ASSERT_EQ(expected.size(), 93u);  // 108 less every seventh from the fourth
    std::sort(expected.begin(), expected.end());
    for (const TDbfCursor* ordering : t.Orderings()) {
      if (ordering->KeyFieldName() != "cCERTIF") continue;
      ASSERT_EQ(ordering->Count(), 93) << ansi;
      for (int i = 0; i < ordering->Count(); ++i) {
        EXPECT_EQ(ordering->KeyAt(i), expected[i].first) << ansi << (ordering == built) << i;
        EXPECT_EQ(ordering->RecordAt(i), expected[i].second) << ansi << (ordering == built) << i;
      }
    }
    for (const std::string& text : texts) {
      ASSERT_TRUE(t.FindKey("cCERTIF", text, {})) << ansi << text;
      EXPECT_EQ(t.FieldByName("cCERTIF")->AsString(), text) << ansi;
    }
  }
}

// A search for a certificate orders the rows by it, and says so, as every
// change of order does: the titles never show another order than the rows'.
TEST_F(RegisterDocumentTest, ACertificateSearchAnnouncesTheOrderItLeaves) {
  TRegisterDocument& doc = Make(1, "s.001");
  for (int n : {3, 1, 2})
    ASSERT_EQ(Post(doc, [n](TDataSet& t) { t.FieldByName("NCERTIF")->SetAsInteger(n); }), "");
  std::vector<std::pair<std::string, bool>> heard;
  doc.OrderChanged.Subscribe(
      [&](const std::string& field, bool descending) { heard.emplace_back(field, descending); });
  doc.OrderBy("NCERTIF", true);
  ASSERT_TRUE(doc.FindCertificate(doc.Table()->FieldByName("cCERTIF")->AsString()));
  const std::vector<std::pair<std::string, bool>> expected = {{"NCERTIF", true},
                                                              {"cCERTIF", false}};
  EXPECT_EQ(heard, expected);
}

// Made without any window, each kind creates its files at the structure
// version it upgrades older files to.
TEST_F(RegisterDocumentTest, ANewFileHasTheCurrentStructureVersion) {
  for (auto [kind, name, version] :
       {std::tuple{1, "v.001", 2}, std::tuple{2, "v.002", 2}, std::tuple{3, "v.031", 1}}) {
    SCOPED_TRACE(name);
    TRegisterDocument& doc = Make(kind, name);
    EXPECT_EQ(doc.StructureVersion(), version);
    doc.Close();
    auto file = CreateUnique<TmDbfTable>();
    file->SetTableName(dir.File(name));
    file->Open();
    EXPECT_EQ(file->FileVers(), version);
  }
}

// Every view hears the document, whoever else took the table's events
// over in between (the grid's sum list chains them when it is linked).
TEST_F(RegisterDocumentTest, EveryViewHearsPostsAndRefusals) {
  TRegisterDocument& doc = Make(1, "n.001");
  TDataSet& t = *doc.Table();
  std::string heard;
  doc.RecordPosted.Subscribe([&] { heard += "a"; });
  t.AfterPost = [&, own = t.AfterPost](TDataSet* ds) {
    heard += "s";
    own(ds);
  };
  doc.RecordPosted.Subscribe([&] { heard += "b"; });
  EXPECT_EQ(Post(doc, nullptr), "");
  EXPECT_EQ(heard, "sab");

  heard.clear();
  doc.RecordRefused.Subscribe([&](const std::string& message) { heard += "a:" + message; });
  doc.RecordRefused.Subscribe([&](const std::string& message) { heard += " b:" + message; });
  t.Append();
  Valid(doc);
  t.FieldByName("NCERTIF")->SetAsInteger(2);
  t.FieldByName("QTW2")->SetAsInteger(0);
  EXPECT_THROW(doc.Post(), EAbort);
  EXPECT_EQ(heard,
            "a:Не указан срок беременности на момент выдачи сертификата. "
            "b:Не указан срок беременности на момент выдачи сертификата.");
  EXPECT_EQ(t.State(), dsInsert);
}

}  // namespace
