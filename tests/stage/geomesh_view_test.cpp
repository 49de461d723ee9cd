// A connectivity mesh in a view: its faces, the active-edges overlay, the
// vertex handles and the colour of the faces a reduction made; picking a
// vertex handle of a reduced mesh.
#include <hitframe.h>

#include <functional>
#include <memory>

#include "../simplify/reduce_test_support.h"
#include "stage_test_support.h"

namespace {

D3DMATERIAL8 Glow(float r, float g, float b) {
  D3DMATERIAL8 m{};
  m.Diffuse = {r, g, b, 1};
  m.Emissive = {r, g, b, 1};
  return m;
}

class GeoMeshView : public StageTest {
 protected:
  void SetUp() override {
    StageTest::SetUp();
    m_doc = &m_document;
    m_world.Initialize(&m_document, false);
  }

  // A connectivity-mesh frame in the content holding a grid of unit squares,
  // centred on the origin in the plane z = 0.
  CFrame* AddGrid(DWORD columns, DWORD rows) {
    auto* frame = new CFrame;
    frame->Initialize(nullptr, const_cast<char*>("GridFrame"), CFrame::eConnectivityMeshFrame, false);
    m_geo = new CGeoMesh;
    const SGeoTestMesh mesh = MakeGridMesh(columns, rows);
    ComRef<IDirect3DVertexBuffer8> vb(MakeVertexBuffer(m_device.GetD3DDevice(), mesh));
    EXPECT_TRUE(m_geo->Initialize2(static_cast<DWORD>(mesh.vertices.size()), vb.get(),
                                   static_cast<DWORD>(mesh.indices.size()), mesh.indices.data(), nullptr, 1, nullptr,
                                   nullptr, frame, nullptr, m_device.GetD3DDevice(), nullptr, nullptr));
    frame->AddChildObject(eOwnedChild, m_geo, false);
    return Place(frame, {-0.5f * columns, -0.5f * rows, 0});
  }
  void Reduce(float percent) {
    CFrameReductionThread job;
    SetUpReductionJob(job, *m_geo);
    REDUCTIONOPTIONS options = DefaultReductionOptions(percent);
    options.allowMidpoint = 1;
    ASSERT_TRUE(m_geo->ReduceTrianglesCount(&options, &job));
  }
  // Pixels whose colour is mostly the given channel.
  static int Count(const Picture& picture, int channel) {
    int count = 0;
    for (UINT y = 0; y < picture.height; ++y)
      for (UINT x = 0; x < picture.width; ++x) {
        const auto p = picture.At(x, y);
        count += p[channel] > 150 && p[(channel + 1) % 3] < 90 && p[(channel + 2) % 3] < 90;
      }
    return count;
  }

  CDXDoc m_document;
  CGeoMesh* m_geo = nullptr;
};

TEST_F(GeoMeshView, DrawsItsFacesEdgesHandlesAndNewFaces) {
  AddGrid(4, 4);
  // From the back of the grid, whose faces turn that way.
  CCameraFrame* camera = AddCamera({0, 0, 5}, {0, 0, 0});
  DISPLAYOPTIONS options{};
  options.activeEdgesMaterial = Glow(1, 0, 0);
  options.activeVerticesMaterial = Glow(0, 1, 0);
  options.newFacesMaterial = Glow(0, 0, 1);
  m_document.SetDisplayOptions(options);

  Picture plain;
  DrawView(camera, plain, D3DCOLOR_XRGB(0, 0, 0));
  const auto middle = plain.At(kWidth / 2, kHeight / 2);
  EXPECT_GT(middle[0] + middle[1] + middle[2], 60) << "the faces are drawn";
  EXPECT_EQ(Count(plain, 0) + Count(plain, 1) + Count(plain, 2), 0);

  struct Case {
    const char* what;
    std::function<void(DISPLAYOPTIONS&)> set;
    int channel;
  } cases[] = {
      {"active edges", [](DISPLAYOPTIONS& o) { o.showActiveEdges = 1; }, 0},
      {"vertex handles", [](DISPLAYOPTIONS& o) { o.showActiveVertices = 1; }, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DISPLAYOPTIONS shown = options;
    c.set(shown);
    m_document.SetDisplayOptions(shown);
    Picture picture;
    DrawView(camera, picture, D3DCOLOR_XRGB(0, 0, 0));
    EXPECT_GT(Count(picture, c.channel), 10);
  }

  // Reduced with midpoints: the new faces in their colour.
  Reduce(50);
  options.colorNewFaces = 1;
  m_document.SetDisplayOptions(options);
  Picture reduced;
  DrawView(camera, reduced, D3DCOLOR_XRGB(0, 0, 0));
  EXPECT_GT(Count(reduced, 2), 10);
  // The device's states are back after the overlay.
  DWORD fill = 0;
  m_device.GetD3DDevice()->GetRenderState(D3DRS_FILLMODE, &fill);
  EXPECT_EQ(fill, static_cast<DWORD>(D3DFILL_SOLID));
}

TEST_F(GeoMeshView, AVertexHandlePickOnAReducedMeshGivesTheVertex) {
  CFrame* frame = AddGrid(4, 4);
  Reduce(50);
  CCameraFrame* camera = AddCamera({0, 0, 5}, {0, 0, 0});
  DISPLAYOPTIONS options{};
  options.vertexHandlePickMode = 3;
  m_document.SetDisplayOptions(options);
  // An active vertex of the reduced mesh, in world space.
  CGeoVertex* target = nullptr;
  CGeoVertexArray* vertices = m_geo->GetGeoVertexArray();
  for (DWORD i = 0; i < vertices->GetCurrentVerticesCount() && !target; ++i) {
    CGeoVertex* v = vertices->GetAt(i);
    if (!v->IsDisabled() && m_geo->GetOriginalHandleVertex(v->GetVertexHandleIndex()) == v) target = v;
  }
  ASSERT_NE(target, nullptr);
  D3DXMATRIX cameraWorld = camera->ComputeWorldTransform(false);
  const D3DXMATRIX view = camera->ComputeViewTransform(&cameraWorld, false);
  D3DXMATRIX frameWorld = frame->ComputeWorldTransform(false);
  D3DXVECTOR3 atVS;
  const D3DXMATRIX toView = frameWorld * view;
  D3DXVec3TransformCoord(&atVS, target->GetPosition(), &toView);

  // The first pick selects the mesh frame; the next one, through the
  // vertex, picks the vertex and hangs the red sphere on it.
  EXPECT_GT(m_world.CreateHitList(camera, &atVS, true), 0u);
  ASSERT_EQ(m_world.GetSelectedFrame(), frame);
  m_world.CreateHitList(camera, &atVS, true);
  EXPECT_EQ(m_world.GetSelectedVertex(), target);
  EXPECT_EQ(m_document.GetReductionOptions().selectedVertex, target);
  ASSERT_NE(frame->GetDynamicObjectsRootFrame(), nullptr);
  POSITION pos = frame->GetDynamicObjectsRootFrame()->GetChildHeadPosition();
  CFrame* sphere = frame->GetDynamicObjectsRootFrame()->GetNextFrame(pos, false, false);
  ASSERT_NE(sphere, nullptr);
  EXPECT_EQ(sphere->GetFrameType(), CFrame::eVertexHandleFrame);

  // With picking of vertices off, no vertex is hit.
  options.vertexHandlePickMode = 0;
  m_document.SetDisplayOptions(options);
  EXPECT_GT(m_world.CreateHitList(camera, &atVS, true), 0u);
  for (const auto& [key, hit] : m_world.GetHitMap()) EXPECT_EQ(hit->GetVertex(), nullptr) << key;
  m_world.UnselectSelectedFrame();
}

}  // namespace
