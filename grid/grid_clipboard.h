// The grid's clipboard commands: copy puts the selection on the clipboard
// as plain text, CSV, RTF and VCLDBIF in one batch; paste reads VCLDBIF
// when it is there, else plain text; cut is copy then delete. Plain text
// and CSV are UTF-8, as the desktop's clipboard is. An empty selection
// puts nothing. GUI thread only.
#pragma once

#include "grid/grid_export.h"

// The registered formats: "VCLDBIF", and CSV and RTF under the desktop's
// own names ("text/csv"; "text/rtf" and "application/rtf").
unsigned VCLDBIFClipboardFormat();
unsigned CsvClipboardFormat();
unsigned RtfClipboardFormat();
unsigned RtfApplicationClipboardFormat();

// The clipboard batch is closed and the dataset's controls enabled also
// when a format fails; a failed copy leaves the clipboard as it was.
void DBGridEh_DoCopyAction(TCustomDBGridEh* grid, bool forWholeGrid);
// Raises the formats' errors; EAbort when a value's error is answered "No".
void DBGridEh_DoPasteAction(TCustomDBGridEh* grid, bool forWholeGrid);
void DBGridEh_DoCutAction(TCustomDBGridEh* grid, bool forWholeGrid);
