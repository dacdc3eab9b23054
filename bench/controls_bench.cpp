// The data-aware edit controls: a keystroke of incremental search in a
// combo box of 10,000 items (target: under 20 us); opening and painting a
// popup list of 10,000 items (under 5 ms); a keystroke in a bound masked
// edit box through to its repaint (under 50 us) and the commit of its text
// into the field (under 20 us); the distinct values of a 100,000-record
// column (under 100 ms). Drawing goes to the recording canvas.

#include <benchmark/benchmark.h>

#include <string>

#include "controls/dataset_helpers.h"
#include "controls/db_combo_box.h"
#include "controls/db_edit.h"
#include "platform/base/format_settings.h"
#include "platform/data/data_source.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/message_queue.h"
#include "storage/mem_ds.h"

namespace {

// Surnames-like texts: many share their first letters.
std::string ItemText(int i) {
  static const char* const kStems[] = {"Иванов", "Петров", "Сидоров", "Кузнецов", "Смирнов",
                                       "Попов",  "Волков", "Соколов", "Лебедев",  "Козлов"};
  return std::string(kStems[i % 10]) + "а " + std::to_string(i);
}

struct TFormScope {
  TForm* Form;
  TFormScope() : Form(Create<TForm>(nullptr)) {
    Form->SetBounds(0, 0, 600, 400);
    Form->Show();
  }
  ~TFormScope() {
    Form->Free();
    ClearMessageQueue();
  }
};

void BM_ComboIncrementalSearch10k(benchmark::State& state) {
  TFormScope scope;
  TDBComboBoxEh* combo = Create<TDBComboBoxEh>(scope.Form);
  combo->SetParent(scope.Form);
  combo->Items()->BeginUpdate();
  combo->KeyItems()->BeginUpdate();
  for (int i = 0; i < 10000; ++i) {
    combo->Items()->Add(ItemText(i));
    combo->KeyItems()->Add(std::to_string(i));
  }
  combo->Items()->EndUpdate();
  combo->KeyItems()->EndUpdate();
  combo->SetFocus();
  // Typing "Лебедева 99" letter by letter, from the start each round.
  const std::u32string keys = U"Лебедева 99";
  std::size_t k = 0;
  for (auto _ : state) {
    if (k == keys.size()) {
      combo->SetSelStart(0);
      k = 0;
    }
    combo->Perform(WM_CHAR, keys[k++]);
  }
  benchmark::DoNotOptimize(combo->ItemIndex());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ComboIncrementalSearch10k)->Unit(benchmark::kMicrosecond);

// The worst keystroke: a letter no item begins with scans every item.
void BM_ComboIncrementalSearchMiss10k(benchmark::State& state) {
  TFormScope scope;
  TDBComboBoxEh* combo = Create<TDBComboBoxEh>(scope.Form);
  combo->SetParent(scope.Form);
  for (int i = 0; i < 10000; ++i) {
    combo->Items()->Add(ItemText(i));
    combo->KeyItems()->Add(std::to_string(i));
  }
  combo->SetFocus();
  for (auto _ : state) {
    combo->SetSelStart(0);
    combo->Perform(WM_CHAR, U'Я');
  }
  benchmark::DoNotOptimize(combo->ItemIndex());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ComboIncrementalSearchMiss10k)->Unit(benchmark::kMicrosecond);

void BM_PopupListOpenAndPaint10k(benchmark::State& state) {
  TFormScope scope;
  TDBComboBoxEh* combo = Create<TDBComboBoxEh>(scope.Form);
  combo->SetParent(scope.Form);
  combo->SetBounds(10, 10, 200, 21);
  for (int i = 0; i < 10000; ++i) combo->Items()->Add(ItemText(i));
  combo->SetFocus();
  combo->EditButton()->SetShortCut(ShortCut(VK_F4, {}));
  TRecordingCanvas canvas;
  for (auto _ : state) {
    combo->Perform(WM_KEYDOWN, VK_F4);
    canvas.Clear();
    PaintTopLevel(combo->PopupList()->Handle(), canvas, {0, 0, 1000, 1000});
    benchmark::DoNotOptimize(canvas.Records().size());
    combo->Perform(WM_KEYDOWN, VK_ESCAPE);
  }
}
BENCHMARK(BM_PopupListOpenAndPaint10k)->Unit(benchmark::kMillisecond);

struct TBoundEdit {
  TFormScope Scope;
  TObjectPtr<TmemDs> Table = CreateUnique<TmemDs>();
  TDataSource* Source;
  TDBEditEh* Edit;
  TBoundEdit() {
    FormatSettings.DateSeparator = '.';
    FormatSettings.ShortDateFormat = "dd.mm.yyyy";
    auto* number = Create<TStringField>(Table.get());
    number->SetFieldName("SNILS");
    number->SetSize(14);
    number->SetEditMask("999\\-999\\-999 99;1;_");
    number->SetDataSet(Table.get());
    Table->Open();
    Table->Append();
    number->SetAsString("123-456-789 01");
    Table->Post();
    Source = Create<TDataSource>(Scope.Form);
    Source->SetDataSet(Table.get());
    Edit = Create<TDBEditEh>(Scope.Form);
    Edit->SetParent(Scope.Form);
    Edit->SetBounds(10, 10, 200, 21);
    Edit->SetDataSource(Source);
    Edit->SetDataField("SNILS");
    Edit->SetFocus();
    Table->Edit();
  }
};

void BM_MaskedEditKeystrokeAndRepaint(benchmark::State& state) {
  TBoundEdit b;
  TRecordingCanvas canvas;
  HWND top = b.Scope.Form->Handle();
  TRect area = b.Edit->BoundsRect();
  int pos = 0;
  for (auto _ : state) {
    if (pos >= 14) pos = 0;
    b.Edit->SetSel(pos, pos);
    b.Edit->Perform(WM_CHAR, U'0' + static_cast<char32_t>(pos % 10));
    ++pos;
    canvas.Clear();
    PaintTopLevel(top, canvas, area);
    benchmark::DoNotOptimize(canvas.Records().size());
  }
}
BENCHMARK(BM_MaskedEditKeystrokeAndRepaint)->Unit(benchmark::kMicrosecond);

void BM_MaskedEditUpdateData(benchmark::State& state) {
  TBoundEdit b;
  b.Edit->SetSel(0, 0);
  b.Edit->Perform(WM_CHAR, U'5');
  if (b.Edit->Text() != "523-456-789 01") state.SkipWithError("typing failed");
  for (auto _ : state) {
    b.Edit->DataLink()->Modified();
    b.Edit->DataLink()->UpdateRecord();
  }
  if (b.Table->FieldByName("SNILS")->AsString() != b.Edit->Text()) {
    state.SkipWithError("the text did not reach the field");
  }
}
BENCHMARK(BM_MaskedEditUpdateData)->Unit(benchmark::kMicrosecond);

void BM_FieldValueList100k(benchmark::State& state) {
  auto table = CreateUnique<TmemDs>();
  auto* name = Create<TStringField>(table.get());
  name->SetFieldName("FAM");
  name->SetSize(40);
  name->SetDataSet(table.get());
  table->Open();
  for (int i = 0; i < 100000; ++i) {
    table->Append();
    name->SetAsString(ItemText(i % 20000));
    table->Post();
  }
  for (auto _ : state) {
    TDatasetFieldValueListEh values;
    values.SetDataSet(table.get());
    values.SetFieldName("FAM");
    benchmark::DoNotOptimize(values.Values()->Count());
  }
}
BENCHMARK(BM_FieldValueList100k)->Unit(benchmark::kMillisecond);

}  // namespace
