#include "fontraster.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>

namespace {

constexpr const char* kRegularFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kBoldFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

}  // namespace

struct CFontRaster::Face {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  bool italic = false;
  int ascent = 0, descent = 0;

  ~Face() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }

  // The glyph of ch rendered in grey levels into the face's slot.
  bool Render(char ch) const {
    if (FT_Load_Char(face, static_cast<unsigned char>(ch), FT_LOAD_DEFAULT) != 0) return false;
    if (italic) FT_GlyphSlot_Oblique(face->glyph);
    return FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0;
  }
};

CFontRaster::CFontRaster() = default;
CFontRaster::~CFontRaster() = default;

bool CFontRaster::Create(int pixelHeight, bool bold, bool italic) {
  auto face = std::make_unique<Face>();
  if (FT_Init_FreeType(&face->library) != 0) return false;
  if (FT_New_Face(face->library, bold ? kBoldFont : kRegularFont, 0, &face->face) != 0) return false;
  if (FT_Set_Pixel_Sizes(face->face, 0, static_cast<FT_UInt>(std::max(pixelHeight, 1))) != 0) return false;
  face->italic = italic;
  face->ascent = static_cast<int>((face->face->size->metrics.ascender + 63) >> 6);
  face->descent = static_cast<int>((-face->face->size->metrics.descender + 63) >> 6);
  m_face = std::move(face);
  return true;
}

SIZE CFontRaster::Extent(char ch) const {
  if (!m_face || FT_Load_Char(m_face->face, static_cast<unsigned char>(ch), FT_LOAD_DEFAULT) != 0)
    return SIZE{0, 0};
  return SIZE{static_cast<LONG>((m_face->face->glyph->advance.x + 63) >> 6),
              static_cast<LONG>(m_face->ascent + m_face->descent)};
}

void CFontRaster::Draw(char ch, int x, int y, DWORD* bits, int width, int height) const {
  if (!m_face) return;
  const SIZE cell = Extent(ch);
  for (int row = std::max(y, 0); row < std::min<int>(y + cell.cy, height); ++row)
    for (int column = std::max(x, 0); column < std::min<int>(x + cell.cx, width); ++column)
      bits[static_cast<size_t>(row) * width + column] = 0;
  if (!m_face->Render(ch)) return;
  const FT_GlyphSlot glyph = m_face->face->glyph;
  const FT_Bitmap& bitmap = glyph->bitmap;
  const int left = x + glyph->bitmap_left, top = y + m_face->ascent - glyph->bitmap_top;
  for (unsigned row = 0; row < bitmap.rows; ++row)
    for (unsigned column = 0; column < bitmap.width; ++column) {
      const int px = left + static_cast<int>(column), py = top + static_cast<int>(row);
      if (px < 0 || py < 0 || px >= width || py >= height) continue;
      const DWORD grey = bitmap.buffer[static_cast<size_t>(row) * static_cast<size_t>(bitmap.pitch) + column];
      bits[static_cast<size_t>(py) * width + px] = (grey << 16) | (grey << 8) | grey;
    }
}
