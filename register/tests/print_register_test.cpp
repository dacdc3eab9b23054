// Printing a register without windows: the dialog's start values, the
// report's named values, the invoice rows counted through the register
// dataset's events, and whole prints prepared from the shipped templates
// with the preview replaced.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/exceptions.h"
#include "platform/base/scope_guard.h"
#include "platform/base/stream.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/data/fields.h"
#include "platform/widgets/mask_edit.h"
#include "platform/widgets/std_buttons.h"
#include "platform/widgets/std_combo.h"
#include "platform/widgets/std_edit.h"
#include "register/core/sum_in_words.h"
#include "register/data_module.h"
#include "register/dlg_param.h"
#include "register/frames.h"
#include "register/print_register.h"
#include "report/fr_dataset.h"
#include "report/fr_engine.h"
#include "report/fr_memo_view.h"
#include "report/fr_page.h"
#include "report/fr_pages.h"
#include "report/fr_report.h"
#include "storage/mem_ds.h"

namespace {

TEST(PrintParams, StartValuesFollowTheDate) {
  struct {
    TDateTime today;
    int month, year;
    std::string lastYear;
  } cases[] = {
      {EncodeDate(2007, 3, 15), 2, 2007, "2007"},  {EncodeDate(2007, 1, 9), 12, 2006, "2007"},
      {EncodeDate(2006, 1, 9), 12, 2006, "2007"},  // never before the list
      {EncodeDate(2026, 1, 31), 12, 2025, "2026"}, {EncodeDate(2026, 12, 7), 11, 2026, "2026"},
  };
  for (const auto& c : cases) {
    const TPrintParams p = DefaultPrintParams(c.today);
    EXPECT_EQ(p.Month, c.month) << DateToStr(c.today);
    EXPECT_EQ(p.Year, c.year) << DateToStr(c.today);
    EXPECT_EQ(p.NDoc, "1");
    EXPECT_TRUE(p.Acct);
    EXPECT_EQ(p.DDocText, FormatDateTime("dd.mm.yyyy", c.today));
    const auto years = PrintYearItems(c.today);
    EXPECT_EQ(years.front(), "2006");
    EXPECT_EQ(years.back(), c.lastYear);
  }
}

TEST(PrintParams, DialogShowsAndReturnsThem) {
  ApplyStartupFormatSettings();
  TDlgParam* dlg = Create<TDlgParam>(nullptr);
  dlg->SetDefaults(EncodeDate(2026, 1, 20));
  EXPECT_EQ(dlg->Caption(), "Реквизиты для печати");
  EXPECT_EQ(dlg->cbMonth->Text(), "декабрь");
  EXPECT_EQ(dlg->cbYear->Text(), "2025");
  EXPECT_EQ(dlg->eNDOC->Text(), "1");
  EXPECT_EQ(dlg->eDDOC->Text(), "20.01.2026");
  EXPECT_TRUE(dlg->chkAcct->Checked());
  dlg->chkAcct->SetChecked(false);
  dlg->cbMonth->SetItemIndex(4);
  const TPrintParams p = dlg->Params();
  EXPECT_EQ(p.Month, 5);
  EXPECT_EQ(p.Year, 2025);
  EXPECT_FALSE(p.Acct);
  dlg->Free();
}

TEST(ReportValues, Names) {
  ApplyStartupFormatSettings();
  TReportValues v;
  v.Params.NDoc = "17";
  v.Params.DDocText = "05.03.2007";
  v.Params.Month = 2;
  v.Params.Year = 2008;
  v.Institution = [](const std::string& key) { return key == "INN" ? "7701" : ""; };
  v.FileType = 31;
  v.Total = Currency(12000);
  v.MD5 = "ABC";
  v.RecordCount = 5;
  struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"cINN", "7701"},
      {"cMissing", ""},
      {"aNDOC", "17"},
      {"ANDOC", "17"},
      {"aFDate", "01.02.2008"},
      {"aLDate", "29.02.2008"},
      {"aMONTH", "февраль"},
      {"aYEAR", "2008"},
      {"aType", "31"},
      {"aSUM", "12000"},
      {"aMD5", "ABC"},
      {"TR", "5"},
      {"tr", "5"},
      {"aPSUM", SumInWords(12000)},
      {"aDDOC", "05.03.2007"},
  };
  for (const auto& c : cases) {
    Variant value;
    ASSERT_TRUE(GetReportValue(v, c.name, value)) << c.name;
    EXPECT_EQ(value.AsString(), c.text) << c.name;
  }
  // The engine's own names stay its own, an upper-case C included.
  for (const char* name : {"CURY", "COLUMN#", "CHK", "PAGE#", "frDBDataSet1.\"SUM\""}) {
    Variant value;
    EXPECT_FALSE(GetReportValue(v, name, value)) << name;
    EXPECT_TRUE(VarIsEmpty(value));
  }
  // A blank mask is no date.
  v.Params.DDocText = "  .  .    ";
  Variant blank;
  ASSERT_TRUE(GetReportValue(v, "aDDOC", blank));
  EXPECT_EQ(blank.AsString(), "");
  v.Params.DDocText = "45.13.2007";
  Variant bad;
  EXPECT_THROW(GetReportValue(v, "aDDOC", bad), EConvertError);
}

// A register table in memory with the fields the counting reads.
struct TTable {
  TTable() {
    ds = Create<TmemDs>(nullptr);
    for (const char* name : {"SUM"}) {
      auto* f = Create<TCurrencyField>(ds);
      f->SetFieldName(name);
      f->SetDataSet(ds);
    }
    auto* q = Create<TSmallintField>(ds);
    q->SetFieldName("CQNT");
    q->SetDataSet(ds);
    ds->Open();
  }
  ~TTable() { ds->Free(); }
  void Add(int sum, int qnt = 1) {
    ds->Append();
    ds->FieldByName("SUM")->SetAsCurrency(Currency(sum));
    ds->FieldByName("CQNT")->SetAsInteger(qnt);
    ds->Post();
  }
  TmemDs* ds;
};

std::vector<std::string> Rows(TmemDs& rows) {
  std::vector<std::string> out;
  rows.First();
  while (!rows.Eof()) {
    out.push_back(rows.FieldByName("PRICE")->AsString() + "x" +
                  rows.FieldByName("CNT")->AsString());
    rows.Next();
  }
  return out;
}

TEST(InvoiceRows, CountedThroughTheReportDatasetEvents) {
  struct {
    int frameId;
    std::vector<std::pair<int, int>> records;  // sum, CQNT
    std::vector<std::string> rows;
    int total;
  } cases[] = {
      // Three payable records of 2006, two of 2007, one not payable.
      {1,
       {{2000, 1}, {3000, 1}, {2000, 1}, {0, 1}, {3000, 1}, {2000, 1}},
       {"2000x3", "3000x2"},
       12000},
      {2, {{5000, 1}, {6000, 1}, {6000, 1}}, {"5000x1", "6000x2"}, 17000},
      // Coupon No. 3 counts children.
      {3, {{1000, 2}, {0, 3}, {1000, 1}}, {"1000x3"}, 2000},
      {1, {}, {"2000x0", "3000x0"}, 0},
  };
  for (const auto& c : cases) {
    TTable table;
    for (auto [sum, qnt] : c.records) table.Add(sum, qnt);
    TRegisterPrint* print = Create<TRegisterPrint>(nullptr);
    print->Bind(table.ds, c.frameId, c.frameId);
    TfrDBDataSet& ds = *print->frDBDataSet1;
    ds.Init();
    // Twice, as a report that is prepared again would.
    for (int pass = 0; pass < 2; ++pass) {
      ds.First();
      while (!ds.Eof()) ds.Next();
    }
    ds.Exit();
    EXPECT_EQ(Rows(*print->mtAcct), c.rows) << c.frameId;
    EXPECT_EQ(print->Values().Total, Currency(c.total)) << c.frameId;
    print->Free();
  }
}

class PrintTest : public ::testing::Test {
 protected:
  PrintTest() : clock(EncodeDateTime(2008, 6, 1, 12, 0, 0, 0)) {
    ApplyStartupFormatSettings();
    frReportHooks().ShowPreview = [this](TfrReport& report, const std::string&) {
      shown.push_back(report.EMFPages().Count());
    };
    frReportHooks().ShowError = [this](const std::string& text) { errors.push_back(text); };
    AskPrintParams = [this](TPrintParams& p) {
      p = params;
      return ask;
    };
    old = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
  }
  ~PrintTest() override {
    std::filesystem::current_path(old);
    AskPrintParams = nullptr;
    frReportHooks() = TfrReportHooks{};
    for (TCustFrame* f : frames) f->Free();
  }
  TFrmT1* Register(int records = 5) {
    TFrmT1* f = Create<TFrmT1>(nullptr);
    frames.push_back(f);
    const std::size_t made = frames.size();
    f->NewRegister(dir.File(made == 1 ? "r.001" : "r" + std::to_string(made) + ".001"));
    for (int n = 1; n <= records; ++n) {
      const int year = n % 2 == 0 ? 2007 : 2006;
      f->Document()->Table()->Append();
      f->Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(100 - n);
      f->Document()->Table()->FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(year, 12, 3));
      f->Document()->Table()->FieldByName("DREG")->SetAsDateTime(EncodeDate(year, 8, 10));
      f->Document()->Table()->FieldByName("LNAME")->SetAsString(
          n % 9 == 0 ? "Иванова-Петрова-Сидорова" : "Иванова");
      f->Document()->Table()->FieldByName("FNAME")->SetAsString("Анна");
      f->Document()->Table()->FieldByName("BDATE")->SetAsDateTime(EncodeDate(1980, 5, 6));
      f->Document()->Table()->FieldByName("SDOC")->SetAsString("45 01");
      f->Document()->Table()->FieldByName("NDOC")->SetAsString("123456");
      f->Document()->Table()->FieldByName("DDOC")->SetAsDateTime(EncodeDate(2000, 1, 1));
      f->Document()->Table()->FieldByName("ODOC")->SetAsString("ОВД");
      f->Document()->Table()->FieldByName("QTW2")->SetAsInteger(30);
      f->Document()->Table()->Post();
    }
    RegisterPrintOf(*f).TemplateDir = MEBRATH_TEMPLATE_DIR;
    return f;
  }

  TScopedClock clock;
  TFileTestDir dir;
  std::filesystem::path old;
  std::vector<TCustFrame*> frames;
  std::vector<int> shown;
  std::vector<std::string> errors;
  TPrintParams params;
  bool ask = true;
};

TEST_F(PrintTest, RegisterWithInvoiceFromTheShippedTemplates) {
  TFrmT1* f = Register();
  f->Document()->Table()->SetRecNo(3);
  const int rec = f->Document()->Table()->PhysicalRecNo();
  f->PrintRegister();
  EXPECT_TRUE(errors.empty()) << errors[0];
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_GE(shown[0], 2);  // the list and the invoice
  TRegisterPrint& print = RegisterPrintOf(*f);
  EXPECT_EQ(print.Values().Total, Currency(12000));
  EXPECT_EQ(Rows(*print.mtAcct), (std::vector<std::string>{"2000x3", "3000x2"}));
  EXPECT_EQ(print.frCRpt->Reports.size(), 2u);
  EXPECT_EQ(print.Values().MD5.size(), 32u);
  EXPECT_TRUE(std::filesystem::exists(dir.File("$prn.xml")));
  // Back on the record, ordered by the certificate.
  EXPECT_EQ(f->Document()->Table()->PhysicalRecNo(), rec);
  EXPECT_FALSE(f->Document()->Table()->ControlsDisabled());

  // A changed register prints another checksum.
  const std::string first = print.Values().MD5;
  f->Document()->Table()->Edit();
  f->Document()->Table()->FieldByName("FNAME")->SetAsString("Ольга");
  f->Document()->Table()->Post();
  f->PrintRegister();
  EXPECT_NE(print.Values().MD5, first);
}

TEST_F(PrintTest, WithoutTheInvoiceNoInvoiceTemplateIsNeeded) {
  TFrmT1* f = Register();
  TFileTestDir only;
  std::filesystem::copy_file(std::string(MEBRATH_TEMPLATE_DIR) + "/rsrt1.frf",
                             only.File("rsrt1.frf"));
  RegisterPrintOf(*f).TemplateDir = only.Path();
  params.Acct = false;
  f->PrintRegister();
  EXPECT_TRUE(errors.empty());
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(RegisterPrintOf(*f).frCRpt->Reports.size(), 1u);
  // Ticked, the missing invoice template is named and nothing printed.
  params.Acct = true;
  try {
    f->PrintRegister();
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Отсутствует шаблон для печати '" + only.File("acct.frf") + "'.");
  }
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_FALSE(f->Document()->Table()->ControlsDisabled());
  // Cancelled: nothing.
  ask = false;
  f->PrintRegister();
  EXPECT_EQ(shown.size(), 1u);
}

TEST_F(PrintTest, MissingRegisterTemplate) {
  TFrmT1* f = Register();
  TFileTestDir empty;
  RegisterPrintOf(*f).TemplateDir = empty.Path();
  for (bool app2 : {false, true}) {
    try {
      app2 ? f->PrintApplication2() : f->PrintRegister();
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Отсутствует шаблон для печати '" +
                                 empty.File(app2 ? "pr2.frf" : "rsrt1.frf") + "'.");
    }
  }
  EXPECT_TRUE(shown.empty());
  EXPECT_FALSE(std::filesystem::exists(dir.File("$prn.xml")));
}

// Both prints put the position text right afterwards, even when they end
// on the record they started from (no scroll tells the window then).
TEST_F(PrintTest, PositionTextIsRefreshedAfterEachPrint) {
  TFrmT1* f = Register();
  auto position = [f] { return f->SB->Panels()->Items(0)->Text(); };
  frReportHooks().ShowPreview = [&](TfrReport&, const std::string&) {
    shown.push_back(0);
    f->SB->Panels()->Items(0)->SetText("?");
  };
  for (bool app2 : {true, false}) {
    // The last record in certificate order: the report's walk ends on it.
    f->OrderByCertificate();
    f->Document()->Table()->Last();
    app2 ? f->PrintApplication2() : f->PrintRegister();
    EXPECT_TRUE(errors.empty()) << errors[0];
    EXPECT_EQ(position(), "5:5") << app2;
  }
  EXPECT_EQ(shown.size(), 2u);
}

// The shipped templates print the same pages whether a printed text takes
// what its band measured or evaluates and lays itself out again.
TEST_F(PrintTest, ShippedTemplatesPrintTheTextTheirBandsMeasured) {
  std::vector<std::string> pages;
  frReportHooks().ShowPreview = [&](TfrReport& report, const std::string&) {
    TStringStream out;
    report.EMFPages().SaveToStream(out);
    pages.push_back(out.DataString());
  };
  for (int records : {5, 70}) {
    TFrmT1* f = Register(records);
    for (bool reuse : {true, false}) {
      TValueGuard<bool> mode(frEngine().ReuseMeasuredText, reuse);
      f->PrintRegister();
      f->PrintApplication2();
    }
  }
  EXPECT_TRUE(errors.empty()) << errors[0];
  ASSERT_EQ(pages.size(), 8u);
  for (std::size_t i = 0; i < pages.size(); i += 4) {
    EXPECT_GT(pages[i].size(), 1000u);
    EXPECT_TRUE(pages[i] == pages[i + 2]) << i;
    EXPECT_TRUE(pages[i + 1] == pages[i + 3]) << i;
  }
}

// Records as an older file or another program may hold them, every date
// and number blank: no shipped template prints such a value as 0 or as the
// zero date.
TEST_F(PrintTest, BlankDatesAndNumbersPrintBlankInEveryTemplate) {
  std::vector<std::string> texts;
  frReportHooks().ShowPreview = [&](TfrReport& report, const std::string&) {
    TfrEMFPages& pages = report.EMFPages();
    for (int i = 0; i < pages.Count(); ++i) {
      pages.ObjectsToPage(i);
      for (const auto& view : pages.Pages(i).Page->Objects) {
        std::string text = view->Memo1.Text();
        std::erase_if(text, [](char c) { return c == '\r' || c == '\n' || c == kParagraphEnd; });
        texts.push_back(text);
      }
    }
  };
  for (TCustFrame* f : std::initializer_list<TCustFrame*>{
           Create<TFrmT1>(nullptr), Create<TFrmT2>(nullptr), Create<TFrmT3>(nullptr)}) {
    frames.push_back(f);
    f->NewRegister(dir.File("b.00" + std::to_string(f->FrameID())));
    TDataSet& table = *f->Document()->Table();
    table.BeforePost = nullptr;
    for (int n = 1; n <= 2; ++n) {
      table.Append();
      table.FieldByName("NCERTIF")->SetAsInteger(n);
      table.FieldByName("LNAME")->SetAsString("Иванова");
      table.Post();
    }
    RegisterPrintOf(*f).TemplateDir = MEBRATH_TEMPLATE_DIR;
    texts.clear();
    f->PrintRegister();
    if (auto* first = dynamic_cast<TFrmT1*>(f)) first->PrintApplication2();
    EXPECT_TRUE(errors.empty()) << errors[0];
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [](const std::string& text) { return text.starts_with("Иванова"); }));
    for (const std::string& text : texts) {
      EXPECT_NE(text, "0") << f->FrameID();
      EXPECT_EQ(text.find("1899"), std::string::npos) << text;
      EXPECT_EQ(text.find("00.00.0000"), std::string::npos) << text;
    }
  }
}

}  // namespace
