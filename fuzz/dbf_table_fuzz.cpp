// Writes each input to a file and opens it as a table, shared and
// exclusive: reads every field of every record as text, orders by every
// column and searches, then packs it and opens the result. A damaged file
// must end in an exception (EDBFError for the damage, the framework's
// errors for columns it has no field for), never in a crash, a hang or a
// read outside a buffer.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "fuzz_file.h"
#include "platform/base/exceptions.h"
#include "storage/dbf_table.h"

namespace {

std::string FuzzFile() {
  static const std::string name = FuzzFilePath("mebrath-dbf-fuzz", ".dbf");
  return name;
}

void WriteFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void ReadAll(const std::string& name, bool exclusive) {
  auto t = CreateUnique<TmDbfTable>();
  t->SetName("Fuzz");
  t->SetTableName(name);
  t->SetExclusive(exclusive);
  t->SetReadOnly(!exclusive);
  t->LockWait = [](int) {};
  try {
    t->Open();
    std::size_t bytes = 0;
    for (t->First(); !t->Eof(); t->Next())
      for (int f = 0; f < t->FieldCount(); ++f) bytes += t->Fields()[f]->AsString().size();
    for (int f = 0; f < t->FieldCount() && f < 4; ++f) {
      TField* field = t->Fields()[f];
      t->SetOrder(field, f % 2 == 1);
      for (t->Last(); !t->Bof(); t->Prior()) bytes += field->AsString().size();
      t->FindKey(field->FieldName(), "1", TFindOptions{foPartial});
      t->FindOtherKey(field->FieldName(), "A", TFindOptions{foCaseInsensitive});
    }
    if (bytes == SIZE_MAX) __builtin_trap();
  } catch (const Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string name = FuzzFile();
  WriteFile(name, data, size);
  ReadAll(name, false);
  ReadAll(name, true);
  auto packer = CreateUnique<TmDbfTable>();
  packer->SetName("Fuzz");
  packer->SetTableName(name);
  try {
    packer->Pack("", false);
    ReadAll(name, true);
  } catch (const Exception&) {
  }
  ::unlink(name.c_str());
  return 0;
}
