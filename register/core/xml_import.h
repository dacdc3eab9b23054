// TImpXml: reads an exchange file (exchange_export.h) back into a freshly
// created register table, and hands the file's HEADER to the institution's
// details. The main window first makes the importer to learn the register
// kind, creates the register file of that kind, then runs Execute on its
// table. GUI thread only.
#pragma once

#include <string>
#include <string_view>

#include "register/core/exchange_export.h"
#include "register/core/xml_reader.h"

class TmDbfTable;

// The register kind of a kind instruction's target: "BSERTIF1" 1,
// "BSERTIF2" 2, "BSERTIF3_1" 31, "BSERTIF3_2" 32; 0 for anything else.
int ExchangeKindOfTarget(std::string_view target);

class TImpXml {
 public:
  // Opens the file and reads its two leading instructions: the first must
  // be an instruction ("Не найдена инструкция ?xml?."), the second one too
  // ("Не найдена инструкция ?BSERTIF?."), and its target must name a kind
  // ("Не распознан формат xml файла."); each raised as Exception. Reader
  // and file errors pass through.
  explicit TImpXml(const std::string& fileName);

  // 1, 2, 31 or 32.
  int Kind() const { return FKind; }

  // Reads every record into `table` (open, in browse state) with its
  // events off and its controls disabled: each BTAL1/BTAL2/BTAL3 element
  // becomes one appended record whose fields take the attributes of the
  // same name (inside CHILD elements the name gets the child's number,
  // SEX2, SPOLICY3); CQNT takes the number of the last CHILD element that
  // carries data (a value neither blank nor zero): trailing groups without
  // any are no rows, and their fields stay as a new record has them. Dates
  // "yyyy?mm?dd" are taken whatever the separators; any other date text
  // clears the date. HEADER attributes go to `lpu` (FROM under "NAME"),
  // saved when the HEADER ends. Returns the number of records imported.
  //
  // Events and controls are switched back on on every path. On an error
  // (the reader's, or a value a field refuses) the record being read is
  // dropped, the records before it stay, and the exception goes on with
  // its message followed by the number of records imported.
  int Execute(TmDbfTable& table, const TLpuAccess& lpu);

  // Off: every value goes through its field as text, never straight into
  // the table's record; the file written must be the same either way.
  void SetDirect(bool value) { FDirect = value; }

 private:
  TXmlReader FReader;
  int FKind = 0;
  bool FDirect = true;
};
