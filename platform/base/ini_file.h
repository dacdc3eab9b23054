// TIniFile: an INI file with the classic profile rules.
//
// Sections and keys are found case-insensitively (Cyrillic too). The first
// section of a name and the first key of a name in it are the ones read and
// written. A value is read with blanks trimmed and one pair of enclosing
// double quotes removed.
//
// Every Write*, DeleteKey and EraseSection goes to disk at once, and
// atomically: the whole file is written to a temporary file beside it,
// synced, and renamed over the original, so a failure leaves the old file
// as it was. A written key replaces its line where it stands; every other
// line (comments, blank lines, keys this program does not know) is kept
// verbatim. Before each call the file is checked and read again if someone
// else changed it, so two TIniFile objects on one file do not undo each
// other's writes.
//
// On disk: Windows-1251, lines ending CR LF (LF, CR and CR LF are all read).
// In memory: UTF-8. GUI thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/date_time.h"

class TStrings;

class TIniFile {
 public:
  // Reads FileName; a missing file is an empty one (it is created by the
  // first write). Throws EFOpenError when the file exists but cannot be
  // read.
  explicit TIniFile(std::string FileName);
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const std::string& FileName() const { return FFileName; }

  // Reads return Default when the section or key is absent (or, for the
  // typed reads, when the text does not convert).
  std::string ReadString(std::string_view Section, std::string_view Ident,
                         std::string_view Default) const;
  // Decimal, "$FF" or "0xFF".
  int ReadInteger(std::string_view Section, std::string_view Ident, int Default) const;
  // An integer other than 0 is true.
  bool ReadBool(std::string_view Section, std::string_view Ident, bool Default) const;
  // Text in the short date / date-time format of FormatSettings.
  TDateTime ReadDate(std::string_view Section, std::string_view Ident, TDateTime Default) const;
  TDateTime ReadDateTime(std::string_view Section, std::string_view Ident,
                         TDateTime Default) const;
  // Text with FormatSettings' decimal separator.
  double ReadFloat(std::string_view Section, std::string_view Ident, double Default) const;

  // Writes "Ident=Value": in place of the key's line when the key exists,
  // else after the last key of the section, else in a new section at the
  // end of the file. A value with blanks at either end, or enclosed in
  // double quotes, is written inside double quotes so that it reads back
  // the same. Line breaks in Section, Ident or Value become blanks.
  // Throws EFCreateError when the file cannot be created, EInOutError
  // (with errno) when writing fails; the file on disk is then unchanged.
  void WriteString(std::string_view Section, std::string_view Ident, std::string_view Value);
  void WriteInteger(std::string_view Section, std::string_view Ident, int Value);
  // Writes "1" or "0".
  void WriteBool(std::string_view Section, std::string_view Ident, bool Value);
  void WriteDate(std::string_view Section, std::string_view Ident, TDateTime Value);
  void WriteDateTime(std::string_view Section, std::string_view Ident, TDateTime Value);
  void WriteFloat(std::string_view Section, std::string_view Ident, double Value);

  // Clears Strings and fills it with the key names of the section, in file
  // order, spelled as in the file.
  void ReadSection(std::string_view Section, TStrings& Strings) const;
  // Clears Strings and fills it with the section names, in file order, each
  // name once.
  void ReadSections(TStrings& Strings) const;
  // Clears Strings and fills it with "key=value" for each key line of the
  // section, in file order: the key as spelled in the file, the value as
  // ReadString gives it.
  void ReadSectionValues(std::string_view Section, TStrings& Strings) const;

  // Removes every section of that name with all its lines. Write errors as
  // WriteString; nothing is written when the section is absent.
  void EraseSection(std::string_view Section);
  // Removes the key's line. Write errors as WriteString.
  void DeleteKey(std::string_view Section, std::string_view Ident);
  bool SectionExists(std::string_view Section) const;
  bool ValueExists(std::string_view Section, std::string_view Ident) const;
  // Writes are immediate, so there is nothing to flush.
  void UpdateFile() {}

 private:
  struct TLine {
    std::string Text;  // the line as read, UTF-8, without its line break
    enum class Kind { Other, Section, Key } Kind = Kind::Other;
    std::string Name;  // section or key name, trimmed
  };
  struct TFileStamp {
    bool Exists = false;
    unsigned long long Device = 0, Inode = 0, Size = 0;
    long long ModifiedSec = 0, ModifiedNsec = 0;
    bool operator==(const TFileStamp&) const = default;
  };

  // Reads the file again when its stamp changed since it was last read.
  void Refresh() const;
  void Load() const;
  TFileStamp Stamp() const;
  void Save();
  // Index of the first header of Section, or -1.
  int FindSection(std::string_view Section) const;
  // Index of the key's line in the section starting at SectionIndex, or -1.
  int FindKey(int SectionIndex, std::string_view Ident) const;
  // One past the section's last line.
  int SectionEnd(int SectionIndex) const;
  const TLine* FindKeyLine(std::string_view Section, std::string_view Ident) const;

  std::string FFileName;
  // Reads refresh the cache, so it is mutable.
  mutable std::vector<TLine> FLines;
  mutable TFileStamp FStamp;
};
