#include "platform/draw/paper_bins.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

// A shortened description of a real office laser printer.
constexpr std::string_view kLaserPpd = R"(*PPD-Adobe: "4.3"
*LanguageEncoding: ISOLatin1
*cupsLanguages: "ru"
*OpenUI *PageSize/Media Size: PickOne
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *InputSlot/Media Source: PickOne
*OrderDependency: 20 AnySetup *InputSlot
*DefaultInputSlot: Tray2
*InputSlot Auto/Automatically Select: "
*InputSlot NotASlot/Inside a value: x
  <</ManualFeed false /MediaPosition null>> setpagedevice"
*End
*InputSlot Manual/Manual Feed: "<</ManualFeed true>>setpagedevice"
*InputSlot Tray2/Tray 2: "<</MediaPosition 1>>setpagedevice"
*InputSlot Tray3/Bac <E0> papier: "<</MediaPosition 2>>setpagedevice"
*InputSlot Envelope: "<</MediaPosition 3>>setpagedevice"
*InputSlot Tray4/Tray 4: "<</MediaPosition 4>>setpagedevice"
*CloseUI: *InputSlot
*ru.Translation InputSlot/Источник бумаги: ""
*ru.InputSlot Tray2/Лоток 2: "Лоток 2"
*ru.InputSlot Manual/Ручная подача: ""
)";

std::string Describe(const std::vector<TBinInfo>& bins) {
  std::string out;
  for (const TBinInfo& b : bins)
    out += std::to_string(b.Code) + " " + b.Name + " (" + b.Option + "=" + b.Keyword + ")\n";
  return out;
}

TEST(PaperBins, InputSlotsOfAPrinterDescription) {
  std::string def;
  const std::vector<TInputSlot> slots = ParsePpdInputSlots(kLaserPpd, &def);
  EXPECT_EQ(def, "Tray2");
  const std::vector<TBinInfo> bins = BinsFromSlots(slots, def, "InputSlot");
  EXPECT_EQ(Describe(bins),
            "256 Лоток 2 (InputSlot=Tray2)\n"
            "7 Automatically Select (InputSlot=Auto)\n"
            "4 Manual Feed (InputSlot=Manual)\n"
            "257 Bac à papier (InputSlot=Tray3)\n"
            "5 Envelope (InputSlot=Envelope)\n"
            "258 Tray 4 (InputSlot=Tray4)\n");
}

TEST(PaperBins, DescriptionsWithoutUsableSlots) {
  const struct {
    std::string_view Ppd;
    std::size_t Slots;
  } cases[] = {
      {"", 0},
      {"*PPD-Adobe: \"4.3\"\n*DefaultPageSize: A4\n", 0},
      {"*InputSlot /No keyword: \"\"\n*InputSlot: \"\"\n*InputSlot\n", 0},
      {"*InputSlot Upper: \"never closed\n*InputSlot Lower: \"\"\n", 1},
      {"*InputSlot Upper/<ZZ: \"\"\r\n*InputSlot Upper/again: \"\"\r\n", 1},
      {std::string_view("*InputSlot A/\xff\xfe: \"\"\n\0\0", 23), 1},
  };
  for (const auto& c : cases) {
    std::string def = "x";
    EXPECT_EQ(ParsePpdInputSlots(c.Ppd, &def).size(), c.Slots) << c.Ppd;
    EXPECT_TRUE(def.empty());
  }
}

TEST(PaperBins, DriverlessTraysAndRepeatedKinds) {
  const std::vector<TInputSlot> slots = {
      {"auto", "Автоматически"},     {"top", "Верхний"},
      {"bottom", "Нижний"},          {"by-pass-tray", "Обходной лоток"},
      {"large-capacity", "Большой"}, {"upper", "Ещё верхний"}};
  EXPECT_EQ(Describe(BinsFromSlots(slots, "auto", "media-source")),
            "7 Автоматически (media-source=auto)\n"
            "1 Верхний (media-source=top)\n"
            "2 Нижний (media-source=bottom)\n"
            "256 Обходной лоток (media-source=by-pass-tray)\n"
            "11 Большой (media-source=large-capacity)\n"
            "257 Ещё верхний (media-source=upper)\n");
  EXPECT_TRUE(BinsFromSlots({}, "", "InputSlot").empty());
}

TEST(PaperBins, TheTrayAskedForReachesTheJob) {
  std::string def;
  TPrinterCapabilities caps;
  const std::vector<TInputSlot> trays = ParsePpdInputSlots(kLaserPpd, &def);
  caps.Bins = BinsFromSlots(trays, def, "InputSlot");
  auto backend = std::make_unique<TRecordingPrinterBackend>(
      std::vector<TRecordingPrinterBackend::TDevice>{{"Laser", caps}}, 0);
  TRecordingPrinterBackend* jobs = backend.get();
  SetPrinterBackend(std::move(backend));
  TPrinter* p = Printer();
  p->SetPrinterIndex(0);
  EXPECT_EQ(p->DeviceMode().dmDefaultSource, 256);  // the printer's default tray
  TDeviceMode mode;
  mode.dmFields = DM_DEFAULTSOURCE;
  mode.dmDefaultSource = 257;
  p->SetDeviceMode(mode);
  p->BeginDoc();
  p->EndDoc();
  ASSERT_EQ(jobs->Jobs().size(), 1u);
  const TPrintJobSettings& s = jobs->Jobs()[0]->Settings;
  EXPECT_EQ(s.Bin, 257);
  const auto bin = std::find_if(s.Capabilities.Bins.begin(), s.Capabilities.Bins.end(),
                                [&](const TBinInfo& b) { return b.Code == s.Bin; });
  ASSERT_NE(bin, s.Capabilities.Bins.end());
  EXPECT_EQ(bin->Keyword, "Tray3");
  SetPrinterBackend(nullptr);
}

}  // namespace
