// TxmlOut: the buffered writer of the exchange files. It takes the
// program's UTF-8 text and writes Windows-1251 bytes, buffered in blocks of
// at least the capacity given at creation; a text longer than the whole
// buffer goes straight to the file, so nothing is ever cut.
//
// Values of attributes go through XmlAttributeText: a double quote becomes
// an apostrophe (what the fund's programs expect), "&", "<" and ">" become
// their entities and control characters blanks, so every file we write is
// well-formed XML on one line.
//
// Only one export runs at a time; GUI thread only.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/date_time.h"
#include "platform/base/format.h"

class TDataSet;
class TField;
class TFileStream;
class TmDbfTable;

// `text` made fit for an attribute value between double quotes.
std::string XmlAttributeText(std::string_view text);
void AppendXmlAttributeText(std::string& out, std::string_view text);

// A date as the exchange files write it: "yyyy.mm.dd" (the pattern
// "yyyy/mm/dd" with the program's date separator "."), or "" for an empty
// date (0 or below).
std::string ExchangeDateText(TDateTime date);

// The text of one attribute of a record element: dates by
// ExchangeDateText; floats and currency by the field's display format
// (the general format when it has none; the decimal separator is the
// process's, which start-up makes "."); integers as plain decimals, an
// empty column as "0"; everything else as its stored text, escaped by
// XmlAttributeText.
std::string ExchangeFieldText(const TField& field);

// Appends FormatFloat(format, value), made without FormatFloat's general
// machinery for the plain patterns "0" and "0.0…0" of the register's
// float columns.
void AppendFloatText(std::string& out, std::string_view format, double value);
void AppendExchangeFieldText(std::string& out, const TField& field);

class TxmlOut {
 public:
  // Creates (or truncates) `fileName` and allocates a buffer of at least
  // `capacity` bytes (64 KiB at least: the file gets few, large writes).
  // Throws EFCreateError when the file cannot be created.
  // REQUIRES: capacity > 0.
  TxmlOut(const std::string& fileName, int capacity);
  // Writes out what is buffered and closes the file, quietly: an export
  // that failed half-way leaves the partial file. The success path calls
  // Close, which reports a failed write.
  ~TxmlOut();
  TxmlOut(const TxmlOut&) = delete;
  TxmlOut& operator=(const TxmlOut&) = delete;

  // Appends `text` (UTF-8) as Windows-1251 bytes; flushes first when they
  // do not fit the free space. Throws EWriteError when a flush fails.
  // REQUIRES: not closed.
  void Write(std::string_view text);
  // Format(pattern, args...), then Write.
  template <class... Args>
  void WriteFmt(std::string_view pattern, const Args&... args) {
    Write(Format(pattern, args...));
  }
  // Writes the buffered bytes to the file and empties the buffer.
  void Flush();
  // Flush, then closes the file. Throws EWriteError when a write fails.
  void Close();

  // <?xml version="1.0" encoding="windows-1251"?>
  void WriteXmlDecl();
  // "<name " then, for each field of the comma-separated `fieldList`,
  // `FIELD="text" ` (ExchangeFieldText), then "/>" when `close` is set,
  // else ">". Throws EDatabaseError when the dataset lacks a field.
  void WriteRecord(TDataSet& dataSet, std::string_view name, bool close,
                   std::string_view fieldList);
  // WriteRecord over fields already looked up (the fast path of an
  // export, which finds its fields once).
  void WriteRecord(std::string_view name, bool close, std::span<TField* const> fields);
  // Appends ExchangeFieldText(field) to `line` as Windows-1251 bytes; the
  // text and date columns of a register table are taken from the
  // record's bytes without passing through UTF-8.
  void AppendFieldBytes(std::string& line, const TField& field);
  // Appends bytes that are Windows-1251 already (lines made with
  // AppendFieldBytes); flushes first as Write does.
  void WriteAnsi(std::string_view bytes);

 private:
  void WriteBytes(std::string_view bytes);
  bool AppendColumnBytes(std::string& line, TField& field);

  std::unique_ptr<TFileStream> FStream;
  std::vector<char> FBuffer;
  std::size_t FPos = 0;
  std::string FLine;
  // The dataset of the last field written, and the same as a register
  // table (null when it is none).
  TDataSet* FLastDataSet = nullptr;
  TmDbfTable* FLastTable = nullptr;
};

// The fields of `fieldList` (comma-separated names, blanks allowed) in
// order. Throws EDatabaseError "Field '<name>' not found".
std::vector<TField*> FieldsOfList(const TDataSet& dataSet, std::string_view fieldList);
