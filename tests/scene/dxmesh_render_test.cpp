// Drawing and repairing a Direct3D mesh built from arrays.
#include <dx_doc.h>
#include <dxmesh.h>
#include <materialpresets.h>

#include <cmath>
#include <cstring>

#include "mesh_test_support.h"
#include "test_mesh.h"

namespace {

// The 8 corners of the unit cube and its 12 triangles, wound outwards.
const std::vector<D3DXVECTOR3> kCorners = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0},
                                           {0, 0, 1}, {0, 1, 1}, {1, 1, 1}, {1, 0, 1}};
const std::vector<DWORD> kCubeFaces = {0, 1, 2, 0, 2, 3, 7, 6, 5, 7, 5, 4, 4, 5, 1, 4, 1, 0,
                                       3, 2, 6, 3, 6, 7, 1, 5, 6, 1, 6, 2, 4, 0, 3, 4, 3, 7};

D3DXMATERIAL MaterialOfAlpha(float alpha) {
  D3DXMATERIAL m{};
  m.MatD3D.Diffuse = {alpha, 1.0f - alpha, 0.25f, alpha};
  return m;
}

class DXMeshRenderTest : public MeshDeviceTest {
 protected:
  DWORD State(D3DRENDERSTATETYPE state) {
    DWORD value = 0;
    Device()->GetRenderState(state, &value);
    return value;
  }
  D3DMATERIAL8 LastMaterial() {
    D3DMATERIAL8 m{};
    Device()->GetMaterial(&m);
    return m;
  }
  // A ready mesh of the cube's faces with these attributes and materials.
  void Build(CDXMesh& mesh, ID3DXMesh* d3dxMesh, std::vector<D3DXMATERIAL> materials) {
    ASSERT_TRUE(mesh.Initialize(const_cast<char*>("cube")));
    auto* owned = new D3DXMATERIAL[materials.size()];
    std::copy(materials.begin(), materials.end(), owned);
    auto* textures = new IDirect3DTexture8*[materials.size()]();
    mesh.SetDataMembers(d3dxMesh, static_cast<DWORD>(materials.size()), owned, textures, nullptr, 0, nullptr,
                        nullptr, nullptr, true);
    ASSERT_TRUE(mesh.MyOptimizeInPlace());
  }
  ID3DXMesh* Cube(const std::vector<DWORD>& attributes, IDirect3DDevice8* device = nullptr) {
    return MakeMesh(device ? device : Device(), kCorners, kCubeFaces, attributes);
  }
};

bool Same(const D3DMATERIAL8& a, const D3DMATERIAL8& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Opaque subsets (alpha 1 and alpha 0) in the opaque pass, translucent ones
// in the transparent pass, every subset with neither flag.
TEST_F(DXMeshRenderTest, EachPassDrawsItsSubsets) {
  CDXMesh mesh;
  Build(mesh, Cube({0, 0, 1, 1, 2, 2, 0, 0, 1, 1, 2, 2}),
        {MaterialOfAlpha(1.0f), MaterialOfAlpha(0.5f), MaterialOfAlpha(0.0f)});
  ASSERT_EQ(mesh.GetAttributeTableSize(), 3u);
  const D3DMATERIAL8 none{};
  struct Case {
    int opaque, transparent;
    float lastAlpha;  // the alpha of the last material set; -1: none set
  } cases[] = {{1, 0, 0.0f}, {0, 1, 0.5f}, {0, 0, 0.0f}, {1, 1, -1.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.opaque << " " << c.transparent);
    Device()->SetMaterial(&none);
    ASSERT_EQ(mesh.Render(Device(), nullptr, c.opaque, c.transparent, nullptr, nullptr, nullptr, false), S_OK);
    if (c.lastAlpha < 0)
      EXPECT_TRUE(Same(LastMaterial(), none));
    else
      EXPECT_FLOAT_EQ(LastMaterial().Diffuse.a, c.lastAlpha);
  }
}

// Faces whose attribute id has no material draw with the default material.
TEST_F(DXMeshRenderTest, AttributeIdsPastTheMaterialsDrawWithTheDefaultMaterial) {
  CDXMesh mesh;
  Build(mesh, Cube({0, 0, 0, 0, 0, 0, 7, 7, 7, 7, 7, 7}), {MaterialOfAlpha(1.0f)});
  const D3DMATERIAL8 fallback = DefaultMaterial();
  const bool opaque = fallback.Diffuse.a >= 1.0f || fallback.Diffuse.a == 0.0f;
  ASSERT_EQ(mesh.Render(Device(), nullptr, opaque ? 1 : 0, opaque ? 0 : 1, nullptr, nullptr, nullptr, false), S_OK);
  EXPECT_TRUE(Same(LastMaterial(), fallback));
  EXPECT_EQ(mesh.TextureOf(7), nullptr);
}

TEST_F(DXMeshRenderTest, WireframeDrawsGouraudAndTheOverlayPutsItsStatesBack) {
  CDXMesh mesh;
  Build(mesh, Cube({}), {MaterialOfAlpha(1.0f)});
  CDXDoc doc;
  doc.GetConfig()->dwShadeMode = 1;  // flat
  doc.GetConfig()->dwFillMode = 1;   // wireframe
  DISPLAYOPTIONS options{};
  options.showActiveEdges = 1;
  options.activeEdgesMaterial.Diffuse = {0.f, 0.f, 1.f, 1.f};
  doc.SetDisplayOptions(options);
  Device()->SetRenderState(D3DRS_ZBIAS, 0);
  ASSERT_EQ(mesh.Render(Device(), nullptr, 1, 0, nullptr, nullptr, &doc, false), S_OK);
  EXPECT_TRUE(Same(LastMaterial(), options.activeEdgesMaterial)) << "the overlay comes last";
  EXPECT_EQ(State(D3DRS_SHADEMODE), static_cast<DWORD>(D3DSHADE_FLAT));
  EXPECT_EQ(State(D3DRS_FILLMODE), static_cast<DWORD>(D3DFILL_WIREFRAME));
  EXPECT_EQ(State(D3DRS_ZBIAS), 0u);
  // No overlay in the transparent pass.
  const D3DMATERIAL8 none{};
  Device()->SetMaterial(&none);
  ASSERT_EQ(mesh.Render(Device(), nullptr, 0, 1, nullptr, nullptr, &doc, false), S_OK);
  EXPECT_TRUE(Same(LastMaterial(), none));
}

// A mesh whose drawing fails (its device has gone) reports the failure and
// leaves the device's states as they were, overlay included.
TEST_F(DXMeshRenderTest, StatesAreBackWhenDrawingFails) {
  ComRef<IDirect3D8> d3d(Direct3DCreate8(D3D_SDK_VERSION));
  D3DPRESENT_PARAMETERS p{};
  p.Windowed = TRUE;
  p.SwapEffect = D3DSWAPEFFECT_COPY_VSYNC;
  p.BackBufferWidth = p.BackBufferHeight = 2;
  IDirect3DDevice8* other = nullptr;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &other), D3D_OK);
  for (float alpha : {1.0f, 0.5f}) {
    SCOPED_TRACE(alpha);
    CDXMesh mesh;
    ID3DXMesh* cube = Cube({}, other);
    Build(mesh, cube, {MaterialOfAlpha(alpha)});
    if (alpha == 0.5f) other->Release();  // the mesh's device goes: every draw of it fails
    CDXDoc doc;
    doc.GetConfig()->dwShadeMode = 1;
    doc.GetConfig()->dwFillMode = 1;
    DISPLAYOPTIONS options{};
    options.showActiveEdges = 1;
    doc.SetDisplayOptions(options);
    Device()->SetRenderState(D3DRS_ZBIAS, 3);
    // Opaque pass: the subset (alpha 1, device alive) draws; the overlay is
    // the one that fails for the translucent mesh.
    const HRESULT hr = mesh.Render(Device(), nullptr, 1, 0, nullptr, nullptr, &doc, false);
    if (alpha == 0.5f) {
      EXPECT_EQ(hr, E_FAIL);
    }
    EXPECT_EQ(State(D3DRS_SHADEMODE), static_cast<DWORD>(D3DSHADE_FLAT));
    EXPECT_EQ(State(D3DRS_FILLMODE), static_cast<DWORD>(D3DFILL_WIREFRAME));
    EXPECT_EQ(State(D3DRS_ZBIAS), 3u);
    IDirect3DBaseTexture8* texture = nullptr;
    Device()->GetTexture(0, &texture);
    EXPECT_EQ(texture, nullptr);
    if (texture) texture->Release();
  }
}

TEST_F(DXMeshRenderTest, NotReadyOrBusyMeshesDrawNothing) {
  CDXMesh mesh;
  Build(mesh, Cube({}), {MaterialOfAlpha(1.0f)});
  const D3DMATERIAL8 none{};
  Device()->SetMaterial(&none);
  ASSERT_TRUE(mesh.LockMeshBuffers(false));
  EXPECT_EQ(mesh.Render(Device(), nullptr, 1, 0, nullptr, nullptr, nullptr, false), S_OK);
  mesh.UnlockMeshBuffers();
  EXPECT_TRUE(Same(LastMaterial(), none));
  mesh.SetReadyForRendering(false);
  EXPECT_EQ(mesh.Render(Device(), nullptr, 1, 0, nullptr, nullptr, nullptr, false), S_OK);
  EXPECT_TRUE(Same(LastMaterial(), none));
}

// ---------------------------------------------------------------------------
// Repair

// A cube whose every face has corners of its own (36 vertices, no normals)
// welds into 8 shared corners and gets unit normals.
TEST_F(DXMeshRenderTest, WeldJoinsSplitCornersAndAddsNormals) {
  std::vector<D3DXVECTOR3> split;
  std::vector<DWORD> faces;
  for (DWORD i = 0; i < kCubeFaces.size(); ++i) {
    split.push_back(kCorners[kCubeFaces[i]]);
    faces.push_back(i);
  }
  ID3DXMesh* xyz = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(12, 36, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, Device(), &xyz), D3D_OK);
  BYTE* v = nullptr;
  BYTE* ix = nullptr;
  ASSERT_EQ(xyz->LockVertexBuffer(0, &v), D3D_OK);
  std::memcpy(v, split.data(), split.size() * sizeof(D3DXVECTOR3));
  xyz->UnlockVertexBuffer();
  ASSERT_EQ(xyz->LockIndexBuffer(0, &ix), D3D_OK);
  for (DWORD i = 0; i < 36; ++i) reinterpret_cast<WORD*>(ix)[i] = static_cast<WORD>(i);
  xyz->UnlockIndexBuffer();

  CDXMesh mesh;
  Build(mesh, xyz, {MaterialOfAlpha(1.0f)});
  mesh.WeldMesh();
  ID3DXMesh* welded = mesh.GetMesh();
  EXPECT_EQ(welded->GetNumVertices(), 8u);
  EXPECT_EQ(welded->GetNumFaces(), 12u);
  ASSERT_EQ(welded->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL));
  for (const MeshVertex& vertex : Vertices(welded)) {
    EXPECT_NEAR(D3DXVec3Length(&vertex.normal), 1.0f, 1e-5f);
    // Each corner's normal points away from the cube's centre.
    const D3DXVECTOR3 out = vertex.position - D3DXVECTOR3(0.5f, 0.5f, 0.5f);
    EXPECT_GT(D3DXVec3Dot(&out, &vertex.normal), 0.0f);
  }
  EXPECT_EQ(mesh.GetAttributeTableSize(), 1u);
  for (DWORD i = 0; i < 36; ++i) EXPECT_NE(mesh.GetAdjacency()[i], D3DX_NO_ADJACENT_FACE);
}

TEST_F(DXMeshRenderTest, ValidAttributesSkipDegenerateFaces) {
  ID3DXMesh* d3dxMesh =
      MakeMesh(Device(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0}, {3, 0, 0}},
               {0, 1, 2, 3, 3, 4, 5, 6, 5}, {4, 5, 6});
  CDXMesh mesh;
  ASSERT_TRUE(mesh.Initialize(const_cast<char*>("faces")));
  mesh.SetDataMembers(d3dxMesh, 0, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr, true);
  DWORD* attributes = nullptr;
  DWORD count = 9;
  ASSERT_TRUE(mesh.CreateValidAttributesArray(attributes, count));
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(attributes[0], 4u);
  delete[] attributes;
}

}  // namespace
