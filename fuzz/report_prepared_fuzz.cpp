// Arbitrary bytes as a prepared report (.frp): loaded, every page built,
// drawn and pointed at; failures must be exceptions.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/base/exceptions.h"
#include "platform/base/stream.h"
#include "platform/draw/recording_canvas.h"
#include "report_fuzz_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto report = CreateUnique<TFuzzReport>();
  TStringStream in(std::string(reinterpret_cast<const char*>(data), size));
  try {
    report->EMFPages().LoadFromStream(in);
  } catch (const Exception&) {
    return 0;
  }
  TfrEMFPages& pages = report->EMFPages();
  for (int i = 0; i < pages.Count() && i < 8; ++i) {
    try {
      TRecordingCanvas canvas;
      pages.Draw(i, canvas, TRect{0, 0, 800, 1100});
      TCursor cursor = crDefault;
      pages.DoMouse(i, TPoint{100, 100}, cursor, true);
      pages.PageToObjects(i);
    } catch (const Exception&) {
    }
  }
  TStringStream out;
  pages.SaveToStream(out);
  return 0;
}
