// The report engine's windows wired into the engine: frInstallReportWindows
// fills every hook of frReportHooks() and frFunctionHooks() once, at the
// program's start-up.
//
// - preparing runs inside the progress window (Cancel stops it; the label
//   follows the pages and PROGRESS of scripts);
// - showing opens the report's Preview panel, or a preview window (modal
//   with ModalPreview) with the report's buttons, zoom, print defaults and
//   the help document;
// - printing from the preview goes through the print dialog and the
//   report's PrintPreparedReport; the virtual printer writes a PDF file
//   whose name the save dialog asks for;
// - errors show in a message box captioned "Error";
// - the template's printer is selected by name, and each page's paper is
//   applied to the engine printer, whose printable area and offsets the
//   page takes;
// - dialog pages show as their windows; INPUT asks through the input box
//   and MESSAGEBOX through the message box.
// GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "report/fr_printer.h"
#include "report/fr_report.h"
#include "report/preview/fr_preview.h"

class TfrPage;

// Installs every hook. `helpFile` is the document the preview's Help
// button opens; empty or missing, the button is hidden.
void frInstallReportWindows(const std::string& helpFile);

// The names of the engine and function hooks that are empty.
std::vector<std::string> frMissingReportHooks();

// What the report's own settings give its preview.
TfrPreviewSettings frPreviewSettingsOf(TfrReport& report);

// The preview's print: on the virtual printer (no file set) the save
// dialog asks for the PDF file first, and Cancel there prints nothing;
// then the report's PrintPreparedReport with the request.
void frPrintFromPreview(TfrReport& report, const TfrPrintRequest& request);

// The printable area of `page`'s paper on the engine printer, in screen
// pixels, after the paper is applied to it.
TfrPageGeometry frPrinterPageGeometry(const TfrPage& page);
