#include "viewfont.h"

#include <mmsystem.h>
#include <tracelog.h>

#include <cstring>
#include <string>
#include <vector>

#include "fontraster.h"

namespace {

struct FontVertex {
  float x, y, z, rhw;
  DWORD colour;
  float u, v;
};
static_assert(sizeof(FontVertex) == 28);
constexpr DWORD kFontVertexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr UINT kBatchVertices = 294;  // a batch is drawn once it holds more

// Screen resolution the point sizes are rasterised at.
constexpr int kLogPixelsY = 96;

}  // namespace

CViewFont::CViewFont(const char* face, DWORD height, DWORD flags)
    : m_face{},
      m_height(height),
      m_flags(flags),
      m_device(nullptr),
      m_texture(nullptr),
      m_vertexBuffer(nullptr),
      m_textureWidth(0),
      m_textureHeight(0),
      m_textScale(1.0f),
      m_coordinates{},
      m_savedStateBlock(0),
      m_drawStateBlock(0),
      m_highlightTime(0),
      m_highlightIndex(0) {
  std::strncpy(m_face, face ? face : "", sizeof(m_face) - 1);
}

CViewFont::~CViewFont() {
  ReleaseDrawResources();
  ReleaseGlyphTexture();
}

HRESULT CViewFont::CreateGlyphTexture(IDirect3DDevice8* device) {
  if (!device) return E_FAIL;
  m_device = device;
  m_textScale = 1.0f;
  DWORD size = m_height > 40 ? 1024 : m_height > 20 ? 512 : 256;
  m_textureWidth = m_textureHeight = size;
  D3DCAPS8 caps{};
  device->GetDeviceCaps(&caps);
  if (caps.MaxTextureWidth < size) {
    m_textScale = static_cast<float>(caps.MaxTextureWidth) / static_cast<float>(size);
    m_textureWidth = m_textureHeight = caps.MaxTextureWidth;
  }
  HRESULT hr = device->CreateTexture(m_textureWidth, m_textureHeight, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED,
                                     &m_texture);
  if (FAILED(hr)) return hr;

  // -MulDiv(height, LOGPIXELSY × scale, 72): the character height in pixels.
  const int dpi = static_cast<int>(static_cast<float>(kLogPixelsY) * m_textScale);
  const int pixelHeight = static_cast<int>((static_cast<long long>(m_height) * dpi + 36) / 72);
  CFontRaster font;
  if (!font.Create(pixelHeight, (m_flags & 1) != 0, (m_flags & 2) != 0)) return E_FAIL;
  const int width = static_cast<int>(m_textureWidth), height = static_cast<int>(m_textureHeight);
  std::vector<DWORD> bitmap(static_cast<size_t>(width) * height, 0);
  int x = 0, y = 0;
  for (int ch = 32; ch < 127; ++ch) {
    const SIZE extent = font.Extent(static_cast<char>(ch));
    if (x + extent.cx + 1 > width) {
      x = 0;
      y += extent.cy + 1;
    }
    font.Draw(static_cast<char>(ch), x, y, bitmap.data(), width, height);
    float* c = m_coordinates[ch - 32];
    c[0] = static_cast<float>(x) / static_cast<float>(width);
    c[1] = static_cast<float>(y) / static_cast<float>(height);
    c[2] = static_cast<float>(x + extent.cx) / static_cast<float>(width);
    c[3] = static_cast<float>(y + extent.cy) / static_cast<float>(height);
    x += extent.cx + 1;
  }

  D3DLOCKED_RECT locked{};
  hr = m_texture->LockRect(0, &locked, nullptr, 0);
  if (FAILED(hr)) return hr;
  for (int row = 0; row < height; ++row) {
    auto* texels = reinterpret_cast<WORD*>(static_cast<BYTE*>(locked.pBits) + static_cast<size_t>(row) * locked.Pitch);
    for (int column = 0; column < width; ++column) {
      const DWORD alpha = (bitmap[static_cast<size_t>(row) * width + column] & 0xFF) >> 4;
      texels[column] = alpha > 0 ? static_cast<WORD>((alpha << 12) | 0x0FFF) : 0;
    }
  }
  m_texture->UnlockRect(0);
  return S_OK;
}

HRESULT CViewFont::CreateDrawResources() {
  if (!m_device) return E_FAIL;
  HRESULT hr = m_device->CreateVertexBuffer(kVertexCount * sizeof(FontVertex), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC,
                                            0, D3DPOOL_DEFAULT, &m_vertexBuffer);
  if (FAILED(hr)) return hr;
  for (DWORD* block : {&m_savedStateBlock, &m_drawStateBlock}) {
    m_device->BeginStateBlock();
    m_device->SetTexture(0, m_texture);
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    m_device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    m_device->SetRenderState(D3DRS_ALPHAREF, 0x08);
    m_device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    m_device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    m_device->SetRenderState(D3DRS_ZENABLE, FALSE);
    m_device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    m_device->SetRenderState(D3DRS_CLIPPING, TRUE);
    m_device->SetRenderState(D3DRS_EDGEANTIALIAS, FALSE);
    m_device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    m_device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    m_device->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
    m_device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    m_device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    m_device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    m_device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    m_device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    m_device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    m_device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    m_device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    m_device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    m_device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    m_device->EndStateBlock(block);
  }
  return S_OK;
}

HRESULT CViewFont::ReleaseDrawResources() {
  SafeRelease(&m_vertexBuffer);
  if (m_device) {
    if (m_savedStateBlock) m_device->DeleteStateBlock(m_savedStateBlock);
    if (m_drawStateBlock) m_device->DeleteStateBlock(m_drawStateBlock);
  }
  m_savedStateBlock = m_drawStateBlock = 0;
  return S_OK;
}

HRESULT CViewFont::ReleaseGlyphTexture() {
  SafeRelease(&m_texture);
  m_device = nullptr;
  return S_OK;
}

HRESULT CViewFont::GetTextExtent(const char* text, SIZE* size) const {
  if (!text || !size) return E_FAIL;
  const float rowHeight = (m_coordinates[0][3] - m_coordinates[0][1]) * static_cast<float>(m_textureHeight);
  float width = 0.0f, height = rowHeight, rowWidth = 0.0f;
  for (const char* p = text; *p; ++p) {
    if (*p == '\n') {
      rowWidth = 0.0f;
      height += rowHeight;
      continue;
    }
    if (*p < 32) continue;  // also bytes above 127, negative as chars
    const float* c = m_coordinates[*p - 32];
    rowWidth += (c[2] - c[0]) * static_cast<float>(m_textureWidth);
    if (rowWidth > width) width = rowWidth;
  }
  size->cx = static_cast<LONG>(width);
  size->cy = static_cast<LONG>(height);
  return S_OK;
}

HRESULT CViewFont::DrawViewText(float x, float y, DWORD colour, const char* text, DWORD flags) {
  if (!m_device || !m_vertexBuffer || !text) return E_FAIL;
  m_device->CaptureStateBlock(m_savedStateBlock);
  m_device->ApplyStateBlock(m_drawStateBlock);
  m_device->SetVertexShader(kFontVertexFvf);
  m_device->SetStreamSource(0, m_vertexBuffer, sizeof(FontVertex));
  if (flags & 4) {
    m_device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    m_device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
  }
  BYTE* data = nullptr;
  HRESULT hr = m_vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD);
  if (SUCCEEDED(hr)) {
    auto* vertices = reinterpret_cast<FontVertex*>(data);
    UINT count = 0, triangles = 0;
    const float startX = x;
    for (const char* p = text; *p; ++p) {
      if (*p == '\n') {
        x = startX;
        y += (m_coordinates[0][3] - m_coordinates[0][1]) * static_cast<float>(m_textureHeight);
        continue;
      }
      if (*p < 32) continue;
      const float* c = m_coordinates[*p - 32];
      const float w = (c[2] - c[0]) * static_cast<float>(m_textureWidth) / m_textScale;
      const float h = (c[3] - c[1]) * static_cast<float>(m_textureHeight) / m_textScale;
      const float l = x - 0.5f, t = y - 0.5f, r = x + w - 0.5f, b = y + h - 0.5f;
      vertices[count++] = {l, b, 0, 1, colour, c[0], c[3]};
      vertices[count++] = {l, t, 0, 1, colour, c[0], c[1]};
      vertices[count++] = {r, b, 0, 1, colour, c[2], c[3]};
      vertices[count++] = {r, t, 0, 1, colour, c[2], c[1]};
      vertices[count++] = {r, b, 0, 1, colour, c[2], c[3]};
      vertices[count++] = {l, t, 0, 1, colour, c[0], c[1]};
      triangles += 2;
      if (triangles * 3 > kBatchVertices) {
        m_vertexBuffer->Unlock();
        m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles);
        m_vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD);
        vertices = reinterpret_cast<FontVertex*>(data);
        count = triangles = 0;
      }
      x += w;
    }
    m_vertexBuffer->Unlock();
    if (triangles > 0) m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles);
  }
  m_device->ApplyStateBlock(m_savedStateBlock);
  return S_OK;
}

void CViewFont::DrawTimedText(float x, float y, const char* text, float red, float green, float blue,
                              DWORD period) {
  if (!m_device) throw "\nInfo: m_pd3dDevice is null.";
  if (!text) return;
  const DWORD now = timeGetTime();
  const DWORD elapsed = timeGetTime() - m_highlightTime;
  const size_t length = std::strlen(text);
  auto byte = [](float value) { return static_cast<DWORD>(static_cast<int>(value * 255.0f)) & 0xFF; };
  for (size_t i = 0; i < length; ++i) {
    const float alpha = i == m_highlightIndex ? 0.7f : 0.5f;
    const DWORD colour = (byte(alpha) << 24) | (byte(red) << 16) | (byte(green) << 8) | byte(blue);
    const char one[2] = {text[i], '\0'};
    DrawViewText(x, y, colour, one, 0);
    SIZE extent{};
    GetTextExtent(one, &extent);
    x += static_cast<float>(extent.cx);
  }
  if (length > 0 && elapsed >= period) {
    m_highlightTime = now;
    m_highlightIndex = static_cast<DWORD>((m_highlightIndex + 1) % length);
  }
}
