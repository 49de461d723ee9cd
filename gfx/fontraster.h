// A small stand-in for the GDI text calls of the view font: a proportional
// sans-serif font rasterised by FreeType in a given pixel height (GDI's
// character height), the extent of a character (GetTextExtentPoint32A), and
// a character drawn white on black, anti-aliased, into a 32-bit top-down
// bitmap with its cell filled first (ExtTextOutA with ETO_OPAQUE,
// TA_TOP | TA_LEFT). Every face name gets DejaVu Sans of Debian's
// fonts-dejavu-core, read from where that package puts it.
#pragma once

#include <windows.h>

#include <memory>

class CFontRaster {
 public:
  CFontRaster();
  ~CFontRaster();
  CFontRaster(const CFontRaster&) = delete;
  CFontRaster& operator=(const CFontRaster&) = delete;

  // False when FreeType or the font file cannot be had.
  bool Create(int pixelHeight, bool bold, bool italic);
  // Advance width and cell height (ascent plus descent) of one character.
  SIZE Extent(char ch) const;
  // The character's cell at (x, y), the top left corner, in a bitmap of
  // width × height pixels; what falls outside is cut.
  void Draw(char ch, int x, int y, DWORD* bits, int width, int height) const;

 private:
  struct Face;
  std::unique_ptr<Face> m_face;
};
