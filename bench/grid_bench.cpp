// The data grid over a 100,000-record register (23 columns, two-level
// titles, one SUM footer) at full screen (1920 x 1080): painting a frame
// into the recording canvas (the grid's own work) and with the Qt canvas,
// opening the grid on the open table including the first full pass of the
// sum list, and what keeping the SUM footer current adds to a post.
#include <benchmark/benchmark.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "grid/db_grid.h"
#include "platform/base/format_settings.h"
#include "platform/data/data_source.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_host.h"
#include "storage/dbf_table.h"

namespace {

struct TColumnDef {
  const char* Name;
  char Kind;  // S string, I integer, D date, M smallint, F money
  int Size;
  const char* Origin;
  const char* Caption;
};

constexpr TColumnDef kColumns[] = {
    {"SCERTIF", 'S', 1, "", "Сертификат|Серия"},
    {"NCERTIF", 'I', 0, "7.0", "Сертификат|Номер"},
    {"DCERTIF", 'D', 0, "", "Сертификат|Дата"},
    {"SNILS", 'S', 14, "", "СНИЛС"},
    {"LNAME", 'S', 40, "", "Женщина|Фамилия"},
    {"FNAME", 'S', 40, "", "Женщина|Имя"},
    {"MNAME", 'S', 40, "", "Женщина|Отчество"},
    {"BDATE", 'D', 0, "", "Женщина|Дата рождения"},
    {"ADDRESS", 'S', 128, "", "Адрес"},
    {"TDOC", 'M', 0, "2.0", "Документ|Вид"},
    {"NDOC", 'S', 10, "", "Документ|Номер"},
    {"SDOC", 'S', 10, "", "Документ|Серия"},
    {"DDOC", 'D', 0, "", "Документ|Дата"},
    {"ODOC", 'S', 80, "", "Документ|Кем выдан"},
    {"SPOLICY", 'S', 14, "", "Полис|Серия"},
    {"NPOLICY", 'S', 20, "", "Полис|Номер"},
    {"SLEAF", 'S', 2, "", "Больничный|Серия"},
    {"NLEAF", 'I', 0, "7.0", "Больничный|Номер"},
    {"DLEAF", 'D', 0, "", "Больничный|Дата"},
    {"DREG", 'D', 0, "", "Дата учёта"},
    {"NCARD", 'S', 10, "", "Обменная карта|Номер"},
    {"DCARD", 'D', 0, "", "Обменная карта|Дата"},
    {"SUMMA", 'F', 0, "10.2", "Сумма"},
};

TObjectPtr<TmDbfTable> MakeRegister(const std::string& file) {
  FormatSettings.DecimalSeparator = '.';
  auto t = CreateUnique<TmDbfTable>();
  t->SetName("Reg");
  t->SetTableName(file);
  for (const TColumnDef& c : kColumns) {
    TField* f = nullptr;
    switch (c.Kind) {
      case 'S':
        f = Create<TStringField>(t.get());
        f->SetSize(c.Size);
        break;
      case 'I':
        f = Create<TIntegerField>(t.get());
        break;
      case 'M':
        f = Create<TSmallintField>(t.get());
        break;
      case 'F':
        f = Create<TFloatField>(t.get());
        break;
      default:
        f = Create<TDateField>(t.get());
        break;
    }
    f->SetFieldName(c.Name);
    f->SetOrigin(c.Origin);
    f->SetDataSet(t.get());
  }
  t->SetExclusive(false);
  return t;
}

// The register, written once per process.
const std::string& Register100k() {
  static const std::string file = [] {
    const std::string name =
        (std::filesystem::temp_directory_path() / "mebrath-grid-bench.001").string();
    auto t = MakeRegister(name);
    t->CreateTable();
    t->Open();
    for (int i = 0; i < 100000; ++i) {
      t->Append();
      t->FieldByName("SCERTIF")->SetAsString("А");
      t->FieldByName("NCERTIF")->SetAsInteger(i);
      t->FieldByName("DCERTIF")->SetAsDateTime(39083 + i % 300);
      t->FieldByName("LNAME")->SetAsString("Иванова");
      t->FieldByName("FNAME")->SetAsString("Мария");
      t->FieldByName("MNAME")->SetAsString("Петровна");
      t->FieldByName("ADDRESS")->SetAsString("г. Москва, ул. Ленина, д. 1, кв. 2");
      t->FieldByName("TDOC")->SetAsInteger(14);
      t->FieldByName("SUMMA")->SetAsFloat(11000 + (i % 7) * 1250.5);
      t->Post();
    }
    return name;
  }();
  return file;
}

struct TGridScreen {
  explicit TGridScreen(TDataSource* source, bool withSums = true) {
    form = Create<TForm>(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 1920, 1080);
    grid = Create<TDBGridEh>(form);
    grid->SetParent(form);
    grid->SetAlign(alClient);
    grid->BeginLayout();
    for (const TColumnDef& c : kColumns) {
      TColumnEh* column = grid->Columns()->Add();
      column->SetFieldName(c.Name);
      column->Title()->SetCaption(c.Caption);
      column->SetWidth(c.Kind == 'S' && c.Size > 20 ? 160 : 70);
    }
    grid->SetUseMultiTitle(true);
    grid->SetFooterRowCount(1);
    grid->Columns()->Items(22)->Footer()->SetValueType(fvtSum);
    grid->EndLayout();
    form->Show();
    grid->SetDataSource(source);
    grid->SumList()->SetActive(withSums);
  }
  ~TGridScreen() { form->Free(); }
  TForm* form;
  TDBGridEh* grid;
};

struct TOpenRegister {
  TOpenRegister() : table(MakeRegister(Register100k())), source(CreateUnique<TDataSource>()) {
    table->Open();
    source->SetDataSet(table.get());
  }
  TObjectPtr<TmDbfTable> table;
  TObjectPtr<TDataSource> source;
};

void InstallOffscreenHost() {
  static bool done = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "mebrath_bench";
    static char* argv[] = {name, nullptr};
    InstallQtHost(argc, argv);
    return true;
  }();
  (void)done;
}

}  // namespace

static void BM_DBGridPaintFullScreen(benchmark::State& state) {
  TOpenRegister reg;
  TGridScreen screen(reg.source.get());
  reg.table->MoveBy(50000);
  TRecordingCanvas canvas;
  const TRect all{0, 0, 1920, 1080};
  for (auto _ : state) {
    canvas.Clear();
    PaintTopLevel(screen.form->Handle(), canvas, all);
    benchmark::DoNotOptimize(canvas.Records().size());
  }
}
BENCHMARK(BM_DBGridPaintFullScreen)->Unit(benchmark::kMillisecond);

static void BM_DBGridPaintFullScreenQt(benchmark::State& state) {
  InstallOffscreenHost();
  TOpenRegister reg;
  TGridScreen screen(reg.source.get());
  reg.table->MoveBy(50000);
  QImage image(1920, 1080, QImage::Format_RGB32);
  const TRect all{0, 0, 1920, 1080};
  {
    TQtCanvas canvas(&image);
    for (auto _ : state) {
      PaintTopLevel(screen.form->Handle(), canvas, all);
      benchmark::DoNotOptimize(image.constBits());
    }
  }
}
BENCHMARK(BM_DBGridPaintFullScreenQt)->Unit(benchmark::kMillisecond);

// Making the grid and binding it to the open table, with the sum list's
// first pass over every record.
static void BM_DBGridOpenWithSums(benchmark::State& state) {
  TOpenRegister reg;
  for (auto _ : state) {
    TGridScreen screen(reg.source.get());
    benchmark::DoNotOptimize(screen.grid->SumList()->SumCollection()->Items(0)->SumValue());
  }
}
BENCHMARK(BM_DBGridOpenWithSums)->Unit(benchmark::kMillisecond);

// Edit and post of a random record's sum, with and without the SUM
// footer's sum list: the difference is what keeping the total costs.
static void PostRandomEdits(benchmark::State& state, bool withSums) {
  TOpenRegister reg;
  TGridScreen screen(reg.source.get(), withSums);
  std::mt19937 random(7);
  TField* sum = reg.table->FieldByName("SUMMA");
  for (auto _ : state) {
    state.PauseTiming();
    reg.table->SetRecNo(static_cast<int>(random() % 100000) + 1);
    state.ResumeTiming();
    reg.table->Edit();
    sum->SetAsFloat(sum->AsFloat() + 1);
    reg.table->Post();
  }
}
static void BM_DBGridPostWithSumFooter(benchmark::State& state) { PostRandomEdits(state, true); }
static void BM_DBGridPostWithoutSumList(benchmark::State& state) { PostRandomEdits(state, false); }
BENCHMARK(BM_DBGridPostWithSumFooter)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DBGridPostWithoutSumList)->Unit(benchmark::kMicrosecond);

// The sum list's own work on a post, alone: the handler it puts on the
// table's AfterPost (the totals, the footer's repaint request, the check
// for records that appeared behind its back).
static void BM_DBGridSumFooterAfterPost(benchmark::State& state) {
  TOpenRegister reg;
  TGridScreen screen(reg.source.get());
  reg.table->MoveBy(50000);
  reg.table->Edit();
  reg.table->Cancel();  // the record's share is captured
  const TDataSetNotifyEvent afterPost = reg.table->AfterPost;
  for (auto _ : state) afterPost(reg.table.get());
  benchmark::DoNotOptimize(screen.grid->SumList()->SumCollection()->Items(0)->SumValue());
}
BENCHMARK(BM_DBGridSumFooterAfterPost)->Unit(benchmark::kMicrosecond);

// Paging down through the register: the dataset moves by a screenful and
// the grid paints the new rows (recording canvas).
static void BM_DBGridPageDownAndPaint(benchmark::State& state) {
  TOpenRegister reg;
  TGridScreen screen(reg.source.get());
  TRecordingCanvas canvas;
  const TRect all{0, 0, 1920, 1080};
  const int page = screen.grid->VisibleDataRowCount();
  for (auto _ : state) {
    if (reg.table->Eof()) reg.table->First();
    screen.grid->DataLink()->MoveBy(page);
    canvas.Clear();
    PaintTopLevel(screen.form->Handle(), canvas, all);
    benchmark::DoNotOptimize(canvas.Records().size());
  }
}
BENCHMARK(BM_DBGridPageDownAndPaint)->Unit(benchmark::kMillisecond);
