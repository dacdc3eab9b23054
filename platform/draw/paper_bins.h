// The paper trays of a printer as the print system describes them: the
// InputSlot option of a PostScript printer description (PPD), or the
// media-source values of a driverless (IPP) printer. Both become bins with
// classic codes, so a template's bin finds the same kind of tray: the
// usual names map to the classic bins (automatic, upper, lower, middle,
// manual, envelope, large capacity, cassette), every other tray gets a
// code of its own from DMBIN_USER on, in the printer's order.
//
// Pure text handling; the Qt layer fetches the descriptions from CUPS.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/draw/printers.h"

struct TInputSlot {
  std::string Keyword;  // the print system's value ("Tray2", "tray-2")
  std::string Name;     // for people ("Лоток 2"); the keyword when none
};

// The InputSlot choices of a PPD, in file order, with the translation of
// the PPD's own "ru" texts when it has them; multi-line invocation values
// are skipped. `defaultKeyword` gets *DefaultInputSlot. Empty when the PPD
// has no InputSlot option. Never throws on malformed text.
std::vector<TInputSlot> ParsePpdInputSlots(std::string_view ppd, std::string* defaultKeyword);

// Bins for `trays` selected through `option`, the default slot first.
std::vector<TBinInfo> BinsFromSlots(const std::vector<TInputSlot>& trays,
                                    std::string_view defaultKeyword, const std::string& option);
