// The operations that write whole DBF files: creating an empty table,
// packing one, and the file side of a structure upgrade. They work on
// file names, with no dataset around them; TmDbfTable calls them.
//
// Pack and the upgrade hold the file exclusively (they fail with EDBFInUseError
// "Не удается <what> <name>: она открыта другим пользователем."
// when someone else has it open), write the new file beside it, check it, and put it in
// place with one atomic rename (ReplaceFile): at every moment the table's
// name holds either the original file or the complete new one.
//
// Every stream is opened through the given TStreamOpener, so tests can
// inject faults; `step` (may be empty) is called between the steps with
// no argument, so tests can stop the process or throw there.
//
// GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "storage/dbf_format.h"

class TFileStream;

namespace dbf {

using TStreamOpener =
    std::function<std::unique_ptr<TFileStream>(const std::string& fileName, unsigned mode)>;

// Replaces `to` by `from` in one step, as rename(2) does, and makes the
// rename durable. Throws EDBFError "Не удается переименовать <from> в <to>.
// <why>".
void ReplaceFile(const std::string& from, const std::string& to);

// A stream that holds `fileName` to ourselves. Throws EDBFError "Не
// удается <what> <fileName>: она открыта другим пользователем." (`what`:
// "упаковать таблицу") when another open file has it; the
// opener's error when the file is missing.
std::unique_ptr<TFileStream> HoldExclusively(const TStreamOpener& open, const std::string& fileName,
                                             const std::string& what);

// Writes a new, empty table at `fileName` (replacing any file there): the
// header, `columns` and `tail` (EncodeLayout). Throws as EncodeLayout, and
// the opener's errors (EFCreateError when the file is in use elsewhere).
void WriteEmptyTable(const TStreamOpener& open, const std::string& fileName, const THeader& header,
                     std::vector<TFieldDescriptor> columns, std::string_view tail);

// Removes the records flagged deleted from `fileName`. An empty `tail`
// keeps the header tail unless `dropTail`; a non-empty one replaces it;
// `dropTail` removes it. Header byte 29 becomes `codePage`. Records are
// copied by the header's record length until the file ends, whatever the
// header's record count says, or until a record past that count whose
// flag is the end byte; one inside the count with that flag is dropped.
// Leaves fileName + ",old" and ",new" only
// when the process dies midway (the next pack overwrites them).
// Throws EDBFError "Table name not specified.", "Table <name> does not
// exist.", "Не удается упаковать таблицу <name>: она открыта другим
// пользователем." and "Упаковка таблицы <name> не удалась: <why>. Таблица
// не изменена.";
// ERangeError when the new header would exceed 65535 bytes (nothing is
// written).
void PackTable(const TStreamOpener& open, const std::string& fileName, std::uint8_t codePage,
               const std::string& tail, bool dropTail, const std::function<void()>& step);

// The file side of a structure upgrade. The constructor holds the table
// exclusively, copies it to TableName + "_old" and has `writeEmpty` write
// the new, empty structure at NewFile() (TableName + ",new"); the original
// stays in place. Commit puts the new file in place of the original;
// destroying an upgrade that was not committed deletes the new file.
// The hold on the original lasts until then.
class TStructureUpgrade {
 public:
  // Throws "Не удается обновить структуру таблицы <name>: она открыта
  // другим пользователем." / "Не удается обновить структуру таблицы
  // <name>: не удается скопировать ее в <name>_old. <why>", and the errors
  // of `writeEmpty`.
  TStructureUpgrade(const TStreamOpener& open, const std::string& tableName,
                    const std::function<void()>& step,
                    const std::function<void(const std::string& fileName)>& writeEmpty);
  ~TStructureUpgrade();
  TStructureUpgrade(const TStructureUpgrade&) = delete;
  TStructureUpgrade& operator=(const TStructureUpgrade&) = delete;

  const std::string& OldFile() const { return FOldFile; }
  const std::string& NewFile() const { return FNewFile; }
  // REQUIRES: the new file is complete and flushed. Throws as ReplaceFile.
  void Commit();

 private:
  std::string FTableName;
  std::string FOldFile;
  std::string FNewFile;
  std::unique_ptr<TFileStream> FHold;
  bool FCommitted = false;
};

}  // namespace dbf
