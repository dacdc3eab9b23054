// Pastes arbitrary bytes into a grid over an in-memory table, as text or
// as VCLDBIF (the first byte chooses): the import must end in a value, a
// format error or an abort, with the table browsing and usable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "grid/export_text.h"
#include "grid/export_vcldbif.h"
#include "platform/base/exceptions.h"
#include "platform/data/data_source.h"
#include "platform/data/fields.h"
#include "platform/widgets/message_dialog.h"
#include "storage/mem_ds.h"

namespace {

template <class F>
F* AddField(TDataSet* ds, const char* name, int size = 0) {
  F* field = Create<F>(ds);
  field->SetFieldName(name);
  if (size > 0) field->SetSize(size);
  field->SetDataSet(ds);
  return field;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 4096) return 0;
  static int answer = 0;
  SetMessageDlgHandler([](const std::string&, TMsgDlgType, TMsgDlgButtons) {
    answer = (answer + 1) % 3;
    return answer == 0 ? mrYes : answer == 1 ? mrAll : mrNo;
  });
  auto ds = CreateUnique<TmemDs>();
  AddField<TStringField>(ds.get(), "NAME", 12);
  AddField<TIntegerField>(ds.get(), "NUM");
  AddField<TFloatField>(ds.get(), "W");
  ds->Open();
  ds->Append();
  ds->FieldByName("NAME")->SetAsString("a");
  ds->Post();
  auto source = CreateUnique<TDataSource>();
  source->SetDataSet(ds.get());
  TDBGridEh* grid = Create<TDBGridEh>(nullptr);
  grid->SetDataSource(source.get());

  TMemoryStream stream;
  stream.WriteBuffer(data + 1, static_cast<std::int64_t>(size - 1));
  stream.SetPosition(0);
  try {
    if (data[0] & 1)
      ReadDBGridEhFromImportStream<TDBGridEhImportAsVCLDBIF>(stream, grid, data[0] & 2);
    else
      ReadDBGridEhFromImportStream<TDBGridEhImportAsText>(stream, grid, data[0] & 2,
                                                          TExportTextCodingEh::Utf8);
  } catch (const Exception&) {
  }
  if (ds->State() == dsEdit || ds->State() == dsInsert) ds->Cancel();
  if (ds->State() != dsBrowse || ds->ControlsDisabled()) std::abort();
  grid->Free();
  source.reset();
  SetMessageDlgHandler(nullptr);
  return 0;
}
