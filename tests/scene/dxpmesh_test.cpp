// Progressive meshes in the scene: generation from a Direct3D mesh, counts
// and measures, the plain and the compliant level setters, and the
// conversion back into a Direct3D mesh.
#include <basemesh.h>
#include <configfile.h>
#include <dxmesh.h>
#include <d3dx8shape.h>
#include <dxpmesh.h>
#include <xfiletemplates.h>

#include <cmath>
#include <memory>
#include <set>

#include "xfile_test_support.h"

namespace {

using namespace xfile_test;

constexpr float kPi = 3.14159265f;

// A unit sphere as a Direct3D mesh with one default material.
std::unique_ptr<CDXMesh> SphereMesh(IDirect3DDevice8* device) {
  auto mesh = std::make_unique<CDXMesh>();
  EXPECT_TRUE(mesh->Initialize(const_cast<char*>("sphere")));
  ID3DXMesh* sphere = nullptr;
  EXPECT_EQ(D3DXCreateSphere(device, 1.0f, 24, 12, &sphere, nullptr), D3D_OK);
  mesh->SetDataMembers(sphere, 0, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr, true);
  EXPECT_TRUE(mesh->MyOptimizeInPlace());
  EXPECT_TRUE(mesh->ComputeBoundingObjects());
  return mesh;
}

CONFIGFILE NoChecks() {
  CONFIGFILE config{};
  config.bAreaCheck = 0;
  config.bVolumeCheck = 0;
  config.fAreaTolerancePercent = 5;
  config.fVolumeTolerancePercent = 5;
  return config;
}

float AreaDeviation(CDXPMesh& pmesh) {
  float area = 0;
  EXPECT_TRUE(pmesh.ComputeSurfaceArea(area, nullptr, false));
  return std::fabs(area - pmesh.GetOriginalMeshSurfaceArea()) * 100 / pmesh.GetOriginalMeshSurfaceArea();
}

class DXPMeshTest : public XFileTest {};

TEST_F(DXPMeshTest, SphereLevelsByPercentAndBackToFull) {
  auto source = SphereMesh(Device());
  const DWORD faces = source->GetNumFaces(false), vertices = source->GetNumVertices(false);
  CDXPMesh pmesh;
  ASSERT_TRUE(pmesh.Initialize(source.get(), nullptr, const_cast<char*>("sphere"), Device(), nullptr, nullptr));
  EXPECT_EQ(pmesh.GetMeshType(), eBaseMeshTypeDXPMesh);
  EXPECT_STREQ(pmesh.GetName(), "sphere");
  EXPECT_TRUE(pmesh.IsReadyForRendering());
  EXPECT_EQ(pmesh.GetMaxFaces(false), faces);
  EXPECT_EQ(pmesh.GetMaxVertices(false), vertices);
  EXPECT_EQ(pmesh.GetNumFaces(false), faces);
  // The references: a little under the sphere's area, the box 2 × 2 × 2.
  EXPECT_NEAR(pmesh.GetOriginalMeshSurfaceArea(), 4 * kPi, 0.3f);
  EXPECT_LT(pmesh.GetOriginalMeshSurfaceArea(), 4 * kPi);
  EXPECT_NEAR(pmesh.GetOriginalBoundingBoxVolume(), 8.0f, 0.1f);
  float volume = 0;
  ASSERT_TRUE(pmesh.ComputeBoundingBoxVolume(volume, nullptr, false));
  EXPECT_FLOAT_EQ(volume, pmesh.GetOriginalBoundingBoxVolume());

  CONFIGFILE config = NoChecks();
  ASSERT_TRUE(pmesh.SetNumFaces(50.0f, &config, false));
  EXPECT_LE(pmesh.GetNumFaces(false), faces / 2);
  EXPECT_GE(pmesh.GetNumFaces(false) + 1, faces / 2);
  ASSERT_TRUE(pmesh.SetNumVertices(50.0f, &config, false));
  EXPECT_EQ(pmesh.GetNumVertices(false), vertices / 2);
  ASSERT_TRUE(pmesh.SetCompliantNumFaces(25.0f, &config, nullptr, false));  // no checks: exactly the target
  EXPECT_LE(pmesh.GetNumFaces(false), faces / 4);
  EXPECT_GE(pmesh.GetNumFaces(false) + 1, faces / 4);
  ASSERT_TRUE(pmesh.SetNumFaces(100.0f, &config, false));
  EXPECT_EQ(pmesh.GetNumFaces(false), faces);
  EXPECT_EQ(pmesh.GetNumVertices(false), vertices);
  EXPECT_NEAR(AreaDeviation(pmesh), 0.0f, 1e-4f);
}

TEST_F(DXPMeshTest, CompliantSetterReachesTheToleranceOrTheMaximum) {
  auto source = SphereMesh(Device());
  CDXPMesh pmesh;
  ASSERT_TRUE(pmesh.Initialize(source.get(), nullptr, nullptr, Device(), nullptr, nullptr));
  const DWORD max = pmesh.GetMaxFaces(false);
  CONFIGFILE config = NoChecks();
  config.bAreaCheck = 1;
  config.fAreaTolerancePercent = 1.0f;
  ASSERT_TRUE(pmesh.SetCompliantNumFaces(3.0f, &config, nullptr, false));
  const DWORD reached = pmesh.GetNumFaces(false);
  EXPECT_GT(reached, max * 3 / 100);
  EXPECT_LE(AreaDeviation(pmesh), 1.0f);
  // One face fewer than reached is out of tolerance.
  pmesh.SetNumFaces(reached - 2, false);
  EXPECT_GT(AreaDeviation(pmesh), 1.0f);

  // The plain setter refuses the reduction and keeps the count it had.
  pmesh.SetNumFaces(max, false);
  ASSERT_TRUE(pmesh.SetNumFaces(3.0f, &config, false));
  EXPECT_EQ(pmesh.GetNumFaces(false), max);

  // A tolerance no level meets ends at the maximum.
  config.fAreaTolerancePercent = -1.0f;
  config.bVolumeCheck = 1;
  ASSERT_TRUE(pmesh.SetCompliantNumFaces(10.0f, &config, nullptr, false));
  EXPECT_EQ(pmesh.GetNumFaces(false), max);
}

// The earlier area-only policy, its tolerance a ratio: down from the current
// count or up from a lower one, it ends within tolerance; one nothing meets
// ends at the full mesh instead of climbing past it.
TEST_F(DXPMeshTest, OldAreaPolicyEndsWithinToleranceFromAboveAndBelow) {
  auto source = SphereMesh(Device());
  CDXPMesh pmesh;
  ASSERT_TRUE(pmesh.Initialize(source.get(), nullptr, nullptr, Device(), nullptr, nullptr));
  const DWORD max = pmesh.GetMaxFaces(false);
  for (DWORD start : {max, max / 100}) {
    pmesh.SetNumFaces(start, false);
    ASSERT_TRUE(pmesh.SetNumFacesOld(3.0f, 0.01f)) << start;
    EXPECT_GT(pmesh.GetNumFaces(false), max * 3 / 100) << start;
    EXPECT_LE(AreaDeviation(pmesh), 1.0f) << start;
  }
  pmesh.SetNumFaces(max / 100, false);
  ASSERT_TRUE(pmesh.SetNumFacesOld(3.0f, -1.0f));
  EXPECT_EQ(pmesh.GetNumFaces(false), max);
}

TEST_F(DXPMeshTest, BackConversionHasTheFacesOfTheLevel) {
  auto source = SphereMesh(Device());
  CDXPMesh pmesh;
  ASSERT_TRUE(pmesh.Initialize(source.get(), nullptr, nullptr, Device(), nullptr, nullptr));
  CONFIGFILE config = NoChecks();
  pmesh.SetNumFaces(30.0f, &config, false);
  const DWORD faces = pmesh.GetNumFaces(false), vertices = pmesh.GetNumVertices(false);
  CDXMesh byParts, byObject;
  ASSERT_TRUE(pmesh.InitializeClone(&byParts, nullptr, Device(), nullptr, nullptr));
  ASSERT_TRUE(byObject.Initialize(&pmesh, nullptr, pmesh.GetName(), Device(), nullptr, nullptr));
  for (CDXMesh* mesh : {&byParts, &byObject}) {
    EXPECT_EQ(mesh->GetNumFaces(false), faces);
    EXPECT_EQ(mesh->GetNumVertices(false), vertices);
    EXPECT_TRUE(mesh->IsReadyForRendering());
    ASSERT_EQ(mesh->GetAttributeTableSize(), 1u);
    EXPECT_EQ(mesh->GetAttributeTable()[0].FaceCount, faces);
    EXPECT_EQ(D3DXValidMesh(mesh->GetMesh(), mesh->GetAdjacency(), nullptr), D3D_OK);
  }
  // A deleted source leaves the target empty and succeeds.
  CDXPMesh gone;
  gone.DeleteContent(false);
  CDXMesh target;
  EXPECT_TRUE(target.Initialize(&gone, nullptr, nullptr, Device(), nullptr, nullptr));
  EXPECT_EQ(target.GetNumFaces(false), 0u);
}

TEST_F(DXPMeshTest, MaterialsAndTextureCoordinatesSurviveEveryLevelOfTheTwoMaterialCube) {
  g_appOptions.bLoadDXMeshes = 1;
  auto root = NewRoot();
  CXFileDataList world;
  ASSERT_TRUE(Load(Fixture("mesh_cube_two_materials.x"), root.get(), world));
  CChildObjectList& children = root->GetChildObjectList();
  CDXMesh* source = nullptr;
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CXFileDataObject* child = children.GetNext(pos)->GetXfileDataObject();
    if (child && child->IsATemplateGUID(&GUID_BaseMesh)) source = static_cast<CDXMesh*>(child);
  }
  ASSERT_NE(source, nullptr);
  CDXPMesh pmesh;
  ASSERT_TRUE(pmesh.Initialize(source, nullptr, source->GetName(), Device(), nullptr, nullptr));
  ASSERT_EQ(pmesh.GetMaterialsCount(), 2u);
  EXPECT_EQ(pmesh.GetMaterialObjectsCount(), 2u);
  EXPECT_FLOAT_EQ(pmesh.GetMaterials()[1].MatD3D.Diffuse.a, 0.5f);
  ID3DXPMesh* p = pmesh.GetPMesh();
  const UINT stride = D3DXGetFVFVertexSize(p->GetFVF());
  ASSERT_TRUE(p->GetFVF() & D3DFVF_TEX1);
  const UINT tex = stride - 8;
  // The texture coordinates of the full level.
  std::set<std::pair<float, float>> original;
  BYTE* data = nullptr;
  ASSERT_EQ(p->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  for (DWORD v = 0; v < p->GetMaxVertices(); ++v) {
    float uv[2];
    std::memcpy(uv, data + v * stride + tex, 8);
    original.insert({uv[0], uv[1]});
  }
  p->UnlockVertexBuffer();
  for (DWORD n = p->GetMaxVertices(); n >= p->GetMinVertices() && n > 0; --n) {
    ASSERT_EQ(pmesh.SetNumVertices(n, false), D3D_OK);
    DWORD size = 0;
    p->GetAttributeTable(nullptr, &size);
    ASSERT_EQ(size, 2u);
    std::vector<D3DXATTRIBUTERANGE> table(size);
    p->GetAttributeTable(table.data(), &size);
    EXPECT_EQ(table[0].AttribId, 0u);
    EXPECT_EQ(table[1].AttribId, 1u);
    EXPECT_GT(table[0].FaceCount, 0u);
    EXPECT_GT(table[1].FaceCount, 0u);
    ASSERT_EQ(p->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    for (DWORD v = 0; v < p->GetNumVertices(); ++v) {
      float uv[2];
      std::memcpy(uv, data + v * stride + tex, 8);
      EXPECT_TRUE(original.count({uv[0], uv[1]})) << v;
    }
    p->UnlockVertexBuffer();
  }
}

}  // namespace
