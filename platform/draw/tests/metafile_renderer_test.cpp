#include "platform/draw/metafile_renderer.h"

#include <gtest/gtest.h>

#include "platform/draw/recording_canvas.h"
#include "platform/draw/tests/metafile_samples.h"

namespace {

using metafile_samples::Emf;
using metafile_samples::Wmf;

std::string Patched(std::string bytes, std::size_t at, std::initializer_list<int> values) {
  for (int v : values) bytes[at++] = static_cast<char>(v);
  return bytes;
}

TEST(Metafile, KindAndNaturalSize) {
  const std::string emf = Emf();
  const struct {
    const char* Name;
    std::string Bytes;
    TMetafileKind Kind;
    int Width, Height;
  } cases[] = {
      {"placeable WMF", Wmf(), TMetafileKind::Wmf, 100, 50},
      {"plain WMF: the window extent", Wmf(false), TMetafileKind::Wmf, 100, 50},
      // 1440 units per inch: 100 units are 6.67 pixels.
      {"placeable WMF in twips", Patched(Wmf(), 14, {0xA0, 0x05}), TMetafileKind::Wmf, 7, 3},
      {"EMF", emf, TMetafileKind::Emf, 100, 50},
      {"WMF without its end record", Wmf().substr(0, Wmf().size() - 6), TMetafileKind::Wmf, 100,
       50},
      {"empty", "", TMetafileKind::None, 0, 0},
      {"a bitmap", "BM\x36\x00\x00\x00", TMetafileKind::None, 0, 0},
      {"WMF cut inside a record", Wmf().substr(0, Wmf().size() - 9), TMetafileKind::None, 0, 0},
      {"WMF record of size 0", Patched(Wmf(), 40, {0, 0, 0, 0}), TMetafileKind::None, 0, 0},
      {"WMF with a wrong header size", Patched(Wmf(), 24, {8}), TMetafileKind::None, 0, 0},
      {"EMF without its end record", emf.substr(0, emf.size() - 20), TMetafileKind::None, 0, 0},
      {"EMF record of odd size", Patched(emf, 112, {13}), TMetafileKind::None, 0, 0},
      {"EMF record past the end", Patched(emf, 112, {0, 0, 0, 1}), TMetafileKind::None, 0, 0},
      {"EMF with a second header", Patched(emf, 108, {1}), TMetafileKind::None, 0, 0},
      {"EMF without signature", Patched(emf, 40, {'X'}), TMetafileKind::None, 0, 0},
  };
  for (const auto& c : cases) {
    const TMetafileInfo info = InspectMetafile(c.Bytes);
    EXPECT_EQ(info.Kind, c.Kind) << c.Name;
    EXPECT_EQ(info.Width, c.Width) << c.Name;
    EXPECT_EQ(info.Height, c.Height) << c.Name;
  }
}

// Paints the rendered size in a colour of its own, and counts its calls.
class TSizeRenderer : public IMetafileRenderer {
 public:
  int Calls = 0;
  TRasterImagePtr Render(std::string_view, int width, int height) override {
    ++Calls;
    return std::make_shared<TRasterImage>(width, height, 0xFF00FF00);
  }
};

TEST(Metafile, DrawnAtTheTargetsSizeAndKeptForRepaints) {
  TRecordingCanvas canvas;
  DrawMetafile(canvas, Rect(0, 0, 100, 50), Wmf());
  EXPECT_TRUE(canvas.TakeRecords().empty());  // no renderer: nothing
  auto owned = std::make_unique<TSizeRenderer>();
  TSizeRenderer* renderer = owned.get();
  SetMetafileRenderer(std::move(owned));
  DrawMetafile(canvas, Rect(10, 10, 210, 60), Wmf());
  DrawMetafile(canvas, Rect(10, 10, 210, 60), Wmf());
  DrawMetafile(canvas, Rect(0, 0, 20000, 10000), Emf());  // limited, then stretched
  DrawMetafile(canvas, Rect(0, 0, 100, 50), "damaged");
  const auto records = canvas.TakeRecords();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(renderer->Calls, 2);
  EXPECT_EQ(records[0].Rect, Rect(10, 10, 210, 60));
  EXPECT_EQ(records[0].Image->Width, 200);
  EXPECT_EQ(records[0].Image->Height, 50);
  EXPECT_EQ(records[2].Rect, Rect(0, 0, 20000, 10000));
  EXPECT_EQ(records[2].Image->Width, 4096);
  EXPECT_EQ(records[2].Image->Height, 2048);
  SetMetafileRenderer(nullptr);
}

}  // namespace
