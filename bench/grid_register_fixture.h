// The register the grid benchmarks share: 100,000 (or 1,000,000) records of 23 columns
// with two-level titles, written once per process to a temporary file, and
// a full-screen form (1920 x 1080) holding a grid over it with one SUM
// footer.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "dbf_register_fixture.h"
#include "grid/db_grid.h"
#include "platform/base/format_settings.h"
#include "platform/data/data_source.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"
#include "storage/dbf_table.h"

namespace grid_bench {

struct TColumnDef {
  const char* Name;
  char Kind;  // S string, I integer, D date, M smallint, F money
  int Size;
  const char* Origin;
  const char* Caption;
};

inline constexpr TColumnDef kColumns[] = {
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

// A field of `kind` (as in TColumnDef) added to `ds`.
inline TField* AddField(TDataSet* ds, const char* name, char kind, int size,
                        const char* origin = "") {
  TField* f = nullptr;
  switch (kind) {
    case 'S':
      f = Create<TStringField>(ds);
      f->SetSize(size);
      break;
    case 'I':
      f = Create<TIntegerField>(ds);
      break;
    case 'M':
      f = Create<TSmallintField>(ds);
      break;
    case 'F':
      f = Create<TFloatField>(ds);
      break;
    default:
      f = Create<TDateField>(ds);
      break;
  }
  f->SetFieldName(name);
  f->SetOrigin(origin);
  f->SetDataSet(ds);
  return f;
}

// The register's 23 fields added to `ds`.
inline void AddRegisterFields(TDataSet* ds) {
  for (const TColumnDef& c : kColumns) AddField(ds, c.Name, c.Kind, c.Size, c.Origin);
}

inline TObjectPtr<TmDbfTable> MakeRegister(const std::string& file) {
  FormatSettings.DecimalSeparator = '.';
  auto t = CreateUnique<TmDbfTable>();
  t->SetName("Reg");
  t->SetTableName(file);
  AddRegisterFields(t.get());
  t->SetExclusive(false);
  return t;
}

// The fields every benchmark's register holds in record `i`.
inline void FillCommonFields(TDataSet& t, int i) {
  dbf_bench::FillCertificateAndMother(t, i);
  t.FieldByName("SUMMA")->SetAsFloat(11000 + (i % 7) * 1250.5);
}

// Writes `count` records filled by `fill` into `fileName` in the temporary
// folder, in one append batch (the same bytes as one by one); gives the
// file's path.
inline std::string WriteRegister(const char* fileName, void (*fill)(TDataSet&, int), int count) {
  const std::string name = (std::filesystem::temp_directory_path() / fileName).string();
  auto t = MakeRegister(name);
  t->CreateTable();
  t->Open();
  dbf_bench::AppendBatch(*t, count, fill);
  return name;
}

inline std::string WriteRegister100k(const char* fileName, void (*fill)(TDataSet&, int)) {
  return WriteRegister(fileName, fill, 100000);
}

// Removes the files of the registers it holds when the process ends, so
// that the large ones do not stay in the temporary folder.
struct TTemporaryFiles {
  std::map<int, std::string> Files;
  ~TTemporaryFiles() {
    for (const auto& [count, file] : Files) std::filesystem::remove(file);
  }
};

// The register of `count` records, written once per process.
inline const std::string& Register(int count) {
  static TTemporaryFiles made;
  auto found = made.Files.find(count);
  if (found != made.Files.end()) return found->second;
  const std::string file =
      "mebrath-grid-bench-" + std::to_string(getpid()) + "-" + std::to_string(count) + ".001";
  return made.Files.emplace(count, WriteRegister(file.c_str(), FillCommonFields, count))
      .first->second;
}

inline const std::string& Register100k() { return Register(100000); }

// A desktop host that keeps a back buffer as the Qt host does: scrolled
// pixels stay (the core repaints only what a scroll uncovers), and a paint
// asked for now is drawn into a recording canvas. Nothing is shown.
class TBufferedHost final : public IGuiHost {
 public:
  TBufferedHost() { SetGuiHost(this); }
  ~TBufferedHost() override { SetGuiHost(nullptr); }
  void CreateTopLevel(HWND) override {}
  void DestroyTopLevel(HWND) override {}
  void ShowTopLevel(HWND, int) override {}
  void SetTopLevelBounds(HWND, const TRect&) override {}
  void SetTopLevelCaption(HWND, const std::string&) override {}
  void ActivateTopLevel(HWND) override {}
  void InvalidateTopLevel(HWND, const TRect&) override {}
  void UpdateTopLevel(HWND wnd) override {
    FBuffer.Clear();
    PaintTopLevel(wnd, FBuffer, {});
  }
  bool ScrollTopLevel(HWND, const TRect&, int, int) override { return true; }
  TCanvas* TopLevelCanvas(HWND) override { return nullptr; }
  void FlushTopLevel(HWND, const TRect&) override {}
  void SetCursorShape(int) override {}
  void GrabMouse(HWND) override {}
  void ReleaseMouse() override {}
  TRect ScreenRect() override { return Rect(0, 0, 1920, 1080); }
  TRect WorkAreaRect() override { return Rect(0, 0, 1920, 1080); }
  TCanvas& MeasureCanvas() override { return FMeasure; }
  void WaitForEvents(int) override {}
  void Beep() override {}

 private:
  TRecordingCanvas FBuffer;
  TRecordingCanvas FMeasure;
};

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
  explicit TOpenRegister(int count = 100000)
      : table(MakeRegister(Register(count))), source(CreateUnique<TDataSource>()) {
    table->Open();
    source->SetDataSet(table.get());
  }
  TObjectPtr<TmDbfTable> table;
  TObjectPtr<TDataSource> source;
};

}  // namespace grid_bench
