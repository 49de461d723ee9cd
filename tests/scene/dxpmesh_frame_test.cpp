// Frames of progressive meshes: the progressive-mesh frame built beside a
// source, the level of detail of a frame, the copy into Direct3D meshes and
// the conversions in place.
#include <basemesh.h>
#include <configfile.h>
#include <d3dx8shape.h>
#include <dxmesh.h>
#include <dxpmesh.h>
#include <dxpmeshframe.h>
#include <xfiletemplates.h>

#include <memory>

#include "xfile_test_support.h"

namespace {

using namespace xfile_test;

// The meshes of one kind that frame owns directly, live ones only.
template <class Mesh>
std::vector<Mesh*> MeshesOf(CFrame* frame, EBaseMeshType kind) {
  std::vector<Mesh*> out;
  CChildObjectList& children = frame->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CChildObject* entry = children.GetNext(pos);
    CXFileDataObject* child = entry->GetXfileDataObject();
    if (child && !child->IsDeleted() && child->IsATemplateGUID(&GUID_BaseMesh) &&
        static_cast<CBaseMesh*>(child)->GetMeshType() == kind)
      out.push_back(static_cast<Mesh*>(child));
  }
  return out;
}

class DXPMeshFrameTest : public XFileTest {
 protected:
  // A frame owning a unit sphere as a Direct3D mesh.
  std::unique_ptr<CFrame> SphereFrame() {
    auto root = NewRoot();
    auto* mesh = new CDXMesh;
    EXPECT_TRUE(mesh->Initialize(const_cast<char*>("sphere")));
    ID3DXMesh* sphere = nullptr;
    EXPECT_EQ(D3DXCreateSphere(Device(), 1.0f, 16, 8, &sphere, nullptr), D3D_OK);
    mesh->SetDataMembers(sphere, 0, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr, true);
    EXPECT_TRUE(mesh->MyOptimizeInPlace());
    EXPECT_TRUE(mesh->ComputeBoundingObjects());
    root->AddChildObject(eOwnedChild, mesh, false);
    return root;
  }
};

TEST_F(DXPMeshFrameTest, ProgressiveFrameLevelsAndSnapshot) {
  auto source = SphereFrame();
  const DWORD faces = MeshesOf<CDXMesh>(source.get(), eBaseMeshTypeDXMesh)[0]->GetNumFaces(false);
  CDXPMeshFrame frame;
  ASSERT_TRUE(frame.InitializeShell(source.get()));
  EXPECT_EQ(frame.GetFrameType(), CFrame::eDXPMeshFrame);
  CDataObjectMap map;
  DWORD vertices = 0, triangles = 0;
  ASSERT_TRUE(frame.InitializeProgressiveMeshFrame(source.get(), map, vertices, triangles, Device(), nullptr, nullptr));
  EXPECT_EQ(triangles, faces);
  EXPECT_EQ(frame.GetMaxTrianglesCount(false), faces);
  const auto pmeshes = MeshesOf<CDXPMesh>(&frame, eBaseMeshTypeDXPMesh);
  ASSERT_EQ(pmeshes.size(), 1u);

  CONFIGFILE config{};
  DWORD v = 0, f = 0;
  ASSERT_TRUE(frame.CFrame::SetNumFaces(50.0f, v, f, &config, true, nullptr, nullptr, false));
  EXPECT_EQ(f, pmeshes[0]->GetNumFaces(false));
  EXPECT_LE(f, faces / 2);
  EXPECT_EQ(frame.GetActiveTrianglesCount(false), f);
  ASSERT_TRUE(frame.SetNumVertices(25.0f, v, f, &config, false));
  EXPECT_EQ(v, pmeshes[0]->GetMaxVertices(false) / 4);

  // The snapshot has the faces of the level.
  CFrame snapshot;
  ASSERT_TRUE(snapshot.InitializeShell(&frame));
  CDataObjectMap toMesh;
  DWORD sv = 0, sf = 0;
  ASSERT_TRUE(snapshot.InitializeDXMeshFrame(&frame, toMesh, sv, sf, Device(), nullptr, nullptr));
  EXPECT_EQ(snapshot.GetFrameType(), CFrame::eDXMeshFrame);
  EXPECT_EQ(sf, f);
  const auto meshes = MeshesOf<CDXMesh>(&snapshot, eBaseMeshTypeDXMesh);
  ASSERT_EQ(meshes.size(), 1u);
  EXPECT_EQ(meshes[0]->GetNumFaces(false), f);
}

TEST_F(DXPMeshFrameTest, ConversionsInPlaceSwapTheMeshKinds) {
  auto frame = SphereFrame();
  const DWORD faces = MeshesOf<CDXMesh>(frame.get(), eBaseMeshTypeDXMesh)[0]->GetNumFaces(false);
  frame->ConvertIntoPMeshFrameH(Device(), nullptr, nullptr);
  EXPECT_EQ(frame->GetFrameType(), CFrame::eDXPMeshFrame);
  EXPECT_TRUE(MeshesOf<CDXMesh>(frame.get(), eBaseMeshTypeDXMesh).empty());
  const auto pmeshes = MeshesOf<CDXPMesh>(frame.get(), eBaseMeshTypeDXPMesh);
  ASSERT_EQ(pmeshes.size(), 1u);
  EXPECT_EQ(frame->GetMaxTrianglesCount(false), faces);
  ASSERT_EQ(pmeshes[0]->SetNumFaces(faces / 3, false), D3D_OK);
  const DWORD level = pmeshes[0]->GetNumFaces(false);

  frame->ConvertIntoDXMeshFrameH(Device(), nullptr, nullptr);
  EXPECT_EQ(frame->GetFrameType(), CFrame::eDXMeshFrame);
  EXPECT_TRUE(MeshesOf<CDXPMesh>(frame.get(), eBaseMeshTypeDXPMesh).empty());
  const auto meshes = MeshesOf<CDXMesh>(frame.get(), eBaseMeshTypeDXMesh);
  ASSERT_EQ(meshes.size(), 1u);
  EXPECT_EQ(meshes[0]->GetNumFaces(false), level);
  EXPECT_EQ(frame->GetActiveTrianglesCount(false), level);
}

}  // namespace
