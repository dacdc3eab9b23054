// TRegisterDocument: one register without its window. It owns the DBF
// table and its fields (stored and calculated), every rule a record is
// checked by before it is stored, the register's sum, its orderings, the
// file's life (open, new, pack, copy), its structure version with the
// upgrade of older files, and the exchange export and import. The three
// coupons add their own fields and rules in the subclasses of
// coupon_documents.h. The document owns the table's events; a window that
// shows it subscribes to the document's notifications below (a record
// moved, stored, deleted or refused, the ordering, the sum, the upgrade's
// progress). GUI thread only (the fields' display texts are read by the
// window's controls).
#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/base/exceptions.h"
#include "platform/data/fields.h"
#include "register/core/document_notification.h"
#include "storage/dbf_table.h"

class TDbfCursor;
class TImpXml;
struct TInstitution;

// The register's table. Calculated fields are worked out for the records
// the dataset holds in its buffers (read, edited, inserted) and, on a
// record of the table's own, for an ordering's keys; the document computes
// only the keys then.
class TRegisterTable : public TmDbfTable {
  MEBRATH_CLASS(TRegisterTable, TmDbfTable)
 public:
  // True while OnCalcFields runs for a record in the dataset's buffers,
  // false while it runs for an ordering's key.
  bool CalculatingRecord() const;

 protected:
  explicit TRegisterTable(TComponent* owner) : TmDbfTable(owner) {}
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;

 private:
  int FReading = 0;
};

// A record that breaks one of the register's rules; the message is the
// text the user is shown.
class ERecordRule : public Exception {
 public:
  using Exception::Exception;
};

// The identity document types, key 1..18 in order.
const std::vector<std::string>& IdentityDocumentTypes();

// The name rule: trimmed, lower-cased, the first letter upper-cased (at
// most 40 characters after it); after the first "-" the same again.
std::string NormalizeName(const std::string& text);

// The file type of a register: the 3rd and 4th characters of the extension
// as a number (".031" 31, ".002" 2); 0 without an extension.
int FileTypeOfName(const std::string& fileName);

// True for a masked edit text with nothing typed: only blanks, the mask's
// literals ("." "-" "/") and the blank character "_".
bool IsBlankMaskText(const std::string& text);

// The certificate key "<series> <number as 7 digits>".
std::string CertificateKey(const std::string& series, int number);

// The key of an ordering on `key`, the calculated CertificateKey of string
// field `series` and integer field `number`, made from `table`'s stored
// columns: the bytes the calculated value gives, without computing it.
TmDbfTable::TKeyMaker CertificateKeyMaker(const TmDbfTable& table, const TField* series,
                                          const TField* number, const TField* key);

class TRegisterDocument : public TComponent {
  MEBRATH_CLASS(TRegisterDocument, TComponent)
 public:
  // The coupon kind: 1, 2, 3.
  virtual int Kind() const = 0;
  TRegisterTable* Table() const { return FTable; }
  const std::string& FileName() const { return FFileName; }
  int FileType() const { return FileTypeOfName(FFileName); }

  // --- the file's life
  // Opens the register file (closing the one open); the sum is collected
  // on the way.
  void Open(const std::string& fileName);
  // Creates an empty register file of this kind (overwriting) and opens it.
  void New(const std::string& fileName);
  // Packs the table (closed meanwhile, open again on every path); nothing
  // without an open register. Raises Exception "Упаковка таблицы
  // невозможна: реестр <name> открыт другим пользователем." when another
  // user has it open.
  void Pack();
  // Copies the table file to `fileName` (overwriting) with the table
  // closed; reopens it in any case. Raises EInOutError when the copy
  // fails.
  void CopyTo(const std::string& fileName);
  // Reads the records again, the sum with them.
  void Refresh();
  bool IsOpen() const { return FTable->Active(); }
  // Closes the register file (nothing when none is open).
  void Close();
  // The exchange file of the register, ordered by the certificate key,
  // with `institution`'s details in its header.
  void ExportXml(const std::string& fileName, const TInstitution& institution);
  // Reads the records of an exchange file into the register (as
  // TImpXml::Execute, which raises); returns their number. The file's
  // header replaces values of `institution`, and `headerRead` (may be
  // empty) runs once it has, before the records are read.
  int ImportXml(TImpXml& importer, TInstitution& institution,
                const std::function<void()>& headerRead = nullptr);

  // --- the structure
  // The structure version new files get and older ones are upgraded to:
  // 2 for coupons No. 1 and No. 2 (their older files are copied into the
  // current structure when opened), 1 for No. 3.
  int StructureVersion() const { return FTable->Vers(); }
  // Told while an older file's records are copied: (total, done, stop);
  // setting `stop` ends the copy after the record in hand.
  TDocumentNotification<int, int, bool&> UpgradeProgress;
  // Told when an upgrade has ended, on every path.
  TDocumentNotification<> UpgradeFinished;

  // --- ordering
  // Orders by `fieldName` (empty or unknown: the file's order) when the
  // register is open and no record is being edited; then tells
  // OrderChanged the order the rows have.
  void OrderBy(const std::string& fieldName, bool descending);
  void OrderByCertificate() { OrderBy("cCERTIF", false); }
  // The field the rows are ordered by (empty: the file's order), and
  // whether downwards.
  std::string OrderFieldName() const;
  bool OrderDescending() const;
  // The rows' order (OrderFieldName, OrderDescending), told after every
  // OrderBy and every register opened or made: what the titles show.
  TDocumentNotification<const std::string& /*fieldName*/, bool /*descending*/> OrderChanged;
  // Moves to the record of the certificate key "<series> <7 digits>";
  // false (staying put) when there is none or no register is open.
  bool FindCertificate(const std::string& key);

  // --- the sum of the SUM field over every record
  // Told when a rebuild or a pass of its own has worked the total out.
  TDocumentNotification<Currency /*total*/> SumChanged;
  // A pass of its own over every record (nothing while one runs or
  // without an open register); the records shown are read again after it.
  void RecalcSum();
  // True while a pass computes only the amounts: the records it moves
  // through are not the user's.
  bool SummingOnly() const { return FSumOnly; }
  // True while an open or a refresh collects the sum as it goes.
  bool CollectingSum() const { return FCollecting; }
  // The last total worked out.
  Currency Total() const { return FTotal; }

  // --- records
  // True when there are values to show: an open register with records,
  // or one being inserted.
  bool ShowsValues() const;
  bool IsEmpty() const { return !FTable->Active() || FTable->IsEmpty(); }
  virtual bool IsEditing() const;
  // Starts a new record (its defaults set) before the current one.
  void Insert();
  // Stores the record in edit (Validate first); nothing otherwise.
  void Post();
  // Drops the changes of the record in edit.
  virtual void Cancel();
  // Deletes the current record.
  void Delete();
  // Checks the record in edit and normalises it: the common rules in
  // their order, then the coupon's. Raises ERecordRule with the message,
  // or EAbort when the user declines to store it (OnConfirmUnpayable).
  void Validate();
  // Asked when coupon No. 1 turns out not payable (`reason` one line);
  // true stores the record. Unset: stored.
  std::function<bool(const std::string& reason)> OnConfirmUnpayable;
  // Puts the record into edit and gives every stored field the text of the
  // same-named field of `source` (fields it lacks stay as they are).
  void TakeOverFrom(const TDataSet& source);

  // --- what the views hear
  // The current record changed: a move, a scroll.
  TDocumentNotification<> RecordMoved;
  // A record was stored.
  TDocumentNotification<> RecordPosted;
  // A record was deleted.
  TDocumentNotification<> RecordDeleted;
  // A rule refused the record (or child row) being stored, with the
  // message for the user. When anyone heard it, the post then stops
  // silently (EAbort) and the record stays in edit; unheard, the
  // ERecordRule goes on to the caller.
  TDocumentNotification<const std::string& /*message*/> RecordRefused;

  // The field of that name, looked up once: calculated fields run for
  // every record an ordering or a sum reads.
  TField* Fld(const char* name) const;
  // Field `name` of group `index` (SEX1, BDATE6), looked up once.
  TField* GroupFld(const char* name, int index) const;

 protected:
  explicit TRegisterDocument(TComponent* owner);
  // Builds the table and its fields: the coupons add theirs in the hooks.
  void AfterConstruction() override;

  // The coupon's stored fields after the common ones.
  virtual void AddCouponFields() {}
  // The coupon's rules after the common ones (RuleBroken on failure).
  virtual void ValidateCoupon() {}
  virtual Currency CouponSum() { return Currency(0); }
  virtual void CalcCouponFields() {}
  virtual void NewCouponRecord() {}
  // Gives every field without a display label the name the card shows it
  // by, for the messages that name a field.
  virtual void LabelFields();

  // The common rules in their order, then the normalisation.
  void ValidateCommon();
  // Runs `rules` for a post: a broken rule is told to RecordRefused (see
  // there).
  void CheckBeforePost(const std::function<void()>& rules);
  // Makes the table a structure version 2 register that copies older
  // files in (the newborn count too when `birth`), telling the upgrade's
  // notifications.
  void UpgradeOlderFiles(bool birth);

  template <class T>
  T* AddField(const std::string& name, int size = 0, const char* origin = "") {
    T* field = Create<T>(FTable);
    field->SetFieldName(name);
    if (size > 0) field->SetSize(size);
    field->SetOrigin(origin);
    field->SetDataSet(FTable);
    return field;
  }
  void DateRules(TField* field);
  void NameRules(TField* field);

  std::string FFileName;

 private:
  void BuildFields();
  void CalcFields();
  void NewRecord();
  // Tells OrderChanged the order the rows have.
  void AnnounceOrder();
  // The calculated fields an ordering's key needs.
  void CalcKeys();
  void CalcCertificateKey();
  void CalcFio();
  // The register's orderings are built in one pass over every record,
  // which also adds up the amounts: `rebuild` (an open or a refresh) runs
  // with that sum collected. Other changes of the data as a whole take a
  // pass of their own that computes only the amounts.
  void CollectSum(const std::function<void()>& rebuild);
  void SetTotal(Currency total);

  TRegisterTable* FTable = nullptr;
  TDbfCursor* FCertCursor = nullptr;
  bool FCollecting = false;
  bool FSumOnly = false;
  Currency FCollectedSum;
  Currency FTotal;
  int FCollectedCount = 0;
  // The calculated fields' names, for telling an ordering's key field.
  std::vector<std::string> FCalcNames;
  // The fields every calculation reads, found once.
  struct TCalcFields {
    TField *SCertif, *NCertif, *LName, *FName, *MName, *Fio, *CCertif, *Sum;
  } FCalc{};
  mutable std::unordered_map<const char*, TField*> FFieldCache;
  mutable std::unordered_map<std::string, TField*> FGroupCache;
};

// Raises ERecordRule with `message`.
[[noreturn]] void RuleBroken(const std::string& message);
