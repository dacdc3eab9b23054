// Moving the records of an older coupon No. 1 or No. 2 register into the
// current structure (version 2). The table asks for it through its
// conversion event when it opens an older file; the coupon's document
// installs the handler below when it is made. The copy knows nothing of
// windows: it reports through the progress it is given (the window's
// status bar, which lets pending messages run). GUI thread only.
#pragma once

#include <cstdint>
#include <functional>

class TDataSet;
class TmDbfTable;

// Told every 256 records and after the last: (total, done, stop). Setting `stop` ends the
// copy after the record in hand is stored.
using TCopyProgress = std::function<void(int total, int done, bool& stop)>;

// Appends one target record per source record from the source's current
// record to its end. Fields of the same name take the source's text,
// except that a sick-list or exchange-card date (DLEAF, DCARD) from before
// 2005 arrives empty. Source fields without a target are dropped; target
// fields without a source keep their defaults. Returns the records copied.
// REQUIRES: both open, the target in browse state.
int CopyRecords(int oldVersion, TDataSet& source, TDataSet& target, const TCopyProgress& progress);

// CopyRecords, and the old newborn count CQNT also gives the target's
// number of children BQNT.
int CopyRecordsBirth(int oldVersion, TDataSet& source, TDataSet& target,
                     const TCopyProgress& progress);

// Makes `table` a version-2 register that converts older files itself:
// automatic conversion off, the handler as its conversion event. The
// handler copies (CopyRecordsBirth when `birth`) while `progress` is told
// the count, and calls `done` at the end on every path.
void InstallStructureUpgrade(TmDbfTable& table, bool birth, TCopyProgress progress,
                             std::function<void()> done);
