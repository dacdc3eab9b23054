// What a report tells its preview: the first zoom and the tool-bar buttons
// to show. GUI thread only.
#pragma once

#include "platform/base/sets.h"

enum TfrPreviewZoom { pzDefault, pzPageWidth, pzOnePage, pzTwoPages };

enum TfrPreviewButton { pbZoom, pbLoad, pbSave, pbPrint, pbFind, pbHelp, pbExit, pbPageSetup };
using TfrPreviewButtons = TSet<TfrPreviewButton>;

// The report's default: every button but page set-up.
inline TfrPreviewButtons frDefaultPreviewButtons() {
  return TfrPreviewButtons{pbZoom, pbLoad, pbSave, pbPrint, pbFind, pbHelp, pbExit};
}
