// Registers whose stored values are as far as their columns go (dates at
// either end of the calendar, blanks, numbers at the columns' full widths),
// as a damaged file or another program's file may hold them: every coupon
// kind opens, reads, orders, finds, prints and exports them, and a
// calculated value that does not fit its field is left empty.
#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/codepage.h"
#include "platform/base/date_time.h"
#include "platform/base/file_utils.h"
#include "platform/base/format.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/gui/window.h"
#include "platform/widgets/file_dialogs.h"
#include "platform/widgets/std_bars.h"
#include "register/certificate_directory.h"
#include "register/core/coupon_documents.h"
#include "register/core/institution.h"
#include "register/core/register_formats.h"
#include "register/core/tests/register_fields.h"
#include "register/core/xml_import.h"
#include "register/cust_frame.h"
#include "register/data_module.h"
#include "register/dlg_param.h"
#include "register/main_window.h"
#include "register/print_register.h"
#include "register/startup.h"
#include "report/fr_report.h"
#include "started_program_fixture.h"

namespace {

constexpr int kEmpty = -1;

// A record's columns as stored text; a name ending in "#" stands for the
// column of every child group (WEIGHT1 .. WEIGHT6). Columns the kind has
// not are skipped.
struct TStoredRow {
  const char* Name;
  std::vector<std::pair<std::string, std::string>> Columns;
  // The pregnancy term at registration (coupon No. 1), kEmpty when it
  // does not fit its field.
  int Term;
};

std::string Times(int n, const std::string& text) {
  std::string s;
  for (int i = 0; i < n; ++i) s += text;
  return s;
}

const std::vector<TStoredRow>& Rows() {
  static const std::vector<TStoredRow> rows = {
      {"the fund's far registration date",
       {{"NCERTIF", "1"}, {"DREG", "99991231"}, {"DCERTIF", "20070403"}, {"QTW2", "29"}},
       kEmpty},
      {"registered on the calendar's first day",
       {{"NCERTIF", "2"}, {"DREG", "00010101"}, {"DCERTIF", "99991231"}, {"QTW2", "99"}},
       0},
      {"certified on the calendar's first day",
       {{"NCERTIF", "3"}, {"DREG", "99991231"}, {"DCERTIF", "00010101"}},
       kEmpty},
      {"no certificate date", {{"NCERTIF", "4"}, {"DREG", "99991231"}}, kEmpty},
      {"everything blank", {}, 0},
      {"full widths",
       {{"SCERTIF", "Б"},
        {"NCERTIF", "9999999"},
        {"DCERTIF", "99991231"},
        {"DREG", "99991231"},
        {"LNAME", Times(40, "Я")},
        {"FNAME", Times(40, "Я")},
        {"MNAME", Times(40, "Я")},
        {"TDOC", "99"},
        {"NLEAF", "9999999"},
        {"CHK", "9"},
        {"QTW2", "99"},
        {"MULP", "9"},
        {"PREM", "9"},
        {"DIAG", "Z99.99"},
        {"CQNT", "9"},
        {"BQNT", "99"},
        {"SEX#", "Ж"},
        {"WEIGHT#", "9.999"},
        {"GROWTH#", "99"},
        {"DIAG#", "Q99.99"},
        {"LNAME#", Times(40, "Я")},
        {"FNAME#", Times(40, "Я")},
        {"MNAME#", Times(40, "Я")},
        {"SPOLICY#", Times(14, "9")},
        {"NPOLICY#", Times(20, "9")},
        {"BDATE#", "99991231"},
        {"DATEBOBS#", "00010101"},
        {"DATEEOBS#", "99991231"}},
       99},
      {"negative numbers",
       {{"NCERTIF", "-999999"},
        {"NLEAF", "-999999"},
        {"DREG", "20070110"},
        {"DCERTIF", "20070403"},
        {"QTW2", "0"},
        {"TDOC", "-9"},
        {"BQNT", "-9"},
        {"WEIGHT#", "-9.99"},
        {"GROWTH#", "-9"}},
       0},
      {"an ordinary record",
       {{"NCERTIF", "1234567"},
        {"DREG", "20070110"},
        {"DCERTIF", "20070403"},
        {"QTW2", "30"},
        {"CHK", "1"},
        {"CQNT", "1"},
        {"SEX#", "М"},
        {"WEIGHT#", "3.450"},
        {"GROWTH#", "52"}},
       19},
  };
  return rows;
}

// Writes the rows over blank records of the OEM register file `name`,
// straight into their columns: numbers right-justified, the rest
// left-justified, as another program may write them.
void StoreRows(const std::string& name) {
  std::string file;
  {
    std::ifstream in(name, std::ios::binary);
    file.assign(std::istreambuf_iterator<char>(in), {});
  }
  auto word = [&](int at) {
    return static_cast<unsigned char>(file[at]) | static_cast<unsigned char>(file[at + 1]) << 8;
  };
  const int headerLength = word(8), recordLength = word(10);
  struct TColumn {
    int Offset, Length;
    char Type;
  };
  std::map<std::string, TColumn> columns;
  for (int d = 32, at = 1; file[d] != '\x0D'; d += 32) {
    const TColumn column{at, static_cast<unsigned char>(file[d + 16]), file[d + 11]};
    columns[file.substr(d, file.find('\0', d) - d)] = column;
    at += column.Length;
  }
  for (std::size_t r = 0; r < Rows().size(); ++r) {
    char* record = file.data() + headerLength + static_cast<int>(r) * recordLength;
    for (const auto& [pattern, text] : Rows()[r].Columns) {
      std::vector<std::string> names = {pattern};
      if (pattern.back() == '#') {
        names.clear();
        for (int i = 1; i <= 6; ++i)
          names.push_back(pattern.substr(0, pattern.size() - 1) + IntToStr(i));
      }
      for (const std::string& column : names) {
        const auto found = columns.find(column);
        if (found == columns.end()) continue;
        const TColumn& c = found->second;
        std::string bytes = FromUtf8(text, TCodePage::Oem866);
        ASSERT_LE(static_cast<int>(bytes.size()), c.Length) << column;
        const std::string blanks(static_cast<std::size_t>(c.Length) - bytes.size(), ' ');
        bytes = c.Type == 'N' ? blanks + bytes : bytes + blanks;
        bytes.copy(record + c.Offset, bytes.size());
      }
    }
  }
  std::ofstream(name, std::ios::binary) << file;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class CalculatedValuesTest : public ::testing::Test {
 protected:
  CalculatedValuesTest() : clock(EncodeDateTime(2008, 6, 1, 12, 0, 0, 0)) {
    ApplyStartupFormatSettings();
    frReportHooks().ShowPreview = [this](TfrReport& report, const std::string&) {
      shown.push_back(report.EMFPages().Count());
    };
    frReportHooks().ShowError = [this](const std::string& text) { errors.push_back(text); };
    AskPrintParams = [](TPrintParams&) { return true; };
  }
  ~CalculatedValuesTest() override {
    AskPrintParams = nullptr;
    frReportHooks() = TfrReportHooks{};
  }

  TScopedClock clock;
  TFileTestDir dir;
  std::vector<int> shown;
  std::vector<std::string> errors;
};

TEST_F(CalculatedValuesTest, FarStoredValuesOpenReadOrderFindPrintAndExport) {
  const int rows = static_cast<int>(Rows().size());
  for (const char* fileName : {"r.001", "r.002", "r.031", "r.032"}) {
    SCOPED_TRACE(fileName);
    const int kind = FileTypeOfName(fileName) > 30 ? 3 : FileTypeOfName(fileName);
    {
      auto made = register_fields::RegisterTable(dir.File(fileName), kind);
      made->CreateTable();
      made->Open();
      for (int r = 0; r < rows; ++r) {
        made->Append();
        made->Post();
      }
      made->Close();
    }
    StoreRows(dir.File(fileName));

    TObjectPtr<TRegisterDocument> doc(MakeRegisterDocument(kind, nullptr));
    ASSERT_NO_THROW(doc->Open(dir.File(fileName)));
    TmDbfTable& t = *doc->Table();
    ASSERT_EQ(t.RecordCount(), rows);
    auto* children = dynamic_cast<TChildDocument*>(doc.get());

    // Every field of every record, as the grid and the card read them.
    std::vector<std::string> keys, names;
    int r = 0;
    for (t.First(); !t.Eof(); t.Next(), ++r) {
      SCOPED_TRACE(Rows()[r].Name);
      for (int i = 0; i < t.FieldCount(); ++i) {
        TField* field = t.Fields()[i];
        SCOPED_TRACE(field->FieldName());
        ASSERT_NO_THROW((void)field->DisplayText());
        ASSERT_NO_THROW((void)field->Text());
        ASSERT_NO_THROW((void)field->Value());
        if (field->Calculated() && field->FieldName() != "cQTW1") {
          EXPECT_FALSE(field->IsNull());
        }
      }
      if (kind == 1) {
        TField* term = t.FieldByName("cQTW1");
        if (Rows()[r].Term == kEmpty) {
          EXPECT_TRUE(term->IsNull());
          EXPECT_EQ(term->DisplayText(), "");
        } else {
          EXPECT_EQ(term->AsInteger(), Rows()[r].Term);
        }
      }
      if (children != nullptr) {
        ASSERT_NO_THROW(children->LoadChildren());
      }
      keys.push_back(t.FieldByName("cCERTIF")->AsString());
      names.push_back(t.FieldByName("FIO")->AsString());
    }

    // Ordered by the key and by every calculated field, both ways.
    for (const char* order : {"cCERTIF", "FIO", "SUM", "cQTW1", "Childs"}) {
      if (t.FindField(order) == nullptr) continue;
      for (const bool descending : {false, true}) {
        ASSERT_NO_THROW(doc->OrderBy(order, descending)) << order;
        int walked = 0;
        for (t.First(); !t.Eof(); t.Next()) ++walked;
        EXPECT_EQ(walked, rows) << order;
      }
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
      ASSERT_TRUE(doc->FindCertificate(keys[i])) << keys[i];
      EXPECT_EQ(t.FieldByName("cCERTIF")->AsString(), keys[i]);
      ASSERT_TRUE(t.Locate("FIO", Variant(names[i]), {})) << names[i];
    }

    // The print of the register (and of application No. 2), then the
    // exchange file.
    TRegisterPrint& print = RegisterPrintOf(*doc);
    print.TemplateDir = MEBRATH_TEMPLATE_DIR;
    print.ExchangeFile = dir.File("prn.xml");
    shown.clear();
    ASSERT_NO_THROW(PrintRegisterOf(*doc));
    if (kind == 1) {
      ASSERT_NO_THROW(PrintApplication2Of(*doc));
    }
    EXPECT_TRUE(errors.empty()) << errors.front();
    ASSERT_EQ(shown.size(), kind == 1 ? 2u : 1u);
    for (int pages : shown) EXPECT_GE(pages, 1);
    const std::string xml = dir.File(std::string(fileName) + ".xml");
    ASSERT_NO_THROW(doc->ExportXml(xml, TInstitution{}));
    std::ifstream in(xml, std::ios::binary);
    EXPECT_EQ(Count(std::string(std::istreambuf_iterator<char>(in), {}), "<BTAL"), rows);

    // Read back into a new register: every record counted.
    TObjectPtr<TRegisterDocument> back(MakeRegisterDocument(kind, nullptr));
    back->New(dir.File("back" + ExtractFileExt(fileName)));
    TImpXml importer(xml);
    TInstitution institution;
    int imported = 0;
    ASSERT_NO_THROW(imported = back->ImportXml(importer, institution));
    EXPECT_EQ(imported, rows);
    EXPECT_EQ(back->Table()->RecordCount(), rows);
  }
}

// The program started as a clerk has it: a register with the fund's far
// registration date opens and its record is corrected on the card, and
// an exchange file with that date is imported whole.
class FarDatesProgramTest : public StartedProgramFixture {
 protected:
  ~FarDatesProgramTest() override { SetFileDialogBackend(nullptr); }

  // The file dialogs answer `fileName`.
  static void Choose(const std::string& fileName) {
    SetFileDialogBackend([fileName](TFileDialogRequest& r) {
      r.FileName = fileName;
      return true;
    });
  }
  // A click on the main window's tool button of `action`.
  static void ClickToolButton(const TBasicAction* action) {
    TControl* button = nullptr;
    for (int i = 0; i < fmMain->ToolBar->ControlCount(); ++i) {
      auto* b = dynamic_cast<TToolButton*>(fmMain->ToolBar->Controls(i));
      if (b != nullptr && b->Action() == action) button = b;
    }
    ASSERT_NE(button, nullptr);
    ClickAt(*button, {button->Width() / 2, button->Height() / 2});
  }
};

TEST_F(FarDatesProgramTest, ARegisterWithAFarRegistrationDateOpensAndImports) {
  {
    auto t = register_fields::RegisterTable(dir.File("far.001"), 1);
    t->CreateTable();
    t->Open();
    for (const auto& [number, registered] :
         {std::pair{1, EncodeDate(9999, 12, 31)}, std::pair{2, EncodeDate(2007, 1, 10)}}) {
      t->Append();
      register_fields::FillMother(*t, number, registered);
      t->FieldByName("SCERTIF")->SetAsString("Б");
      t->FieldByName("TDOC")->SetAsInteger(14);
      t->FieldByName("QTW2")->SetAsInteger(30);
      t->FieldByName("CHK")->SetAsInteger(1);
      t->Post();
    }
    t->Close();
  }
  Choose(dir.File("far.001"));
  PressKey('O', {ssCtrl});
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
  TCustFrame* f = fmMain->CurrentFrame();
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->FileName(), dir.File("far.001"));
  EXPECT_EQ(f->SB->Panels()->Items(0)->Text(), "1:2");

  // Found, and corrected on its card.
  ASSERT_TRUE(f->Document()->FindCertificate("Б 0000001"));
  TDataSet& t = *f->Document()->Table();
  EXPECT_EQ(t.FieldByName("cQTW1")->DisplayText(), "");
  PressKey(VK_RETURN, {ssCtrl});
  ASSERT_TRUE(f->CardShown());
  t.Edit();
  t.FieldByName("DREG")->SetAsDateTime(EncodeDate(2007, 1, 10));
  PressKey('S', {ssCtrl});
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
  EXPECT_EQ(t.State(), dsBrowse);
  EXPECT_EQ(t.FieldByName("cQTW1")->AsInteger(), 19);
  PressKey(VK_RETURN, {ssCtrl});
  ASSERT_FALSE(f->CardShown());

  // The fund's exchange file with that date: both records come in.
  std::ofstream(dir.File("fund.xml"), std::ios::binary)
      << "<?xml version=\"1.0\" encoding=\"windows-1251\"?><?BSERTIF1 version=\"0.1\"?>"
         "<BIRTH_SERTIF><HEADER FROM=\"fund\"/>"
         "<BTAL1 DREG=\"9999-12-31\" QTW2=\"29\" CHK=\"1\">"
         "<CERTIF NCERTIF=\"5\" DCERTIF=\"2007-04-03\"/></BTAL1>"
         "<BTAL1 DREG=\"2007-01-10\" QTW2=\"30\" CHK=\"1\">"
         "<CERTIF NCERTIF=\"6\" DCERTIF=\"2007-04-03\"/></BTAL1>"
         "</BIRTH_SERTIF>";
  Choose(dir.File("fund.xml"));
  ClickToolButton(fmMain->acImp);
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
  f = fmMain->CurrentFrame();
  ASSERT_EQ(f->FileName(), dir.File("fund.001"));
  EXPECT_EQ(f->Document()->Table()->RecordCount(), 2);
  EXPECT_EQ(f->SB->Panels()->Items(0)->Text(), "1:2");
}

}  // namespace
