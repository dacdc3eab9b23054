#include "register/core/register_upgrade.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/date_time.h"
#include "platform/base/scope_guard.h"
#include "platform/data/fields.h"
#include "storage/dbf_table.h"

namespace {

constexpr int kProgressStep = 256;

struct TFieldPair {
  TField* From;
  TField* To;
  bool EarlyDateCleared;
  bool SameKind;
  // Between two register files: the copy by the column's bytes.
  std::optional<TmDbfTable::TColumnCopy> Bytes;
};

int Copy(TDataSet& source, TDataSet& target, const TCopyProgress& progress, bool birth) {
  auto* fromTable = dynamic_cast<TmDbfTable*>(&source);
  auto* toTable = dynamic_cast<TmDbfTable*>(&target);
  std::vector<TFieldPair> pairs;
  for (int i = 0; i < source.FieldCount(); ++i) {
    TField* from = source.Fields().Fields(i);
    TField* to = target.FindField(from->FieldName());
    if (to == nullptr || to->Calculated()) continue;
    const bool early = from->FieldName() == "DLEAF" || from->FieldName() == "DCARD";
    pairs.push_back({from, to, early, from->DataType() == to->DataType(), std::nullopt});
    if (fromTable != nullptr && toTable != nullptr)
      pairs.back().Bytes = toTable->PrepareColumnCopy(to, *fromTable, from);
  }
  TField* oldCount = birth ? source.FindField("CQNT") : nullptr;
  TField* children = birth ? target.FindField("BQNT") : nullptr;

  // The records reach the file in blocks, not one write and lock each.
  if (toTable != nullptr) toTable->BeginAppendBatch();
  TFinallyGuard endBatch([toTable] {
    if (toTable != nullptr) toTable->EndAppendBatch();
  });

  const int total = source.RecordCount();
  int done = 0;
  bool stop = false;
  while (!source.Eof() && !stop) {
    target.Append();
    for (const TFieldPair& pair : pairs) {
      if (pair.EarlyDateCleared && !pair.From->IsNull() && pair.From->AsDateTime() > 0 &&
          YearOf(pair.From->AsDateTime()) < 2005) {
        pair.To->Clear();
      } else if (pair.Bytes && toTable->CopyColumn(*pair.Bytes, *fromTable)) {
        // The bytes the value's way below stores.
      } else if (pair.SameKind) {
        // The same kind converts to the same text and back: skip the text.
        pair.To->SetValue(pair.From->Value());
      } else {
        pair.To->SetAsString(pair.From->AsString());
      }
    }
    if (oldCount != nullptr && children != nullptr) children->SetAsInteger(oldCount->AsInteger());
    ++done;
    // Every record would repaint the status bar 100,000 times; a step of
    // 256 records is as readable.
    if (progress && (done % kProgressStep == 0 || done == total)) progress(total, done, stop);
    // The record in hand is complete: it is stored even when asked to stop.
    target.Post();
    source.Next();
  }
  return done;
}

}  // namespace

int CopyRecords(int oldVersion, TDataSet& source, TDataSet& target, const TCopyProgress& progress) {
  (void)oldVersion;
  return Copy(source, target, progress, false);
}

int CopyRecordsBirth(int oldVersion, TDataSet& source, TDataSet& target,
                     const TCopyProgress& progress) {
  (void)oldVersion;
  return Copy(source, target, progress, true);
}

void InstallStructureUpgrade(TmDbfTable& table, bool birth, TCopyProgress progress,
                             std::function<void()> done) {
  table.SetAutoConvert(false);
  table.SetVers(2);
  table.OnUserConvert = [birth, progress = std::move(progress), done = std::move(done)](
                            TmDbfTable* sender, TmDbfTable* old, std::uint8_t oldVers) {
    TScopeExit finally([&done] {
      if (done) done();
    });
    if (sender->Vers() == 2 && oldVers < 2) {
      if (birth) {
        CopyRecordsBirth(oldVers, *old, *sender, progress);
      } else {
        CopyRecords(oldVers, *old, *sender, progress);
      }
    }
  };
}
