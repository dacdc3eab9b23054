// Builds the report templates that ship beside the program: the register
// lists of the three coupon kinds, the invoice and application No. 2. Each
// template is made of the report engine's own objects and written by its
// template writer, so the files always match the engine that reads them.
//
//   make_templates <output folder>
//
// Coordinates are screen pixels of an A4 page (96 dpi). Institution values
// are each a bracket of their own ([cINN]): the parser would upper-case a
// name inside a longer expression. No band groups over the register
// dataset: a group change steps the dataset back and forth, which would
// count an invoice row twice. A blank date or number field reads as 0 in
// the engine, so the cells of the data bands hide zeros: a blank value
// prints blank (amounts are formatted to text and always print).
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/file_stream.h"
#include "report/fr_band_view.h"
#include "report/fr_memo_view.h"
#include "report/fr_page.h"
#include "report/fr_pages.h"
#include "report/fr_report.h"

namespace {

constexpr int kAll = frbLeft | frbTop | frbRight | frbBottom;
constexpr const char* kDs = "frDBDataSet1";
constexpr const char* kAcct = "frDsAcct";

std::string F(const char* field) { return std::string("[") + kDs + ".\"" + field + "\"]"; }

class TBuilder {
 public:
  TBuilder(TComponent* owner, bool landscape) {
    Report = Create<TfrReport>(owner);
    Page = Report->Pages().Add();
    if (landscape) {
      Page->pgOr = 1;
      std::swap(Page->pgWidth, Page->pgHeight);
    }
    Page->pgMargins = TRect{57, 38, 38, 38};
    Left = 57;
    Width = (landscape ? 1123 : 794) - 57 - 38;
  }

  TfrBandView* Band(int kind, int dy, const std::string& source = "", std::uint16_t flags = 0) {
    auto v = CreateUnique<TfrBandView>();
    v->SetBandType(kind);
    v->Name = "Band" + std::to_string(++FBands);
    v->x = 0;
    v->y = FNextBandY;
    v->dx = Width + Left;
    v->dy = dy;
    v->Flags = flags;
    v->SetDataSource(source);
    Y = FNextBandY;
    FNextBandY += dy + 20;
    return static_cast<TfrBandView*>(Page->Add(std::move(v)));
  }

  // A text at (x, y) relative to the page's left margin and the current
  // band's top.
  TfrMemoView* Text(int x, int y, int dx, int dy, const std::string& text, int size = 9,
                    bool bold = false, int adjust = frtaLeft, std::uint16_t frame = 0,
                    bool wrap = true) {
    auto m = CreateUnique<TfrMemoView>();
    m->Name = "Memo" + std::to_string(++FMemos);
    m->x = Left + x;
    m->y = Y + y;
    m->dx = dx;
    m->dy = dy;
    m->Font.SetName("Arial");
    m->Font.SetSize(size);
    m->Font.SetStyle(bold ? TFontStyles{fsBold} : TFontStyles{});
    m->FrameTyp = frame;
    m->Adjust = adjust;
    m->Flags = static_cast<std::uint16_t>(flStretched | (wrap ? flWordWrap : 0));
    m->Memo.SetText(text);
    return static_cast<TfrMemoView*>(Page->Add(std::move(m)));
  }

  struct TColumn {
    const char* Title;
    std::string Value;
    int Width;
    int Adjust;
  };

  // A framed table: the header row repeated on every page, the data band
  // over `source`, each row as tall as its tallest cell.
  void Table(const std::vector<TColumn>& columns, const std::string& source, int headHeight) {
    Band(btPageHeader, headHeight + 16, "", flBandOnFirstPage);
    Text(0, 0, Width, 14, "Страница [PAGE#]", 7, false, frtaRight);
    int x = 0;
    for (const TColumn& c : columns) {
      Text(x, 16, c.Width, headHeight, c.Title, 7, true, frtaCenter | frtaMiddle, kAll);
      x += c.Width;
    }
    Band(btMasterData, 16, source, flBandStretched);
    x = 0;
    for (const TColumn& c : columns) {
      Text(x, 0, c.Width, 16, c.Value, 7, false, c.Adjust | frtaMiddle, kAll)->Flags |= flHideZeros;
      x += c.Width;
    }
  }

  void Save(const std::filesystem::path& file) {
    TFileStream stream(file.string(), fmCreate);
    Report->SaveToStream(stream);
  }

  TfrReport* Report = nullptr;
  TfrPage* Page = nullptr;
  int Left = 0;
  int Width = 0;
  int Y = 0;

 private:
  int FNextBandY = 20;
  int FBands = 0;
  int FMemos = 0;
};

const char* const kSum = "[FORMATFLOAT('#,##0.00', [frDBDataSet1.\"SUM\"])]";

// The institution block above a register list or an invoice.
void InstitutionHeader(TBuilder& b, int width) {
  b.Text(0, 0, width, 16, "[cNAME]", 10, true);
  b.Text(0, 18, 40, 16, "ИНН", 9);
  b.Text(40, 18, 120, 16, "[cINN]", 9);
  b.Text(170, 18, 40, 16, "КПП", 9);
  b.Text(210, 18, 120, 16, "[cKPP]", 9);
  b.Text(340, 18, 90, 16, "Рег. номер", 9);
  b.Text(430, 18, 160, 16, "[cREG_NUM]", 9);
  b.Text(0, 36, 60, 16, "Адрес:", 9);
  b.Text(60, 36, width - 60, 16, "[cADRES]", 9);
}

void RegisterSignatures(TBuilder& b) {
  b.Text(0, 0, 360, 18, "Главный врач  ____________________", 9);
  b.Text(360, 0, 300, 18, "[cGDOCTER]", 9);
  b.Text(0, 30, 360, 18, "Главный бухгалтер  ________________", 9);
  b.Text(360, 30, 300, 18, "[cGBUH]", 9);
  b.Text(0, 54, 100, 18, "М.П.", 9);
}

void RegisterList(const std::filesystem::path& out, TComponent* owner, int kind) {
  // Portrait, as the invoice that follows it in one print job.
  TBuilder b(owner, false);
  static const char* const titles[] = {
      "",
      "Реестр талонов № 1 родовых сертификатов (оказание медицинской помощи женщинам в "
      "период беременности)",
      "Реестр талонов № 2 родовых сертификатов (оказание медицинской помощи женщинам и "
      "новорожденным в период родов)",
      "Реестр талонов № 3 родовых сертификатов (диспансерное наблюдение ребенка в течение "
      "первого года жизни)"};
  b.Band(btReportTitle, 150);
  InstitutionHeader(b, b.Width);
  b.Text(0, 64, b.Width, 36, titles[kind], 11, true, frtaCenter, 0);
  b.Text(0, 104, b.Width, 18, "за [aMONTH] [aYEAR] г. (с [aFDate] по [aLDate])", 10, false,
         frtaCenter);
  b.Text(0, 124, b.Width, 18, "к счету № [aNDOC] от [aDDOC]", 10, false, frtaCenter);

  std::vector<TBuilder::TColumn> columns = {
      {"№ п/п", "[LINE#]", 26, frtaCenter},
      {"Серия, номер талона", F("cCERTIF"), 64, frtaCenter},
      {"Дата выдачи", F("DCERTIF"), 58, frtaCenter},
      {"Фамилия, имя, отчество", F("FIO"), 0, frtaLeft},
      {"Дата рождения", F("BDATE"), 58, frtaCenter},
      {"СНИЛС", F("SNILS"), 78, frtaCenter},
      {"Полис ОМС", F("SPOLICY") + " " + F("NPOLICY"), 92, frtaLeft},
  };
  if (kind == 1) {
    columns.push_back({"Дата учета", F("DREG"), 58, frtaCenter});
    columns.push_back({"Срок, нед.", F("QTW2"), 36, frtaCenter});
  } else if (kind == 2) {
    columns.push_back({"Дата родов", F("DREG"), 58, frtaCenter});
    columns.push_back({"Детей", F("CQNT"), 36, frtaCenter});
  } else {
    columns.push_back({"Дата учета", F("DREG"), 58, frtaCenter});
    columns.push_back({"Детей", F("CQNT"), 36, frtaCenter});
  }
  columns.push_back({"Сумма, руб.", kSum, 66, frtaRight});
  int used = 0;
  for (const auto& c : columns) used += c.Width;
  for (auto& c : columns)
    if (c.Width == 0) c.Width = b.Width - used;
  b.Table(columns, kDs, 40);

  b.Band(btReportSummary, 140);
  const int sumWidth = columns.back().Width;
  b.Text(0, 0, b.Width - sumWidth, 18, "Итого талонов: [TR]     Итого на сумму:", 9, true,
         frtaRight | frtaMiddle, kAll);
  b.Text(b.Width - sumWidth, 0, sumWidth, 18, "[FORMATFLOAT('#,##0.00', [aSUM])]", 9, true,
         frtaRight | frtaMiddle, kAll);
  b.Y += 34;
  RegisterSignatures(b);
  b.Save(out / ("rsrt" + std::to_string(kind) + ".frf"));
}

void Invoice(const std::filesystem::path& out, TComponent* owner) {
  TBuilder b(owner, false);
  const int w = b.Width;
  b.Band(btReportTitle, 330);
  // The bank block of the payee, as on a payment order.
  b.Text(0, 0, 380, 36, "[cBNAME]", 9, false, frtaLeft, frbLeft | frbTop | frbRight);
  b.Text(380, 0, 60, 18, "БИК", 9, false, frtaLeft, frbTop | frbRight);
  b.Text(440, 0, w - 440, 18, "[cBIC]", 9, false, frtaLeft, frbTop | frbRight);
  b.Text(380, 18, 60, 18, "Сч. №", 9, false, frtaLeft, frbTop | frbRight);
  b.Text(440, 18, w - 440, 18, "[cKACC]", 9, false, frtaLeft, frbTop | frbRight);
  b.Text(0, 36, 380, 18, "Банк получателя", 8, false, frtaLeft, frbLeft | frbRight | frbBottom);
  b.Text(380, 36, 60, 18, "", 9, false, frtaLeft, frbRight | frbBottom);
  b.Text(440, 36, w - 440, 18, "", 9, false, frtaLeft, frbRight | frbBottom);
  b.Text(0, 54, 40, 18, "ИНН", 9, false, frtaLeft, frbLeft | frbBottom);
  b.Text(40, 54, 150, 18, "[cINN]", 9, false, frtaLeft, frbRight | frbBottom);
  b.Text(190, 54, 40, 18, "КПП", 9, false, frtaLeft, frbBottom);
  b.Text(230, 54, 150, 18, "[cKPP]", 9, false, frtaLeft, frbRight | frbBottom);
  b.Text(380, 54, 60, 54, "Сч. №", 9, false, frtaLeft, frbRight | frbBottom);
  b.Text(440, 54, w - 440, 54, "[cACC]", 9, false, frtaLeft, frbRight | frbBottom);
  b.Text(0, 72, 380, 18, "[cNAME]", 9, false, frtaLeft, frbLeft | frbRight);
  b.Text(0, 90, 380, 18, "Получатель", 8, false, frtaLeft, frbLeft | frbRight | frbBottom);

  b.Text(0, 126, w, 24, "Счет № [aNDOC] от [aDDOC]", 14, true, frtaLeft | frtaMiddle, frbBottom);
  b.Text(0, 160, 100, 18, "Поставщик:", 9);
  // The supplier is the institution, the payer the fund (the details
  // dialog's second page).
  b.Text(100, 160, w - 100, 36, "[cNAME], ИНН [cINN], КПП [cKPP], [cADRES]", 9, true);
  b.Text(0, 198, 100, 18, "Плательщик:", 9);
  b.Text(100, 198, w - 100, 50,
         "[cFNAME], ИНН [cFINN], КПП [cFKPP], [cFADRES], р/с [cFACC] в [cFBNAME], "
         "БИК [cFBIC], к/с [cFKACC]",
         9, true);
  b.Text(0, 250, 100, 18, "Основание:", 9);
  b.Text(100, 250, w - 100, 36,
         "договор на оказание мед. услуг № [cNDOC] от [cDDOC]; реестр талонов родовых "
         "сертификатов (тип [aType]) за [aMONTH] [aYEAR] г., период оказания услуг с [aFDate] "
         "по [aLDate]",
         9);
  // The price rows' header.
  static const int cw[] = {36, 0, 70, 70, 100, 110};
  int widths[6];
  int rest = w;
  for (int i = 0; i < 6; ++i) rest -= cw[i];
  for (int i = 0; i < 6; ++i) widths[i] = cw[i] == 0 ? rest : cw[i];
  static const char* const heads[] = {"№",      "Наименование услуги", "Ед. изм.",
                                      "Кол-во", "Цена, руб.",          "Сумма, руб."};
  int x = 0;
  for (int i = 0; i < 6; ++i) {
    b.Text(x, 294, widths[i], 36, heads[i], 9, true, frtaCenter | frtaMiddle, kAll);
    x += widths[i];
  }
  b.Band(btMasterData, 22, kAcct, flBandStretched);
  const std::string values[] = {
      "[LINE#]",
      "Оплата услуг по родовым сертификатам (талоны), цена [FORMATFLOAT('#,##0.00', "
      "[frDsAcct.\"PRICE\"])] руб.",
      "талон",
      "[frDsAcct.\"CNT\"]",
      "[FORMATFLOAT('#,##0.00', [frDsAcct.\"PRICE\"])]",
      "[FORMATFLOAT('#,##0.00', [frDsAcct.\"PRICE\"] * [frDsAcct.\"CNT\"])]"};
  static const int adjust[] = {frtaCenter, frtaLeft, frtaCenter, frtaRight, frtaRight, frtaRight};
  x = 0;
  for (int i = 0; i < 6; ++i) {
    b.Text(x, 0, widths[i], 22, values[i], 9, false, adjust[i] | frtaMiddle, kAll)->Flags |=
        flHideZeros;
    x += widths[i];
  }
  b.Band(btReportSummary, 300);
  const int label = w - widths[5];
  b.Text(0, 4, label - 4, 18, "Итого:", 9, true, frtaRight);
  b.Text(label, 4, widths[5], 18, "[FORMATFLOAT('#,##0.00', [aSUM])]", 9, true, frtaRight);
  b.Text(0, 24, label - 4, 18, "Без налога (НДС):", 9, true, frtaRight);
  b.Text(label, 24, widths[5], 18, "-", 9, true, frtaRight);
  b.Text(0, 44, label - 4, 18, "Всего к оплате:", 9, true, frtaRight);
  b.Text(label, 44, widths[5], 18, "[FORMATFLOAT('#,##0.00', [aSUM])]", 9, true, frtaRight);
  b.Text(0, 74, w, 18, "Всего на сумму [FORMATFLOAT('#,##0.00', [aSUM])] руб.", 9);
  b.Text(0, 94, w, 36, "[aPSUM]", 9, true, frtaLeft, frbBottom);
  b.Text(0, 140, w, 18, "Контрольная сумма файла реестра (MD5): [aMD5]", 8);
  b.Text(0, 186, 330, 18, "Главный врач  ____________________", 9);
  b.Text(330, 186, w - 330, 18, "[cGDOCTER]", 9);
  b.Text(0, 222, 330, 18, "Главный бухгалтер  ________________", 9);
  b.Text(330, 222, w - 330, 18, "[cGBUH]", 9);
  b.Text(0, 252, 100, 18, "М.П.", 9);
  b.Save(out / "acct.frf");
}

// Application No. 2: the list of coupons No. 1 with the terms of
// pregnancy at registration, for the fund's check of early registration.
void Application2(const std::filesystem::path& out, TComponent* owner) {
  TBuilder b(owner, true);
  b.Band(btReportTitle, 130);
  b.Text(b.Width - 260, 0, 260, 36, "Приложение № 2\nк реестру талонов № 1", 9, false, frtaRight);
  InstitutionHeader(b, b.Width - 270);
  b.Text(0, 64, b.Width, 36,
         "Сведения о сроках постановки на учет по беременности женщин, получивших "
         "родовые сертификаты",
         12, true, frtaCenter);
  b.Text(0, 104, b.Width, 18, "Реестр от [DATE]", 10, false, frtaCenter);
  std::vector<TBuilder::TColumn> columns = {
      {"№ п/п", "[LINE#]", 34, frtaCenter},
      {"Серия, номер родового сертификата", F("cCERTIF"), 90, frtaCenter},
      {"Дата выдачи", F("DCERTIF"), 76, frtaCenter},
      {"Фамилия, имя, отчество", F("FIO"), 0, frtaLeft},
      {"Дата рождения", F("BDATE"), 76, frtaCenter},
      {"№ медицинской карты", F("NCARD"), 90, frtaCenter},
      {"Дата постановки на учет", F("DREG"), 90, frtaCenter},
      {"Срок беременности при постановке, недель", F("cQTW1"), 100, frtaCenter},
      {"Срок беременности при выдаче, недель", F("QTW2"), 100, frtaCenter},
  };
  int used = 0;
  for (const auto& c : columns) used += c.Width;
  for (auto& c : columns)
    if (c.Width == 0) c.Width = b.Width - used;
  b.Table(columns, kDs, 52);
  b.Band(btReportSummary, 110);
  b.Text(0, 6, b.Width, 18, "Всего женщин: [TR]", 9, true);
  b.Y += 36;
  RegisterSignatures(b);
  b.Save(out / "pr2.frf");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_templates <output folder>\n");
    return 2;
  }
  try {
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    auto owner = CreateUnique<TComponent>();
    for (int kind = 1; kind <= 3; ++kind) RegisterList(out, owner.get(), kind);
    Invoice(out, owner.get());
    Application2(out, owner.get());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_templates: %s\n", e.what());
    return 1;
  }
  return 0;
}
