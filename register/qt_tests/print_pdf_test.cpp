// Registers of each kind printed from the shipped templates to a PDF file
// through the desktop's printer, and the PDF's text read back. With
// MEBRATH_GALLERY_DIR set the PDFs are also written there to be looked at.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/format.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/base/tests/shell_output.h"
#include "platform/data/fields.h"
#include "platform/draw/printers.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/tests/qt_test_app.h"
#include "register/core/tests/register_fields.h"
#include "register/data_module.h"
#include "register/frames.h"
#include "register/print_register.h"
#include "report/fr_pages.h"
#include "report/fr_printer.h"
#include "report/fr_report.h"
#include "storage/mem_ds.h"

namespace {

const char* const kNames[][3] = {{"Иванова", "Мария", "Петровна"},
                                 {"Петрова", "Анна", "Сергеевна"},
                                 {"Сидорова-Кузнецова", "Ольга", "Ивановна"},
                                 {"Кузнецова", "Елена", "Викторовна"}};

class PrintPdfTest : public ::testing::Test {
 protected:
  PrintPdfTest() : clock(EncodeDateTime(2007, 6, 5, 12, 0, 0, 0)) {
    TestHost();
    ApplyStartupFormatSettings();
    oldBackend = SetPrinterBackend(MakeQtPrinterBackend());
    frPrinter().SetPrinter(Printer());
    frReportHooks().ShowPreview = [this](TfrReport& report, const std::string&) {
      Printer()->SetOutputFileName(pdf);
      PrintPreparedPages(report, report.EMFPages(), TfrPrintRequest{});
      Printer()->SetOutputFileName("");
    };
    frReportHooks().ShowError = [this](const std::string& text) { errors.push_back(text); };
  }
  ~PrintPdfTest() override {
    frReportHooks() = TfrReportHooks{};
    SetPrinterBackend(std::move(oldBackend));
    frPrinter().SetPrinter(Printer());
  }

  // A register of `kind` in memory with the calculated columns filled in.
  TmemDs* Sample(TComponent* owner, int kind, int count) {
    auto* ds = Create<TmemDs>(owner);
    register_fields::AddRegisterFields(*ds, kind);
    register_fields::Add<TStringField>(*ds, "FIO", 120);
    register_fields::Add<TStringField>(*ds, "cCERTIF", 10);
    register_fields::Add<TCurrencyField>(*ds, "SUM");
    register_fields::Add<TSmallintField>(*ds, "cQTW1");
    ds->Open();
    for (int i = 0; i < count; ++i) {
      const auto& n = kNames[i % 4];
      ds->Append();
      auto set = [&](const char* f, const std::string& v) { ds->FieldByName(f)->SetAsString(v); };
      set("SCERTIF", "В");
      ds->FieldByName("NCERTIF")->SetAsInteger(1234500 + i);
      set("cCERTIF", Format("В %.7d", 1234500 + i));
      ds->FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(2007, 5, 1 + i % 28));
      set("LNAME", n[0]);
      set("FNAME", n[1]);
      set("MNAME", n[2]);
      set("FIO", std::string(n[0]) + " " + n[1] + " " + n[2]);
      ds->FieldByName("BDATE")->SetAsDateTime(EncodeDate(1975 + i % 20, 1 + i % 12, 1 + i % 27));
      set("SNILS", Format("123-456-%.3d %.2d", i, i % 100));
      set("SPOLICY", "77 ОМС");
      set("NPOLICY", Format("%.10d", 4000000 + i * 13));
      ds->FieldByName("DREG")->SetAsDateTime(EncodeDate(2007, 1 + i % 4, 10));
      set("NCARD", std::to_string(300 + i));
      ds->FieldByName("CHK")->SetAsInteger(i % 7 == 6 ? 0 : 1);
      const int price = kind == 1 ? (i % 3 == 0 ? 2000 : 3000) : kind == 2 ? 6000 : 1000;
      const int qnt = kind == 3 ? 1 + i % 2 : 1;
      if (kind != 1) ds->FieldByName("CQNT")->SetAsInteger(qnt);
      if (kind == 1) {
        ds->FieldByName("QTW2")->SetAsInteger(30 + i % 5);
        ds->FieldByName("cQTW1")->SetAsInteger(8 + i % 10);
      }
      ds->FieldByName("SUM")->SetAsCurrency(Currency(i % 7 == 6 ? 0 : price * qnt));
      ds->Post();
    }
    return ds;
  }

  std::string PrintToPdf(int kind, int count, bool app2, const std::string& name) {
    auto owner = CreateUnique<TComponent>();
    TmemDs* ds = Sample(owner.get(), kind, count);
    auto* print = Create<TRegisterPrint>(owner.get());
    print->Bind(ds, kind, kind == 3 ? 31 : kind);
    print->TemplateDir = MEBRATH_TEMPLATE_DIR;
    print->ExchangeFile = dir.File("$prn.xml");
    print->ExportXml = [](const std::string& file) { WriteFile(file, "<register/>"); };
    print->Institution = [](const std::string& key) -> std::string {
      static const std::pair<const char*, const char*> lpu[] = {
          {"NAME", "МУЗ «Городской родильный дом № 2»"},
          {"FNAME", "ГУ - Московское региональное отделение Фонда социального страхования РФ"},
          {"FINN", "7710030411"},
          {"FKPP", "770201001"},
          {"FADRES", "107031, г. Москва, ул. Дмитровка, д. 9"},
          {"FBNAME", "Отделение 1 Московского ГТУ Банка России"},
          {"FACC", "40404810000000010001"},
          {"FBIC", "044583001"},
          {"FKACC", "30101810000000000001"},
          {"NDOC", "17-Р"},
          {"DDOC", "10.01.2007"},
          {"INN", "7701234567"},
          {"KPP", "770101001"},
          {"REG_NUM", "7701000123"},
          {"ADRES", "123456, г. Москва, ул. Садовая, д. 15"},
          {"GDOCTER", "Смирнова Т. В."},
          {"GBUH", "Орлова Н. П."},
          {"ACC", "40703810000000000123"},
          {"BNAME", "ОАО «Сбербанк России», г. Москва"},
          {"BIC", "044525225"},
          {"KACC", "30101810400000000225"}};
      for (const auto& [k, v] : lpu)
        if (key == k) return v;
      return "";
    };
    pdf = dir.File(name + ".pdf");
    TPrintParams params;
    params.NDoc = "42";
    params.DDocText = "05.06.2007";
    params.Month = 5;
    params.Year = 2007;
    if (app2)
      print->PrintApplication2();
    else
      print->Print(params);
    if (const char* gallery = std::getenv("MEBRATH_GALLERY_DIR"))
      std::filesystem::copy_file(pdf, std::string(gallery) + "/" + name + ".pdf",
                                 std::filesystem::copy_options::overwrite_existing);
    // Thousands are grouped by a no-break space.
    std::string text = Shell("pdftotext -layout " + pdf + " -");
    for (std::size_t at; (at = text.find("\u00A0")) != std::string::npos;) text.replace(at, 2, " ");
    return text;
  }

  TScopedClock clock;
  TFileTestDir dir;
  std::unique_ptr<IPrinterBackend> oldBackend;
  std::string pdf;
  std::vector<std::string> errors;
};

TEST_F(PrintPdfTest, EachKindWithItsInvoice) {
  if (Shell("command -v pdftotext").empty()) GTEST_SKIP() << "pdftotext is not installed";
  struct {
    int kind;
    int count;
    std::vector<std::string> texts;
  } cases[] = {
      {1,
       45,
       {"Реестр талонов № 1", "Иванова Мария Петровна", "В 1234544", "за май 2007", "7701234567",
        "Счет № 42 от 05.06.2007", "2 000.00", "104 000.00", "Сто четыре тысячи рублей",
        "7710030411", "№ 17-Р"}},
      {2, 8, {"Реестр талонов № 2", "Сидорова-Кузнецова", "6 000.00", "42 000.00"}},
      {3, 9, {"Реестр талонов № 3", "1 000.00", "12 000.00"}},
  };
  for (const auto& c : cases) {
    const std::string text =
        PrintToPdf(c.kind, c.count, false, "register" + std::to_string(c.kind));
    EXPECT_TRUE(errors.empty()) << errors[0];
    for (const std::string& t : c.texts) EXPECT_NE(text.find(t), std::string::npos) << t;
  }
}

TEST_F(PrintPdfTest, ApplicationTwo) {
  if (Shell("command -v pdftotext").empty()) GTEST_SKIP() << "pdftotext is not installed";
  const std::string text = PrintToPdf(1, 12, true, "application2");
  EXPECT_TRUE(errors.empty()) << errors[0];
  EXPECT_NE(text.find("Приложение № 2"), std::string::npos);
  EXPECT_NE(text.find("Кузнецова Елена Викторовна"), std::string::npos);
}

}  // namespace
