#include "storage/dbf_rewrite.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/base/file_stream.h"
#include "platform/base/file_utils.h"

namespace dbf {

namespace {

constexpr std::size_t kPackBlockBytes = 64 * 1024;

void Step(const std::function<void()>& step) {
  if (step) step();
}

}  // namespace

void ReplaceFile(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0)
    throw EDBFError("Не удается переименовать " + from + " в " + to + ". " +
                    SystemErrorText(errno));
  // The rename is durable once the directory is.
  const std::string dir = ExtractFileDir(ExpandFileName(to));
  const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

std::unique_ptr<TFileStream> HoldExclusively(const TStreamOpener& open, const std::string& fileName,
                                             const std::string& what) {
  try {
    return open(fileName, fmOpenRead | fmShareExclusive);
  } catch (const EFOpenError&) {
    if (!FileExists(fileName)) throw;
    throw EDBFInUseError("Не удается " + what + " " + fileName +
                         ": она открыта другим пользователем.");
  }
}

void WriteEmptyTable(const TStreamOpener& open, const std::string& fileName, const THeader& header,
                     std::vector<TFieldDescriptor> columns, std::string_view tail) {
  const std::string bytes = EncodeLayout(header, std::move(columns), tail);
  std::unique_ptr<TFileStream> stream = open(fileName, fmCreate);
  stream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

void PackTable(const TStreamOpener& open, const std::string& fileName, std::uint8_t codePage,
               const std::string& tail, bool dropTail, const std::function<void()>& step) {
  if (fileName.empty()) throw EDBFError("Table name not specified.");
  if (!FileExists(fileName)) throw EDBFError("Table " + fileName + " does not exist.");
  const std::string oldName = fileName + ",old";
  const std::string newName = fileName + ",new";
  // Nobody may have the file while it is replaced; the hold also keeps
  // others out until the new file is in place.
  std::unique_ptr<TFileStream> hold = HoldExclusively(open, fileName, "упаковать таблицу");
  try {
    Step(step);
    if (!CopyFile(fileName, oldName, false))
      throw EDBFError("не удается скопировать ее в " + oldName + ". " + LastFileError());
    Step(step);
    std::unique_ptr<TFileStream> in = open(oldName, fmOpenRead | fmShareExclusive);
    // The count is not trusted here: records are copied until the file ends.
    std::string head(kHeaderSize, '\0');
    in->ReadBuffer(head.data(), kHeaderSize);
    const std::uint16_t headerLength = DecodeFixed16(head.data() + kHeaderLengthOffset);
    const std::uint16_t recordLength = DecodeFixed16(head.data() + kRecordLengthOffset);
    if (headerLength < kHeaderSize) RaiseDamaged(fileName, "заголовок слишком короткий");
    head.resize(headerLength);
    in->ReadBuffer(head.data() + kHeaderSize, headerLength - kHeaderSize);
    std::string probe = head;
    EncodeFixed32(probe.data() + kRecordCountOffset, 0);
    const TLayout layout = DecodeLayout(probe, in->Size(), fileName);
    std::string out = head.substr(0, kHeaderSize);
    out[kCodePageOffset] = static_cast<char>(codePage);
    const std::size_t tailAt = layout.TailPosition != 0 ? layout.TailPosition : headerLength;
    if (tail.empty() && !dropTail) {
      out.append(head, kHeaderSize);
    } else {
      out.append(head, kHeaderSize, tailAt - kHeaderSize);
      if (!dropTail) out += tail;
    }
    if (out.size() > kMaxHeaderLength)
      throw ERangeError("Заголовок таблицы " + fileName + " занял бы " +
                        std::to_string(out.size()) + " байт, больше 65535");
    const std::uint16_t newHeaderLength = static_cast<std::uint16_t>(out.size());
    std::unique_ptr<TFileStream> result = open(newName, fmCreate);
    result->WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
    Step(step);
    const std::size_t perBlock = std::max<std::size_t>(1, kPackBlockBytes / recordLength);
    std::vector<char> block(perBlock * recordLength);
    // An end byte where a record's flag would be: what a killed append
    // left past the counted records ends the copy; inside them (counted
    // by an older pack) it is that same debris, and other programs would
    // stop at it, so it is dropped.
    const std::uint32_t counted = DecodeFixed32(head.data() + kRecordCountOffset);
    std::uint32_t kept = 0;
    std::uint32_t seen = 0;
    for (bool more = true; more;) {
      const std::int64_t got = in->Read(block.data(), static_cast<std::int64_t>(block.size()));
      const std::size_t records = static_cast<std::size_t>(got) / recordLength;
      more = records == perBlock;
      std::size_t write = 0;
      for (std::size_t i = 0; i < records; ++i, ++seen) {
        const char* record = block.data() + i * recordLength;
        if (record[0] == kEofMarker && seen >= counted) {
          more = false;
          break;
        }
        if (record[0] == kDeletedFlag || record[0] == kEofMarker) continue;
        if (write != i * recordLength) std::memmove(block.data() + write, record, recordLength);
        write += recordLength;
        ++kept;
      }
      result->WriteBuffer(block.data(), static_cast<std::int64_t>(write));
      Step(step);
    }
    result->WriteBuffer(&kEofMarker, 1);
    EncodeFixed16(out.data() + kHeaderLengthOffset, newHeaderLength);
    EncodeFixed32(out.data() + kRecordCountOffset, kept);
    result->SetPosition(0);
    result->WriteBuffer(out.data(), kHeaderSize);
    result->FlushBuffers();
    result.reset();
    in.reset();
    Step(step);
    // The new file must open and hold what we wrote before it replaces
    // the original.
    {
      std::unique_ptr<TFileStream> check = open(newName, fmOpenRead | fmShareExclusive);
      const TLayout written = ReadLayout(*check, newName);
      if (written.Header.RecordCount != kept || check->Size() != written.RecordPosition(kept) + 1)
        throw EDBFError("новый файл " + newName + " не содержит записанных записей");
    }
    Step(step);
    ReplaceFile(newName, fileName);
  } catch (const ERangeError&) {
    DeleteFile(newName);
    DeleteFile(oldName);
    throw;
  } catch (const Exception& e) {
    // The original is as it was: neither copy is of use.
    DeleteFile(newName);
    DeleteFile(oldName);
    // The system's texts end with a full stop of their own.
    std::string why = e.Message();
    if (why.ends_with('.')) why.pop_back();
    throw EDBFError("Упаковка таблицы " + fileName + " не удалась: " + why +
                    ". Таблица не изменена.");
  }
  Step(step);
  hold.reset();
  DeleteFile(oldName);
}

TStructureUpgrade::TStructureUpgrade(
    const TStreamOpener& open, const std::string& tableName, const std::function<void()>& step,
    const std::function<void(const std::string& fileName)>& writeEmpty)
    : FTableName(tableName), FOldFile(tableName + "_old") {
  FHold = HoldExclusively(open, tableName, "обновить структуру таблицы");
  Step(step);
  if (!CopyFile(tableName, FOldFile, false))
    throw EDBFError("Не удается обновить структуру таблицы " + tableName +
                    ": не удается скопировать ее в " + FOldFile + ". " + LastFileError());
  Step(step);
  // The original stays in place until the conversion has succeeded.
  FNewFile = tableName + ",new";
  try {
    writeEmpty(FNewFile);
  } catch (...) {
    DeleteFile(FNewFile);
    throw;
  }
}

TStructureUpgrade::~TStructureUpgrade() {
  if (!FCommitted) DeleteFile(FNewFile);
}

void TStructureUpgrade::Commit() {
  ReplaceFile(FNewFile, FTableName);
  FCommitted = true;
  FHold.reset();
}

}  // namespace dbf
