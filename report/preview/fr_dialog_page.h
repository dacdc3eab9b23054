// The window of a dialog page: a modal form captioned with the page's
// caption (or its name) with OK and Cancel, shown while a report is
// prepared. GUI thread only.
#pragma once

class TfrReport;
class TfrPage;

// Shows `page` modally; returns the modal result (1 OK, 2 Cancel).
int frRunDialogPage(TfrReport& report, TfrPage& page);
