// The picture object (a bitmap, icon or metafile) and the line object.
//
// Picture record tail: graphic kind (u8: 0 none, 1 bitmap, 2 metafile,
// 3 icon), BlobType (u8, when the record version is above 10), the
// absolute stream position after the graphic (i32, back-patched), then the
// graphic's own file bytes (BMP, WMF/EMF or ICO). The reader loads exactly
// the bytes up to that position and continues there.
//
// Metafiles are kept as their bytes, so they survive a round trip, and
// are played at the size they land on through the metafile renderer of
// platform/draw (nothing is drawn without one). GUI thread only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/draw/bitmap.h"
#include "report/fr_memo_view.h"

// Picture flag bits (bit 0 is flStretched).
inline constexpr std::uint16_t flPictCenter = 2;
inline constexpr std::uint16_t flPictRatio = 4;  // KeepAspect

enum TfrBlobType : std::uint8_t { btBMP, btJPG, btICO, btWMF };

enum TfrGraphicKind : std::uint8_t { gkNone, gkBitmap, gkMetafile, gkIcon };

// Where a picture of pw x ph lands in `box`: its own size (times `scale`)
// at the top-left, moved by half the free space when centred; stretched
// to the box, or with KeepAspect by the smaller factor. A picture without
// width or height keeps the box.
TRect PictureRect(const TRect& box, int pw, int ph, bool stretched, bool center, bool keepAspect,
                  double scale);

class TfrPictureView : public TfrView {
  MEBRATH_CLASS(TfrPictureView, TfrView)
 public:
  TPicture Picture;
  std::uint8_t BlobType = btBMP;

  // The kind the stream record will name.
  TfrGraphicKind GraphicKind() const;
  // Metafile bytes as read (or loaded from a field); empty otherwise.
  const std::string& MetafileBytes() const { return FMetafile; }
  void SetMetafileBytes(std::string bytes);
  // Empties the picture (graphic and metafile bytes).
  void ClearPicture();
  // Loads the graphic from file bytes: the signature decides (BMP, ICO,
  // WMF or EMF), else `hint`. Bytes of no known kind empty the picture.
  void LoadPictureBytes(const std::string& bytes, std::uint8_t hint);

  // TfrObject
  void SetPropertyValue(const std::string& Name, const Variant& Value) override;
  Variant GetPropertyValue(const std::string& Name) override;
  void CallMethod(const std::string& Name, const std::string& p1, const std::string& p2,
                  const std::string& p3, Variant& Val) override;
  void DeclareProperties() override;
  // TfrView
  void GetBlob(TField* field) override;
  void Draw(TCanvas& canvas) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

 protected:
  TfrPictureView();

 private:
  std::string FMetafile;
};

class TfrLineView : public TfrStretcheable {
  MEBRATH_CLASS(TfrLineView, TfrStretcheable)
 public:
  void DeclareProperties() override;
  void Draw(TCanvas& canvas) override;
  // Widened across the line only.
  TRect GetClipRgn(bool extended) const override;
  int CalcHeight() override { return dy; }
  int MinHeight() override { return 1; }
  int RemainHeight() override { return 0; }

 protected:
  TfrLineView();
};
