// The page set-up of a printer as our own modal form: the paper (with the
// width and height in millimetres for a custom paper on a printer that
// takes one), the bin and the orientation, in place of a driver's
// document-properties dialog.
//
// OK applies the choice to the printer (TPrinter::SetDeviceMode); a custom
// size that is not a positive number keeps the form open with a message
// box. GUI thread only.
#pragma once

#include "platform/draw/printers.h"
#include "platform/gui/forms.h"

// Shows the form for `printer`'s current settings; true when the user
// chose OK (the settings are then applied). Without a desktop host nothing
// shows and the answer is false.
bool ExecutePrinterSetupDialog(TPrinter& printer);
// The form, made but not shown (owned by the caller); its ShowModal
// returns mrOk (settings applied) or mrCancel.
TCustomForm* CreatePrinterSetupDialog(TPrinter& printer);
