// Short texts drawn into a 3D view: the printable characters of one font
// rasterised once into an alpha texture, and a text drawn as screen-space
// quads from one dynamic vertex buffer, with the font's own render states
// recorded in a state block and the caller's states put back afterwards.
// A timed form lets a highlight run along the text.
#pragma once

#include <d3d8.h>

class CViewFont {
 public:
  // Flags: 1 bold, 2 italic, 4 linear texture filtering.
  CViewFont(const char* face, DWORD height, DWORD flags);
  ~CViewFont();
  CViewFont(const CViewFont&) = delete;
  CViewFont& operator=(const CViewFont&) = delete;

  HRESULT CreateGlyphTexture(IDirect3DDevice8* device);
  HRESULT CreateDrawResources();
  HRESULT ReleaseDrawResources();
  HRESULT ReleaseGlyphTexture();

  // In texture pixels; E_FAIL for a NULL text or size.
  HRESULT GetTextExtent(const char* text, SIZE* size) const;
  HRESULT DrawViewText(float x, float y, DWORD colour, const char* text, DWORD flags);
  // Each character alone, the highlighted one brighter; the highlight moves
  // on once period milliseconds have passed. Throws the message text
  // without a device.
  void DrawTimedText(float x, float y, const char* text, float red, float green, float blue, DWORD period);

  DWORD GetTextureWidth() const { return m_textureWidth; }
  DWORD GetTextureHeight() const { return m_textureHeight; }
  float GetTextScale() const { return m_textScale; }
  IDirect3DTexture8* GetTexture() const { return m_texture; }

 private:
  static constexpr DWORD kVertexCount = 300;

  char m_face[80];
  DWORD m_height;
  DWORD m_flags;
  IDirect3DDevice8* m_device;
  IDirect3DTexture8* m_texture;
  IDirect3DVertexBuffer8* m_vertexBuffer;
  DWORD m_textureWidth;
  DWORD m_textureHeight;
  float m_textScale;
  float m_coordinates[96][4];  // left u, top v, right u, bottom v of character 32 + i
  DWORD m_savedStateBlock;
  DWORD m_drawStateBlock;
  DWORD m_highlightTime;
  DWORD m_highlightIndex;
};
