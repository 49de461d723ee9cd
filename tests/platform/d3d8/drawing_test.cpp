#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "d3dx8.h"
#include "render_test.h"

using Drawing = RenderTest;

namespace {

constexpr D3DCOLOR kBackground = D3DCOLOR_XRGB(0, 0, 64);
constexpr std::array<int, 3> kBackgroundRgb = {0, 0, 64};

struct ColourVertex {
  float x, y, z;
  D3DCOLOR colour;
};
constexpr DWORD kColourVertexFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

struct ScreenVertex {
  float x, y, z, rhw;
  D3DCOLOR colour;
};
constexpr DWORD kScreenVertexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

struct TexturedVertex {
  float x, y, z;
  float u, v;
};
constexpr DWORD kTexturedVertexFvf = D3DFVF_XYZ | D3DFVF_TEX1;

// A camera at the origin looking along +z, a quarter turn high: at depth z a
// point (x, y) lands on pixel (32 + 24 x / z, 24 - 24 y / z) of the 64 × 48
// view.
void LookAlongZ(IDirect3DDevice8* device, UINT width, UINT height) {
  D3DXMATRIX view, projection;
  const D3DXVECTOR3 eye(0, 0, 0), at(0, 0, 1), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, static_cast<float>(width) / static_cast<float>(height), 1.0f,
                             10.0f);
  device->SetTransform(D3DTS_VIEW, &view);
  device->SetTransform(D3DTS_PROJECTION, &projection);
}

// Corners of a square of half-size s at depth z, clockwise on the screen.
std::vector<ColourVertex> Square(float s, float z, D3DCOLOR colour, float dx = 0.0f) {
  return {{dx - s, s, z, colour}, {dx + s, s, z, colour}, {dx - s, -s, z, colour},
          {dx + s, s, z, colour}, {dx + s, -s, z, colour}, {dx - s, -s, z, colour}};
}

// A unit cube's six faces, four vertices each with the face's normal, and
// 36 indices of clockwise triangles seen from outside.
void Cube(std::vector<D3DVERTEX>* vertices, std::vector<WORD>* indices) {
  const float n[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
  for (int f = 0; f < 6; ++f) {
    const D3DXVECTOR3 normal(n[f][0], n[f][1], n[f][2]);
    // Two axes across the face, v = u × normal, so that the corners below
    // run clockwise seen from outside.
    D3DXVECTOR3 u = std::fabs(normal.y) > 0.5f ? D3DXVECTOR3(1, 0, 0) : D3DXVECTOR3(0, 1, 0);
    D3DXVECTOR3 v;
    D3DXVec3Cross(&v, &u, &normal);
    const WORD base = static_cast<WORD>(vertices->size());
    const float corners[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
    for (const auto& c : corners) {
      const D3DXVECTOR3 p = normal * 0.5f + u * (0.5f * c[0]) + v * (0.5f * c[1]);
      vertices->push_back({p.x, p.y, p.z, normal.x, normal.y, normal.z, 0, 0});
    }
    for (WORD i : {0, 1, 2, 0, 2, 3}) indices->push_back(static_cast<WORD>(base + i));
  }
}

}  // namespace

TEST_F(Drawing, ClearFillsTheViewWithTheBackground) {
  Frame(kBackground, [] {});
  for (UINT y : {0u, kHeight / 2, kHeight - 1})
    for (UINT x : {0u, kWidth / 2, kWidth - 1}) EXPECT_TRUE(ColourNear(m_picture, x, y, kBackgroundRgb, 0));
  EXPECT_EQ(m_picture.At(3, 3)[3], 255);
}

TEST_F(Drawing, LitRedCubeShowsItsFacesShadedOnTheBackground) {
  std::vector<D3DVERTEX> vertices;
  std::vector<WORD> indices;
  Cube(&vertices, &indices);
  ComRef<IDirect3DVertexBuffer8> vb;
  ComRef<IDirect3DIndexBuffer8> ib;
  const UINT vbSize = static_cast<UINT>(vertices.size() * sizeof(D3DVERTEX));
  ASSERT_EQ(m_device->CreateVertexBuffer(vbSize, 0, 0x112, D3DPOOL_DEFAULT, &vb), D3D_OK);
  ASSERT_EQ(m_device->CreateIndexBuffer(static_cast<UINT>(indices.size() * 2), 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                        &ib),
            D3D_OK);
  BYTE* data = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
  std::memcpy(data, vertices.data(), vbSize);
  vb->Unlock();
  ASSERT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
  std::memcpy(data, indices.data(), indices.size() * 2);
  ib->Unlock();

  LookAlongZ(m_device.get(), kWidth, kHeight);
  // Turned so that the front, the right side and the top face the camera.
  D3DXMATRIX spin, tilt, move, world;
  D3DXMatrixRotationY(&spin, -0.6f);
  D3DXMatrixRotationX(&tilt, 0.5f);
  D3DXMatrixTranslation(&move, 0, 0, 2.0f);
  world = spin * tilt * move;
  m_device->SetTransform(D3DTS_WORLD, &world);
  D3DMATERIAL8 red{};
  red.Diffuse = {1, 0, 0, 1};
  red.Ambient = {1, 0, 0, 1};
  m_device->SetMaterial(&red);
  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 1};
  light.Direction = {0.3f, -0.4f, 1.0f};  // from behind the camera, above and left
  m_device->SetLight(7, &light);
  m_device->LightEnable(7, TRUE);
  m_device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(40, 40, 40));
  m_device->SetVertexShader(0x112);
  m_device->SetStreamSource(0, vb.get(), sizeof(D3DVERTEX));
  m_device->SetIndices(ib.get(), 0);
  Frame(kBackground, [&] {
    EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 24, 0, 12), D3D_OK);
  });

  EXPECT_TRUE(ColourNear(m_picture, 0, 0, kBackgroundRgb, 0));
  EXPECT_TRUE(ColourNear(m_picture, kWidth - 1, kHeight - 1, kBackgroundRgb, 0));
  // Every cube pixel is red only; the faces differ in brightness, and the
  // ambient light keeps them above black.
  std::vector<int> reds;
  for (UINT y = 0; y < kHeight; ++y)
    for (UINT x = 0; x < kWidth; ++x) {
      const auto p = m_picture.At(x, y);
      if (p[0] == 0 && p[1] == 0 && p[2] == 64) continue;
      EXPECT_EQ(p[1], 0) << x << ", " << y;
      EXPECT_EQ(p[2], 0) << x << ", " << y;
      EXPECT_GE(p[0], 40) << x << ", " << y;
      reds.push_back(p[0]);
    }
  ASSERT_GT(reds.size(), kWidth * kHeight / 20);
  std::sort(reds.begin(), reds.end());
  reds.erase(std::unique(reds.begin(), reds.end()), reds.end());
  EXPECT_GE(reds.size(), 3u) << "three faces in three shades";
  EXPECT_GT(m_picture.At(kWidth / 2, kHeight / 2)[0], 40);
}

TEST_F(Drawing, DisabledLightingUsesVertexColoursAndCullingKeepsClockwiseFaces) {
  LookAlongZ(m_device.get(), kWidth, kHeight);
  m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
  m_device->SetVertexShader(kColourVertexFvf);
  const std::vector<ColourVertex> left = Square(0.5f, 2.0f, D3DCOLOR_XRGB(0, 255, 0), -1.0f);
  std::vector<ColourVertex> right = Square(0.5f, 2.0f, D3DCOLOR_XRGB(255, 255, 0), 1.0f);
  for (size_t i = 0; i < right.size(); i += 3) std::swap(right[i + 1], right[i + 2]);  // counter-clockwise
  Frame(kBackground, [&] {
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, left.data(), sizeof(ColourVertex)), D3D_OK);
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, right.data(), sizeof(ColourVertex)), D3D_OK);
  });
  EXPECT_TRUE(ColourNear(m_picture, kWidth / 2 - 16, kHeight / 2, {0, 255, 0}, 0));
  EXPECT_TRUE(ColourNear(m_picture, kWidth / 2 + 16, kHeight / 2, kBackgroundRgb, 0));

  m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  Frame(kBackground, [&] {
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, right.data(), sizeof(ColourVertex)), D3D_OK);
  });
  EXPECT_TRUE(ColourNear(m_picture, kWidth / 2 + 16, kHeight / 2, {255, 255, 0}, 0));
}

TEST_F(Drawing, TexturedQuadShowsItsTexelsTopRowFirst) {
  ComRef<IDirect3DTexture8> texture;
  ASSERT_EQ(m_device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  const DWORD texels[2][2] = {{0xFFFF0000, 0xFF00FF00}, {0xFF0000FF, 0xFFFFFFFF}};
  for (int row = 0; row < 2; ++row)
    std::memcpy(static_cast<BYTE*>(locked.pBits) + row * locked.Pitch, texels[row], 8);
  texture->UnlockRect(0);

  LookAlongZ(m_device.get(), kWidth, kHeight);
  m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
  m_device->SetVertexShader(kTexturedVertexFvf);
  m_device->SetTexture(0, texture.get());
  // Covers the whole view.
  const TexturedVertex quad[4] = {{-1.6f, 1.2f, 1.01f, 0, 0}, {1.6f, 1.2f, 1.01f, 1, 0},
                                  {-1.6f, -1.2f, 1.01f, 0, 1}, {1.6f, -1.2f, 1.01f, 1, 1}};
  Frame(kBackground, [&] {
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(TexturedVertex)), D3D_OK);
  });
  EXPECT_TRUE(ColourNear(m_picture, 8, 8, {255, 0, 0}, 0));
  EXPECT_TRUE(ColourNear(m_picture, kWidth - 8, 8, {0, 255, 0}, 0));
  EXPECT_TRUE(ColourNear(m_picture, 8, kHeight - 8, {0, 0, 255}, 0));
  EXPECT_TRUE(ColourNear(m_picture, kWidth - 8, kHeight - 8, {255, 255, 255}, 0));

  // A lock for writing uploads the texture again at the next draw.
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  *static_cast<DWORD*>(locked.pBits) = 0xFF808080;
  texture->UnlockRect(0);
  Frame(kBackground, [&] {
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(TexturedVertex)), D3D_OK);
  });
  EXPECT_TRUE(ColourNear(m_picture, 8, 8, {128, 128, 128}, 0));
}

TEST_F(Drawing, BlendedQuadMixesWithTheOpaqueOneBehind) {
  LookAlongZ(m_device.get(), kWidth, kHeight);
  m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
  m_device->SetVertexShader(kColourVertexFvf);
  const std::vector<ColourVertex> opaque = Square(0.6f, 3.0f, D3DCOLOR_XRGB(0, 0, 255), -0.4f);
  const std::vector<ColourVertex> blended = Square(0.6f, 2.0f, D3DCOLOR_ARGB(128, 255, 0, 0), 0.4f);
  Frame(kBackground, [&] {
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, opaque.data(), sizeof(ColourVertex)), D3D_OK);
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    m_device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, blended.data(), sizeof(ColourVertex)), D3D_OK);
  });
  // Left: the opaque blue alone; middle: half red over blue; right: half red
  // over the background.
  EXPECT_TRUE(ColourNear(m_picture, 26, kHeight / 2, {0, 0, 255}, 2));
  EXPECT_TRUE(ColourNear(m_picture, kWidth / 2, kHeight / 2, {128, 0, 127}, 2));
  EXPECT_TRUE(ColourNear(m_picture, 38, kHeight / 2, {128, 0, 32}, 2));
}

TEST_F(Drawing, AlphaTestDropsPixelsBelowTheReference) {
  LookAlongZ(m_device.get(), kWidth, kHeight);
  m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
  m_device->SetVertexShader(kColourVertexFvf);
  m_device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  m_device->SetRenderState(D3DRS_ALPHAREF, 0x80);
  m_device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  const std::vector<ColourVertex> faint = Square(0.5f, 2.0f, D3DCOLOR_ARGB(0x7F, 255, 255, 255), -1.0f);
  const std::vector<ColourVertex> strong = Square(0.5f, 2.0f, D3DCOLOR_ARGB(0x80, 255, 255, 255), 1.0f);
  Frame(kBackground, [&] {
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, faint.data(), sizeof(ColourVertex));
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, strong.data(), sizeof(ColourVertex));
  });
  EXPECT_TRUE(ColourNear(m_picture, kWidth / 2 - 16, kHeight / 2, kBackgroundRgb, 0));
  EXPECT_TRUE(ColourNear(m_picture, kWidth / 2 + 16, kHeight / 2, {255, 255, 255}, 0));
}

TEST_F(Drawing, ZBiasBringsLinesOverTheFacesTheyLieOn) {
  struct Case {
    DWORD bias;
    std::array<int, 3> line;
  };
  LookAlongZ(m_device.get(), kWidth, kHeight);
  m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
  m_device->SetVertexShader(kColourVertexFvf);
  const std::vector<ColourVertex> face = Square(1.0f, 2.0f, D3DCOLOR_XRGB(0, 128, 0));
  // A horizontal line a hair behind the face.
  const ColourVertex line[2] = {{-0.8f, 0.0f, 2.0002f, D3DCOLOR_XRGB(255, 255, 255)},
                                {0.8f, 0.0f, 2.0002f, D3DCOLOR_XRGB(255, 255, 255)}};
  for (Case c : {Case{0, {0, 128, 0}}, Case{5, {255, 255, 255}}, Case{16, {255, 255, 255}}}) {
    Frame(kBackground, [&] {
      m_device->SetRenderState(D3DRS_ZBIAS, 0);
      m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, face.data(), sizeof(ColourVertex));
      m_device->SetRenderState(D3DRS_ZBIAS, c.bias);
      EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_LINELIST, 1, line, sizeof(ColourVertex)), D3D_OK);
    });
    // The line's row: y = 0 falls between the two middle rows.
    const bool above = ColourNear(m_picture, kWidth / 2, kHeight / 2 - 1, c.line, 0);
    const bool below = ColourNear(m_picture, kWidth / 2, kHeight / 2, c.line, 0);
    EXPECT_TRUE(above || below) << "bias " << c.bias;
    EXPECT_TRUE(ColourNear(m_picture, kWidth / 2, kHeight / 2 - 8, {0, 128, 0}, 0)) << "bias " << c.bias;
  }
}

TEST_F(Drawing, WireframeDrawsTheEdgesOnly) {
  LookAlongZ(m_device.get(), kWidth, kHeight);
  m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
  m_device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  m_device->SetVertexShader(kColourVertexFvf);
  const std::vector<ColourVertex> square = Square(1.0f, 2.0f, D3DCOLOR_XRGB(255, 255, 0));
  Frame(kBackground, [&] {
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, square.data(), sizeof(ColourVertex)), D3D_OK);
  });
  // The square spans x 20..44 and y 12..36; its diagonal runs from the top
  // right to the bottom left.
  auto drawnNear = [&](UINT x, UINT y) {
    for (UINT dy = y - 1; dy <= y + 1; ++dy)
      for (UINT dx = x - 1; dx <= x + 1; ++dx)
        if (ColourNear(m_picture, dx, dy, {255, 255, 0}, 0)) return true;
    return false;
  };
  EXPECT_TRUE(drawnNear(kWidth / 2, 12));
  EXPECT_TRUE(drawnNear(20, kHeight / 2));
  EXPECT_TRUE(drawnNear(kWidth / 2, kHeight / 2));  // the diagonal
  EXPECT_TRUE(ColourNear(m_picture, 24, 16, kBackgroundRgb, 0));
  EXPECT_TRUE(ColourNear(m_picture, 40, 32, kBackgroundRgb, 0));
  EXPECT_FALSE(ColourNear(m_picture, 4, 4, {255, 255, 0}, 0));
}

TEST_F(Drawing, ScreenVerticesCoverTheirPixels) {
  m_device->SetVertexShader(kScreenVertexFvf);
  const D3DCOLOR white = D3DCOLOR_XRGB(255, 255, 255);
  const ScreenVertex rect[4] = {{10, 5, 0, 1, white}, {20, 5, 0, 1, white}, {10, 15, 0, 1, white},
                                {20, 15, 0, 1, white}};
  Frame(kBackground, [&] {
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, rect, sizeof(ScreenVertex)), D3D_OK);
  });
  EXPECT_TRUE(ColourNear(m_picture, 10, 5, {255, 255, 255}, 0));
  EXPECT_TRUE(ColourNear(m_picture, 19, 14, {255, 255, 255}, 0));
  EXPECT_TRUE(ColourNear(m_picture, 9, 5, kBackgroundRgb, 0));
  EXPECT_TRUE(ColourNear(m_picture, 20, 14, kBackgroundRgb, 0));
  EXPECT_TRUE(ColourNear(m_picture, 10, 15, kBackgroundRgb, 0));
}

TEST_F(Drawing, MoreLightsThanOpenGLHasLeaveTheHighestIndicesOffAndStillDraw) {
  D3DCAPS8 caps{};
  ASSERT_EQ(m_device->GetDeviceCaps(&caps), D3D_OK);
  ASSERT_GE(caps.MaxActiveLights, 8u);
  LookAlongZ(m_device.get(), kWidth, kHeight);
  // A white square facing the camera, lit only by the lights.
  const D3DVERTEX square[6] = {{-1, 1, 2, 0, 0, -1, 0, 0},  {1, 1, 2, 0, 0, -1, 0, 0}, {-1, -1, 2, 0, 0, -1, 0, 0},
                               {1, 1, 2, 0, 0, -1, 0, 0},   {1, -1, 2, 0, 0, -1, 0, 0}, {-1, -1, 2, 0, 0, -1, 0, 0}};
  D3DMATERIAL8 white{};
  white.Diffuse = {1, 1, 1, 1};
  m_device->SetMaterial(&white);
  m_device->SetRenderState(D3DRS_AMBIENT, 0);
  m_device->SetVertexShader(0x112);
  D3DLIGHT8 dark{}, bright{};
  dark.Type = bright.Type = D3DLIGHT_DIRECTIONAL;
  dark.Direction = bright.Direction = {0, 0, 1};
  bright.Diffuse = {1, 1, 1, 1};
  // Light indices grow without bound: as many dark lights as OpenGL has,
  // and a bright one above them all.
  for (DWORD i = 0; i < caps.MaxActiveLights; ++i) {
    m_device->SetLight(1000 + 10 * i, &dark);
    m_device->LightEnable(1000 + 10 * i, TRUE);
  }
  m_device->SetLight(90000, &bright);
  m_device->LightEnable(90000, TRUE);
  Frame(kBackground, [&] {
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, square, sizeof(D3DVERTEX)), D3D_OK);
  });
  EXPECT_TRUE(ColourNear(m_picture, kWidth / 2, kHeight / 2, {0, 0, 0}, 0)) << "the bright light stays off";

  // A bright light below them all takes one of OpenGL's lights.
  m_device->SetLight(5, &bright);
  m_device->LightEnable(5, TRUE);
  Frame(kBackground, [&] {
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, square, sizeof(D3DVERTEX)), D3D_OK);
  });
  EXPECT_TRUE(ColourNear(m_picture, kWidth / 2, kHeight / 2, {255, 255, 255}, 2));
  EXPECT_TRUE(ColourNear(m_picture, 0, 0, kBackgroundRgb, 0));
}

TEST_F(Drawing, IndicesOutsideTheVerticesAreRefused) {
  ComRef<IDirect3DVertexBuffer8> vb;
  ComRef<IDirect3DIndexBuffer8> ib;
  ASSERT_EQ(m_device->CreateVertexBuffer(3 * sizeof(ColourVertex), 0, kColourVertexFvf, D3DPOOL_DEFAULT, &vb),
            D3D_OK);
  ASSERT_EQ(m_device->CreateIndexBuffer(3 * 2, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib), D3D_OK);
  BYTE* data = nullptr;
  ASSERT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
  const WORD indices[3] = {0, 1, 40000};
  std::memcpy(data, indices, sizeof(indices));
  ib->Unlock();
  m_device->SetVertexShader(kColourVertexFvf);
  m_device->SetStreamSource(0, vb.get(), sizeof(ColourVertex));
  m_device->SetIndices(ib.get(), 0);
  EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), D3DERR_INVALIDCALL);
  const ColourVertex user[3] = {};
  EXPECT_EQ(m_device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, indices, D3DFMT_INDEX16, user,
                                             sizeof(ColourVertex)),
            D3DERR_INVALIDCALL);
}

TEST_F(Drawing, OtherThreadsMakeResourcesButDoNotDraw) {
  ComRef<IDirect3DVertexBuffer8> vb;
  HRESULT made = E_FAIL, drawn = S_OK, cleared = S_OK;
  std::thread job([&] {
    made = m_device->CreateVertexBuffer(3 * sizeof(ColourVertex), 0, kColourVertexFvf, D3DPOOL_DEFAULT, &vb);
    cleared = m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    const ColourVertex user[3] = {};
    drawn = m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, user, sizeof(ColourVertex));
  });
  job.join();
  EXPECT_EQ(made, D3D_OK);
  EXPECT_EQ(cleared, D3DERR_INVALIDCALL);
  EXPECT_EQ(drawn, D3DERR_INVALIDCALL);
}

namespace {

// A vertex for indexed blending: one weight, then the palette slots of the
// weight and of the remainder.
struct BlendVertex {
  float x, y, z;
  float weight;
  BYTE slots[4];
  D3DCOLOR colour;
};
constexpr DWORD kBlendVertexFvf = D3DFVF_XYZB2 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_DIFFUSE;

}  // namespace

// A square whose vertices take half of world matrix 3 and half of world
// matrix 7 lands where the two matrices' mean puts it; each pose moves it.
TEST_F(Drawing, IndexedVertexBlendingPlacesVerticesByTheirPaletteMatrices) {
  LookAlongZ(m_device.get(), kWidth, kHeight);
  m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
  m_device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
  m_device->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, TRUE);
  m_device->SetVertexShader(kBlendVertexFvf);
  std::vector<BlendVertex> square;
  for (const ColourVertex& v : Square(0.5f, 2.0f, D3DCOLOR_XRGB(0, 255, 0)))
    square.push_back({v.x, v.y, v.z, 0.5f, {3, 7, 0, 0}, v.colour});
  struct Pose {
    float x3, x7;  // the x moves of world matrices 3 and 7
    int expectedAt;  // the pixel column the square covers
  };
  // At depth 2 a mean move of x shifts the square by 12 x pixels; it spans 6
  // pixels either side of its centre.
  constexpr int kLeft = 8, kCentre = 32, kRight = 56;
  for (const Pose& pose : {Pose{-4, 0, kLeft}, Pose{0, 4, kRight}, Pose{-1, 1, kCentre}}) {
    D3DXMATRIX m3, m7;
    D3DXMatrixTranslation(&m3, pose.x3, 0, 0);
    D3DXMatrixTranslation(&m7, pose.x7, 0, 0);
    m_device->SetTransform(D3DTS_WORLDMATRIX(3), &m3);
    m_device->SetTransform(D3DTS_WORLDMATRIX(7), &m7);
    Frame(kBackground, [&] {
      EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, square.data(), sizeof(BlendVertex)), D3D_OK);
    });
    for (int x : {kLeft, kCentre, kRight}) {
      const std::array<int, 3> colour = x == pose.expectedAt ? std::array<int, 3>{0, 255, 0} : kBackgroundRgb;
      EXPECT_TRUE(ColourNear(m_picture, x, kHeight / 2, colour, 0)) << pose.x3 << " " << pose.x7 << " at " << x;
    }
  }
  // Blending off: the world matrix alone places the square.
  m_device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
  Frame(kBackground, [&] {
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, square.data(), sizeof(BlendVertex)), D3D_OK);
  });
  EXPECT_TRUE(ColourNear(m_picture, kWidth / 2, kHeight / 2, {0, 255, 0}, 0));
}
