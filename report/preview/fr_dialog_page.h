// The window of a dialog page: a modal form built from the page's
// settings (Caption, BorderStyle, Position, bounds, Color) that shows the
// page's dialog controls (fr_control.h) while it is open.
//
// A report runs it for each dialog page before it builds its report pages
// (frReportHooks().RunDialog); its result decides whether the build goes
// on. GUI thread only.
#pragma once

class TfrPage;
class TfrReport;

// Shows `page` modally with its controls and returns the window's modal
// result: 1 (OK) and the build goes on, 2 (Cancel, also when the window is
// closed from its title bar) and it stops. The controls go back to the
// hidden dialog form afterwards, whatever happens.
// REQUIRES: `page` is a dialog page of `report`.
int frRunDialogPage(TfrReport& report, TfrPage& page);
