// Two small metafiles made by hand from the file formats, for the tests of
// everything that reads or draws them. Both show the same 100 x 50 pixel
// picture: a red rectangle from (10, 10) to (50, 40) without outline and a
// blue line 3 pixels wide along y = 45 from x = 60 to x = 95; the rest is
// left undrawn.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace metafile_samples {

inline void Put16(std::string& s, int v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& s, std::int64_t v) {
  Put16(s, static_cast<int>(v & 0xFFFF));
  Put16(s, static_cast<int>((v >> 16) & 0xFFFF));
}

// A WMF record: size in words, function, 16-bit parameters.
inline void WmfRecord(std::string& s, int function, std::initializer_list<int> params) {
  Put32(s, 3 + static_cast<std::int64_t>(params.size()));
  Put16(s, function);
  for (int p : params) Put16(s, p);
}

// With the placeable header (96 units per inch) unless `placeable` is
// false; the logical coordinates may start at (x0, y0), as files cut from
// a larger drawing do.
inline std::string Wmf(bool placeable = true, int x0 = 0, int y0 = 0) {
  std::string records;
  WmfRecord(records, 0x020B, {y0, x0});   // SetWindowOrg (y, x)
  WmfRecord(records, 0x020C, {50, 100});  // SetWindowExt (y, x)
  // CreateBrushIndirect: solid, red (COLORREF 0x000000FF), no hatch.
  WmfRecord(records, 0x02FC, {0, 0x00FF, 0x0000, 0});
  WmfRecord(records, 0x02FA, {5, 0, 0, 0, 0});  // CreatePenIndirect: PS_NULL
  WmfRecord(records, 0x012D, {0});              // SelectObject brush
  WmfRecord(records, 0x012D, {1});              // SelectObject null pen
  // Rectangle (bottom, right, top, left)
  WmfRecord(records, 0x041B, {y0 + 40, x0 + 50, y0 + 10, x0 + 10});
  // CreatePenIndirect: solid, 3 wide, blue (COLORREF 0x00FF0000).
  WmfRecord(records, 0x02FA, {0, 3, 0, 0x0000, 0x00FF});
  WmfRecord(records, 0x012D, {2});
  WmfRecord(records, 0x0214, {y0 + 45, x0 + 60});  // MoveTo (y, x)
  WmfRecord(records, 0x0213, {y0 + 45, x0 + 95});  // LineTo (y, x)
  WmfRecord(records, 0x0000, {});                  // EOF
  std::string header;
  Put16(header, 1);       // in memory
  Put16(header, 9);       // header words
  Put16(header, 0x0300);  // version
  Put32(header, static_cast<std::int64_t>((18 + records.size()) / 2));
  Put16(header, 3);  // objects
  Put32(header, 8);  // largest record, words
  Put16(header, 0);
  if (!placeable) return header + records;
  std::string p;
  Put32(p, 0x9AC6CDD7);
  Put16(p, 0);
  for (int v : {x0, y0, x0 + 100, y0 + 50}) Put16(p, v);
  Put16(p, 96);  // units per inch
  Put32(p, 0);
  int checksum = 0;
  for (std::size_t i = 0; i < p.size(); i += 2)
    checksum ^= static_cast<unsigned char>(p[i]) | static_cast<unsigned char>(p[i + 1]) << 8;
  Put16(p, checksum);
  return p + header + records;
}

inline void EmfRecord(std::string& s, std::uint32_t type,
                      std::initializer_list<std::int64_t> params) {
  Put32(s, type);
  Put32(s, 8 + 4 * static_cast<std::int64_t>(params.size()));
  for (std::int64_t p : params) Put32(s, p);
}

inline std::string Emf() {
  std::string records;
  EmfRecord(records, 39, {1, 0, 0x000000FF, 0});  // CreateBrushIndirect: red
  EmfRecord(records, 37, {1});                    // SelectObject
  EmfRecord(records, 37, {0x80000008});           // SelectObject NULL_PEN
  EmfRecord(records, 43, {10, 10, 50, 40});       // Rectangle
  // ExtCreatePen: no bitmap; geometric solid pen 3 wide, solid blue brush.
  EmfRecord(records, 95, {2, 0, 0, 0, 0, 0x00010000, 3, 0, 0x00FF0000, 0, 0});
  EmfRecord(records, 37, {2});          // SelectObject
  EmfRecord(records, 27, {60, 45});     // MoveToEx
  EmfRecord(records, 54, {95, 45});     // LineTo
  EmfRecord(records, 14, {0, 16, 20});  // EOF
  const std::int64_t headerSize = 108;
  std::string h;
  Put32(h, 1);
  Put32(h, headerSize);
  for (std::int64_t v : {0, 0, 99, 49}) Put32(h, v);      // bounds, device pixels
  for (std::int64_t v : {0, 0, 2646, 1323}) Put32(h, v);  // frame, 0.01 mm
  Put32(h, 0x464D4520);                                   // " EMF"
  Put32(h, 0x10000);
  Put32(h, headerSize + static_cast<std::int64_t>(records.size()));
  Put32(h, 10);  // records
  Put16(h, 3);   // handles
  Put16(h, 0);
  Put32(h, 0);  // description
  Put32(h, 0);
  Put32(h, 0);                                      // palette entries
  for (std::int64_t v : {3780, 3780}) Put32(h, v);  // reference device, pixels
  for (std::int64_t v : {1000, 1000}) Put32(h, v);  // and millimetres: 96 dpi
  Put32(h, 0);                                      // pixel format
  Put32(h, 0);
  Put32(h, 0);                                            // OpenGL
  for (std::int64_t v : {1000000, 1000000}) Put32(h, v);  // micrometres
  return h + records;
}

}  // namespace metafile_samples
