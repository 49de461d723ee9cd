// A Direct3D mesh drawn on the software rasterizer, checked by its pixels:
// a textured subset shows its texture, the translucent subset is drawn only
// in the transparent pass and blends over what the opaque pass drew, and the
// edge overlay draws its lines in the opaque pass.
#include <d3dx8tex.h>
#include <dx_doc.h>
#include <dxmesh.h>

#include <cstring>

#include "image_files.h"
#include "render_test.h"
#include "temp_folder.h"

namespace {

// Two quads in clip space, seen through identity transforms: the left half
// of the view at depth 0.5 (attribute 0, textured across its width), and
// the whole view in front of it at depth 0.2 (attribute 1).
ID3DXMesh* TwoQuads(IDirect3DDevice8* device) {
  const D3DVERTEX vertices[] = {{-1, -1, 0.5f, 0, 0, -1, 0, 1}, {-1, 1, 0.5f, 0, 0, -1, 0, 0},
                                {0, 1, 0.5f, 0, 0, -1, 1, 0},   {0, -1, 0.5f, 0, 0, -1, 1, 1},
                                {-1, -1, 0.2f, 0, 0, -1, 0, 0}, {-1, 1, 0.2f, 0, 0, -1, 0, 0},
                                {1, 1, 0.2f, 0, 0, -1, 0, 0},   {1, -1, 0.2f, 0, 0, -1, 0, 0}};
  const WORD indices[] = {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7};
  const DWORD attributes[] = {0, 0, 1, 1};
  ID3DXMesh* mesh = nullptr;
  EXPECT_EQ(D3DXCreateMeshFVF(4, 8, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, device, &mesh),
            D3D_OK);
  BYTE* data = nullptr;
  mesh->LockVertexBuffer(0, &data);
  std::memcpy(data, vertices, sizeof vertices);
  mesh->UnlockVertexBuffer();
  mesh->LockIndexBuffer(0, &data);
  std::memcpy(data, indices, sizeof indices);
  mesh->UnlockIndexBuffer();
  DWORD* ids = nullptr;
  mesh->LockAttributeBuffer(0, &ids);
  std::memcpy(ids, attributes, sizeof attributes);
  mesh->UnlockAttributeBuffer();
  return mesh;
}

// A material that shows its emissive colour with the given alpha.
D3DXMATERIAL Glowing(float r, float g, float b, float alpha) {
  D3DXMATERIAL m{};
  m.MatD3D.Diffuse = {0, 0, 0, alpha};
  m.MatD3D.Emissive = {r, g, b, 1};
  return m;
}

class DXMeshPixelsTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    // A texture of 2 × 1 pixels: red, then green.
    TestPicture picture{2, 1, {255, 0, 0, 255, 0, 255, 0, 255}};
    const std::string path = m_folder.Path("stripes.tga");
    WriteBytes(path, Tga(picture, 24, false));
    ASSERT_EQ(D3DXCreateTextureFromFileExA(m_device.get(), path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, 1, 0,
                                           D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_POINT, D3DX_FILTER_POINT, 0,
                                           nullptr, nullptr, &m_texture),
              D3D_OK);
    ASSERT_TRUE(m_mesh.Initialize(const_cast<char*>("quads")));
    auto* materials = new D3DXMATERIAL[2]{Glowing(1, 1, 1, 1), Glowing(0, 0, 1, 0.5f)};
    auto* textures = new IDirect3DTexture8* [2] { m_texture.get(), nullptr };
    m_mesh.SetDataMembers(TwoQuads(m_device.get()), 2, materials, textures, nullptr, 0, nullptr, nullptr, nullptr,
                          true);
    ASSERT_TRUE(m_mesh.MyOptimizeInPlace());
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_device->SetRenderState(D3DRS_AMBIENT, 0);
  }
  void TearDown() override {
    m_mesh.DestroyContent(false);
    RenderTest::TearDown();
  }
  // The opaque pass, and the transparent pass with blending on as the
  // camera sets it.
  void Draw(bool transparentPass, CDXDoc* doc = nullptr) {
    Frame(D3DCOLOR_XRGB(0, 0, 0), [&] {
      ASSERT_EQ(m_mesh.Render(m_device.get(), nullptr, 1, 0, nullptr, nullptr, doc, false), S_OK);
      if (!transparentPass) return;
      m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
      m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
      ASSERT_EQ(m_mesh.Render(m_device.get(), nullptr, 0, 1, nullptr, nullptr, doc, false), S_OK);
      m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    });
  }

  TempFolder m_folder;
  ComRef<IDirect3DTexture8> m_texture;
  CDXMesh m_mesh;
};

TEST_F(DXMeshPixelsTest, TheOpaquePassDrawsTheTexturedSubsetWithItsTexture) {
  Draw(false);
  EXPECT_TRUE(ColourNear(m_picture, 8, 24, {255, 0, 0}));   // left half of the texture
  EXPECT_TRUE(ColourNear(m_picture, 24, 24, {0, 255, 0}));  // right half
  EXPECT_TRUE(ColourNear(m_picture, 48, 24, {0, 0, 0}));    // the translucent subset waits
  IDirect3DBaseTexture8* set = nullptr;
  ASSERT_EQ(m_device->GetTexture(0, &set), D3D_OK);
  EXPECT_EQ(set, nullptr) << "the texture is unset after the draw";
  if (set) set->Release();
}

TEST_F(DXMeshPixelsTest, TheBlendedPassDrawsOverTheOpaqueOne) {
  Draw(true);
  EXPECT_TRUE(ColourNear(m_picture, 8, 24, {128, 0, 128}, 12));   // half blue over red
  EXPECT_TRUE(ColourNear(m_picture, 24, 24, {0, 128, 128}, 12));  // half blue over green
  EXPECT_TRUE(ColourNear(m_picture, 48, 24, {0, 0, 128}, 12));    // half blue over the background
}

TEST_F(DXMeshPixelsTest, TheEdgeOverlayDrawsItsLinesInTheOpaquePass) {
  CDXDoc doc;
  DISPLAYOPTIONS options{};
  options.showActiveEdges = 1;
  options.activeEdgesMaterial.Emissive = {1, 1, 0, 1};
  options.activeEdgesMaterial.Diffuse = {0, 0, 0, 1};
  doc.SetDisplayOptions(options);
  auto yellow = [&] {
    int count = 0;
    for (UINT y = 0; y < kHeight; ++y)
      for (UINT x = 0; x < kWidth; ++x)
        if (ColourNear(m_picture, x, y, {255, 255, 0}, 16)) ++count;
    return count;
  };
  Draw(false);
  EXPECT_EQ(yellow(), 0);
  Draw(false, &doc);
  EXPECT_GT(yellow(), 0);
  EXPECT_TRUE(ColourNear(m_picture, 24, 12, {0, 255, 0}) || ColourNear(m_picture, 24, 12, {255, 255, 0}, 16));
  DWORD fill = 0;
  m_device->GetRenderState(D3DRS_FILLMODE, &fill);
  EXPECT_EQ(fill, static_cast<DWORD>(D3DFILL_SOLID)) << "the overlay puts the fill mode back";
}

}  // namespace
