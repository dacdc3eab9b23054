// The exchange file of a register: the layout of each register kind over a
// dataset holding the register's fields, written with TxmlOut.
//
//   <?xml version="1.0" encoding="windows-1251"?><?BSERTIF1 version="0.1"
//   povers="10"?><BIRTH_SERTIF><HEADER FROM=".." .. DDOC=".."/>
//   <BTAL1 ..><CERTIF ../><PERSON ../>..</BTAL1>...</BIRTH_SERTIF>
//
// All of it in Windows-1251 on one line, without blanks between elements.
// Record elements by kind (elements in order; "open" ones hold the next):
//   1: BTAL1 open (DREG QTW2 MULP PREM CHK), CERTIF (SCERTIF NCERTIF
//      DCERTIF), PERSON (SNILS LNAME FNAME MNAME BDATE ADDRESS), PASSPORT
//      (TDOC NDOC SDOC DDOC ODOC), POLICY (SPOLICY NPOLICY), EXCCARD
//      (NCARD DCARD), SICKLIST (SLEAF NLEAF DLEAF)
//   2: BTAL2 open (DREG DIAG BQNT CHK), CERTIF, PERSON, PASSPORT (TDOC SDOC
//      NDOC DDOC ODOC), POLICY, SICKLIST, EXCCARD, then one CHILD (SEX
//      WEIGHT GROWTH DIAG) per child i = 1..min(BQNT, 6)
//   3: BTAL3 open (DREG CHK), CERTIF, PERSON, PASSPORT as 2, POLICY,
//      EXCCARD, then per child i = 1..min(CQNT, 6) an open CHILD (LNAME
//      FNAME MNAME BDATE DATEBOBS DATEEOBS) holding POLICY (SPOLICY
//      NPOLICY)
// Coupon No. 2 counts its CHILD elements by BQNT (children including those
// born before), which can exceed the newborn rows held (CQNT): the groups
// past CQNT are written empty (SEX="" WEIGHT="0.000" GROWTH="0" DIAG=""),
// whatever the columns still hold.
//
// GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/base/date_time.h"

class TDataSet;
class TField;
struct TInstitution;
class TxmlOut;

// The institution's details as the exchange reads and writes them: a
// missing key reads as "", SaveLpu keeps what SetValue gave.
struct TLpuAccess {
  std::function<std::string(const std::string& key)> GetValue;
  std::function<void(const std::string& key, const std::string& value)> SetValue;
  std::function<void()> SaveLpu;
};

// Reads and writes `institution`; SaveLpu runs `saved` (may be empty).
// `institution` must outlive the result.
TLpuAccess LpuOf(TInstitution& institution, std::function<void()> saved = nullptr);

// The kind instruction's target: "BSERTIF1", "BSERTIF2", and for coupon
// No. 3 "BSERTIF3_1" (file type 31) or "BSERTIF3_2" (any other type).
// Throws EInvalidOperation for a frame id other than 1, 2, 3.
std::string ExchangeKindTarget(int frameId, int fileType);

// Items before the records: the declaration, the kind instruction,
// "<BIRTH_SERTIF>" and the HEADER element with the institution's values
// (FROM = NAME, TO = FNAME, DATE = `today`, then INN .. DDOC).
void WriteExchangeProlog(TxmlOut& out, int frameId, int fileType, const TLpuAccess& lpu,
                         TDateTime today);

// Writes the record elements of one register kind. Finds its fields once,
// at construction (EDatabaseError when the dataset lacks one), so the
// dataset's fields must stay as they are while it is used.
class TExchangeRecordWriter {
 public:
  TExchangeRecordWriter(TDataSet& dataSet, int frameId);
  // The record element of the dataset's current record.
  void Write(TxmlOut& out);

 private:
  struct TElement {
    const char* Name;
    bool Close;
    std::vector<TField*> Fields;
  };
  void WriteNewborns(TxmlOut& out);
  void WriteChildren(TxmlOut& out);

  int FFrameId;
  std::vector<TElement> FElements;
  TField* FBqnt = nullptr;
  TField* FCqnt = nullptr;
  std::vector<std::vector<TField*>> FChildFields;  // per child, kind's order
  std::string FLine;
};

// The whole exchange file of the register in `dataSet`, from its first to
// its last record in the dataset's current order (the window orders by the
// certificate key first). The dataset's controls are disabled meanwhile
// and enabled again on every path. Throws the file's errors and the
// dataset's; a failure leaves a partial file.
void ExportRegisterXml(TDataSet& dataSet, const std::string& fileName, int frameId, int fileType,
                       const TLpuAccess& lpu, TDateTime today);
