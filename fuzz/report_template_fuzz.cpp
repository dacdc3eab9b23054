// Arbitrary bytes as a report template (.frf): a load either fails with an
// exception or gives pages that write out and read back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/base/exceptions.h"
#include "platform/base/stream.h"
#include "platform/draw/recording_canvas.h"
#include "report_fuzz_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto report = CreateUnique<TFuzzReport>();
  TStringStream in(std::string(reinterpret_cast<const char*>(data), size));
  try {
    report->Pages().LoadFromStream(in);
  } catch (const Exception&) {
    return 0;
  }
  TRecordingCanvas canvas;
  report->Pages().ResetBeforeBuild(canvas);
  TStringStream first;
  try {
    report->Pages().SaveToStream(first);
  } catch (const EWriteError&) {
    return 0;  // text too long for a record, or too many pages
  }
  auto again = CreateUnique<TFuzzReport>();
  TStringStream back(first.DataString());
  again->Pages().LoadFromStream(back);
  TStringStream second;
  again->Pages().SaveToStream(second);
  if (first.DataString() != second.DataString()) std::abort();
  return 0;
}
