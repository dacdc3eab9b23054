#include <gtest/gtest.h>

#include <memory>

#include "platform/draw/image_list.h"
#include "platform/draw/recording_canvas.h"

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF,
                        kBlack = 0xFF000000;

// A strip of `count` 2 x 2 images, image i filled with colours[i].
std::unique_ptr<TBitmap> Strip(std::initializer_list<std::uint32_t> colours) {
  auto strip = std::make_unique<TBitmap>(2 * static_cast<int>(colours.size()), 2);
  int i = 0;
  for (std::uint32_t c : colours) {
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x) strip->MutableImage().At(2 * i + x, y) = c;
    ++i;
  }
  return strip;
}

TObjectPtr<TImageList> List() {
  TObjectPtr<TImageList> list = CreateUnique<TImageList>();
  list->SetSize(2, 2);
  return list;
}

TEST(GraphicsImageList, AddSplitsStripsAndMasks) {
  auto list = List();
  auto strip = Strip({kRed, kBlue, kWhite});
  TBitmap mask(6, 2);  // white: transparent
  for (std::uint32_t& px : mask.MutableImage().Pixels) px = kBlack;
  mask.MutableImage().At(3, 1) = kWhite;
  EXPECT_EQ(list->Add(strip.get(), &mask), 0);
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(list->Image(1)->Pixels, (std::vector<std::uint32_t>{kBlue, kBlue, kBlue, 0}));

  EXPECT_EQ(list->AddMasked(strip.get(), clWhite), 3);
  EXPECT_EQ(list->Image(5)->Pixels, (std::vector<std::uint32_t>{0, 0, 0, 0}));
  EXPECT_EQ(list->Image(3)->At(0, 0), kRed);
  TBitmap narrow(1, 1);  // padded with transparency
  narrow.MutableImage().At(0, 0) = kRed;
  EXPECT_EQ(list->AddMasked(&narrow, clNone), 6);
  EXPECT_EQ(list->Image(6)->Pixels, (std::vector<std::uint32_t>{kRed, 0, 0, 0}));
  EXPECT_EQ(list->Add(nullptr, nullptr), -1);

  list->ReplaceMasked(0, &narrow, clRed);
  EXPECT_EQ(list->Image(0)->At(0, 0), 0u);
  EXPECT_THROW(list->Replace(7, &narrow, nullptr), EInvalidOperation);
  try {
    list->Delete(9);
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Invalid ImageList Index");
  }
  list->SetWidth(4);  // a new size empties the list
  EXPECT_EQ(list->Count(), 0);
}

TEST(GraphicsImageList, DrawEnabledDisabledAndWithOverlay) {
  auto list = List();
  auto strip = Strip({kRed, kBlue});
  list->Add(strip.get(), nullptr);
  TRecordingCanvas canvas;
  list->Draw(&canvas, 10, 20, 0);
  list->Draw(&canvas, 10, 20, 0, false);
  list->Draw(&canvas, 0, 0, 5);  // bad index: nothing
  ASSERT_EQ(canvas.Records().size(), 2u);
  EXPECT_EQ(canvas.Records()[0].Rect, Rect(10, 20, 12, 22));
  EXPECT_EQ(canvas.Records()[0].Image, list->Image(0));
  // Red has luminance 76: grey 96 + 38.
  EXPECT_EQ(canvas.Records()[1].Image->At(0, 0), 0xFF868686u);

  EXPECT_TRUE(list->Overlay(1, 0));
  EXPECT_FALSE(list->Overlay(1, 16));
  EXPECT_FALSE(list->Overlay(2, 1));
  canvas.Clear();
  list->DrawOverlay(&canvas, 3, 4, 0, 0);
  ASSERT_EQ(canvas.Records().size(), 2u);
  EXPECT_EQ(canvas.Records()[1].Image, list->Image(1));
  EXPECT_EQ(canvas.Records()[1].Rect, Rect(3, 4, 5, 6));

  // Deleting the overlay's image drops the overlay; later images move down.
  list->Delete(1);
  canvas.Clear();
  list->DrawOverlay(&canvas, 3, 4, 0, 0);
  EXPECT_EQ(canvas.Records().size(), 1u);

  TBitmap copy;
  EXPECT_TRUE(list->GetBitmap(0, &copy));
  EXPECT_EQ(copy.Width(), 2);
  EXPECT_EQ(copy.Image()->At(1, 1), kRed);
}

TEST(GraphicsImageList, ChangeLinksHearChangesAndOutliveEitherSide) {
  auto list = List();
  auto strip = Strip({kRed});
  int heard = 0, onChange = 0;
  TChangeLink link;
  link.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, list.get());
    ++heard;
  };
  list->OnChange = [&](TObject*) { ++onChange; };
  list->RegisterChanges(&link);
  EXPECT_EQ(link.Sender(), list.get());
  list->Add(strip.get(), nullptr);
  list->Clear();
  EXPECT_EQ(heard, 2);
  EXPECT_EQ(onChange, 2);
  {
    TChangeLink shortLived;
    list->RegisterChanges(&shortLived);
  }  // unregisters itself
  list->Add(strip.get(), nullptr);
  EXPECT_EQ(heard, 3);
  list.reset();
  EXPECT_EQ(link.Sender(), nullptr);  // the list told the link it went
}

}  // namespace
