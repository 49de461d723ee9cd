// The frame walks over connectivity meshes: a loaded tree made connectivity
// meshes, reduced towards one target for all its meshes, written back into
// X-file meshes that save and load again; stops, failures and shared meshes.
#include <appoptions.h>
#include <basemesh.h>
#include <dx_doc.h>
#include <dxmesh.h>
#include <geo_mesh.h>
#include <gtest/gtest.h>
#include <xfiletemplates.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "../simplify/reduce_test_support.h"
#include "geo_test_meshes.h"
#include "xfile_test_support.h"

namespace {

using xfile_test::XFileTest;

void WriteMesh(std::ofstream& f, const char* name, const SGeoTestMesh& mesh) {
  f << " Mesh " << name << " {\n  " << mesh.vertices.size() << ";\n";
  for (size_t i = 0; i < mesh.vertices.size(); ++i)
    f << "  " << mesh.vertices[i].x << ";" << mesh.vertices[i].y << ";0.0"
      << (i + 1 < mesh.vertices.size() ? ";,\n" : ";;\n");
  WriteXMeshFaces(f, mesh);
  f << "  MeshMaterialList {\n   1;\n   1;\n   0;;\n"
       "   Material Grey {\n    0.5;0.5;0.5;1.0;;\n    5.0;\n    0.0;0.0;0.0;;\n    0.0;0.0;0.0;;\n   }\n  }\n"
       " }\n";
}

// Frame Ground holds mesh Big; its child frame Stone holds mesh Small and a
// frame Shadow holds Big again by reference.
void WriteScene(const std::string& path) {
  std::ofstream f(path);
  f << "xof 0303txt 0032\nFrame Ground {\n";
  WriteMesh(f, "Big", MakeGridMesh(16, 16));
  f << " Frame Stone {\n  FrameTransformMatrix {\n   1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,"
       "20.0,0.0,0.0,1.0;;\n  }\n";
  WriteMesh(f, "Small", MakeGridMesh(8, 8));
  f << " }\n Frame Shadow {\n  { Big }\n }\n}\n";
}

// Visits the entries of the tree below frame, depth first.
template <class Visit>
void ForEachEntry(CXFileDataObject* frame, Visit&& visit) {
  CChildObjectList& children = frame->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CChildObject* entry = children.GetNext(pos);
    visit(frame, entry);
    if (entry->GetXfileDataObject()->IsAFrame() && !entry->IsReference())
      ForEachEntry(entry->GetXfileDataObject(), visit);
  }
}

struct SGeoCounts {
  int owned = 0, references = 0;
  DWORD triangles = 0;
};

SGeoCounts CountGeoMeshes(CFrame* frame) {
  SGeoCounts counts;
  ForEachEntry(frame, [&](CXFileDataObject*, CChildObject* entry) {
    CXFileDataObject* object = entry->GetXfileDataObject();
    if (!object->IsATemplateGUID(&GUID_BaseMesh) ||
        static_cast<CBaseMesh*>(object)->GetMeshType() != eBaseMeshTypeGeoMesh)
      return;
    if (entry->IsReference()) {
      ++counts.references;
    } else {
      ++counts.owned;
      counts.triangles += ActiveTrianglesCount(*static_cast<CGeoMesh*>(object));
    }
  });
  return counts;
}

class FrameConversionTest : public XFileTest {
 protected:
  void SetUp() override {
    XFileTest::SetUp();
    m_root = NewRoot();
    const std::string path = Temporary("conversion.x");
    WriteScene(path);
    ASSERT_TRUE(Load(path, m_root.get(), m_world));
  }

  // The loaded tree made connectivity meshes, counted on job.
  std::unique_ptr<CFrame> Convert(CDXThread* job) {
    auto geo = std::make_unique<CFrame>();
    EXPECT_TRUE(geo->InitializeShell(m_root.get()));
    EXPECT_TRUE(geo->InitializeConnectivityMeshFrame(m_root.get(), nullptr, m_toGeo, &m_options, job));
    return geo;
  }

  CXFileDataList m_world;
  std::unique_ptr<CFrame> m_root;
  CDataObjectMap m_toGeo;
  REDUCTIONOPTIONS m_options = DefaultReductionOptions(50);
};

TEST_F(FrameConversionTest, ReducesTwoMeshesToOneTargetAndSavesWhatLoadsAgain) {
  CFrameReductionThread job;
  job.SetThreadOutputTrianglesCount(0, 0.0f);
  std::unique_ptr<CFrame> geo = Convert(&job);
  EXPECT_EQ(geo->GetFrameType(), CFrame::eConnectivityMeshFrame);
  const SGeoCounts built = CountGeoMeshes(geo.get());
  EXPECT_EQ(built.owned, 2);
  EXPECT_EQ(built.references, 1);  // Big stays shared
  const DWORD start = 2 * (16 * 16 + 8 * 8);
  ASSERT_EQ(built.triangles, start);
  ASSERT_EQ(job.GetCurrentThreadOutputTrianglesCount(), start);
  job.SetInputTrianglesCount(start);
  // The bounds take in both meshes: Big over 0..16, Small moved to 20..28.
  ASSERT_TRUE(geo->ComputeBoundingObjectsHierarchy(false, false, false));
  EXPECT_EQ(geo->GetBoundingBox()->GetMinFS()->x, 0.0f);
  EXPECT_EQ(geo->GetBoundingBox()->GetMaxFS()->x, 28.0f);
  EXPECT_EQ(geo->GetBoundingBox()->GetMaxFS()->y, 16.0f);

  ASSERT_TRUE(geo->ReduceTrianglesCount(&m_options, &job));
  const DWORD reduced = CountGeoMeshes(geo.get()).triangles;
  EXPECT_GT(reduced, 0u);
  EXPECT_LE(reduced, start / 2);

  auto back = std::make_unique<CFrame>();
  ASSERT_TRUE(back->InitializeShell(geo.get()));
  CDataObjectMap toMesh;
  ASSERT_TRUE(back->InitializeRetainedModeMeshFrame(geo.get(), nullptr, toMesh, Device(), &m_options, nullptr));
  EXPECT_EQ(back->GetFrameType(), CFrame::ePlainFrame);
  const std::string saved = Temporary("reduced.x");
  ASSERT_TRUE(Save(back.get(), saved, DXFILEFORMAT_TEXT));

  std::unique_ptr<CFrame> reloaded = NewRoot();
  CXFileDataList world;
  ASSERT_TRUE(Load(saved, reloaded.get(), world));
  std::vector<std::string> meshes;
  DWORD faces = 0;
  ForEachEntry(reloaded.get(), [&](CXFileDataObject* parent, CChildObject* entry) {
    CXFileDataObject* object = entry->GetXfileDataObject();
    if (!object->IsATemplateGUID(&TID_D3DRMMesh)) return;
    meshes.push_back(std::string(parent->GetName()) + "/" + object->GetName() + (entry->IsReference() ? "&" : ""));
    if (!entry->IsReference()) faces += static_cast<CMesh*>(object)->GetFacesCount();
  });
  EXPECT_EQ(meshes, (std::vector<std::string>{"Ground/Big", "Stone/Small", "Shadow/Big&"}));
  EXPECT_EQ(faces, reduced);
}

// The snapshot in place turns a reduced connectivity frame into Direct3D
// meshes of what the reduction left, the shared mesh still shared.
TEST_F(FrameConversionTest, ASnapshotInPlaceWritesTheReducedConnectivityMeshes) {
  CFrameReductionThread job;
  job.SetThreadOutputTrianglesCount(0, 0.0f);
  std::unique_ptr<CFrame> geo = Convert(&job);
  job.SetInputTrianglesCount(CountGeoMeshes(geo.get()).triangles);
  ASSERT_TRUE(geo->ReduceTrianglesCount(&m_options, &job));
  const DWORD reduced = CountGeoMeshes(geo.get()).triangles;
  ASSERT_GT(reduced, 0u);

  geo->ConvertIntoDXMeshFrameH(Device(), &m_options, nullptr);
  EXPECT_EQ(geo->GetFrameType(), CFrame::eDXMeshFrame);
  EXPECT_EQ(geo->GetActiveTrianglesCount(false), reduced);
  std::vector<std::string> meshes;
  DWORD faces = 0;
  ForEachEntry(geo.get(), [&](CXFileDataObject* parent, CChildObject* entry) {
    CXFileDataObject* object = entry->GetXfileDataObject();
    if (object->IsDeleted() || !object->IsATemplateGUID(&GUID_BaseMesh)) return;
    auto* mesh = static_cast<CBaseMesh*>(object);
    ASSERT_EQ(mesh->GetMeshType(), eBaseMeshTypeDXMesh) << object->GetName();
    meshes.push_back(std::string(parent->GetName()) + "/" + object->GetName() + (entry->IsReference() ? "&" : ""));
    if (!entry->IsReference()) faces += static_cast<CDXMesh*>(object)->GetNumFaces(false);
  });
  // Each snapshot takes the place of its mesh at the end of its frame's list.
  EXPECT_EQ(meshes, (std::vector<std::string>{"Stone/Small", "Shadow/Big&", "Ground/Big"}));
  EXPECT_EQ(faces, reduced);
}

TEST_F(FrameConversionTest, AStoppedJobReducesNothing) {
  std::unique_ptr<CFrame> geo = Convert(nullptr);
  const DWORD start = CountGeoMeshes(geo.get()).triangles;

  struct SFrameReductionDoc : CDXDoc {
    std::atomic<int> result{-1};
    bool ReduceTrianglesCount(CFrame* frame, REDUCTIONOPTIONS* options, CDXThread* thread) override {
      result = frame->ReduceTrianglesCount(options, thread);
      return result == 1;
    }
  } doc;
  ASSERT_TRUE(doc.Initialize());
  doc.SetReductionOptions(m_options);
  // The job waits at its first pause point until it is stopped.
  HANDLE playing = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  g_appOptions.hPlayingEvent = playing;
  g_appOptions.bJobsPaused = true;
  auto job = std::make_unique<CFrameReductionThread>();
  job->m_bAutoDelete = FALSE;
  job->SetUpParameters(&doc, geo.get(), NULL);
  job->SetInputTrianglesCount(start);
  job->SetThreadOutputTrianglesCount(start, 0.0f);
  ASSERT_TRUE(job->CreateThread());
  job->KillThread();
  g_appOptions.bJobsPaused = false;
  g_appOptions.hPlayingEvent = NULL;
  CloseHandle(playing);

  EXPECT_EQ(doc.result, 0);
  EXPECT_EQ(CountGeoMeshes(geo.get()).triangles, start);
}

TEST_F(FrameConversionTest, AFrameWithoutMeshesConvertsAndReducesTrivially) {
  auto empty = std::make_unique<CFrame>();
  empty->Initialize(nullptr, const_cast<char*>("Empty"), CFrame::ePlainFrame, false);
  auto child = std::make_unique<CFrame>();
  child->Initialize(nullptr, const_cast<char*>("Inner"), CFrame::ePlainFrame, false);
  empty->AddChildRenderFrame(eOwnedChild, child.release(), false);

  CFrame geo;
  ASSERT_TRUE(geo.InitializeShell(empty.get()));
  CDataObjectMap map;
  ASSERT_TRUE(geo.InitializeConnectivityMeshFrame(empty.get(), nullptr, map, &m_options, nullptr));
  EXPECT_TRUE(geo.ReduceTrianglesCount(&m_options, nullptr));
  EXPECT_EQ(CountGeoMeshes(&geo).owned, 0);
  bool needs32bit = true;
  EXPECT_TRUE(geo.Contains32bitMeshCheck(needs32bit, nullptr));
  EXPECT_FALSE(needs32bit);
}

// A mesh that two frames hold is reduced through the frame that owns it, once:
// reducing the frame that holds it by reference leaves it as it was.
TEST_F(FrameConversionTest, ASharedMeshIsReducedOnlyThroughItsOwner) {
  CFrameReductionThread job;
  job.SetThreadOutputTrianglesCount(0, 0.0f);
  std::unique_ptr<CFrame> geo = Convert(&job);
  const DWORD start = CountGeoMeshes(geo.get()).triangles;
  job.SetInputTrianglesCount(start);
  CFrame* shadow = nullptr;
  ForEachEntry(geo.get(), [&](CXFileDataObject*, CChildObject* entry) {
    CXFileDataObject* object = entry->GetXfileDataObject();
    if (object->IsAFrame() && std::string(object->GetName()) == "Shadow") shadow = static_cast<CFrame*>(object);
  });
  ASSERT_NE(shadow, nullptr);
  REDUCTIONOPTIONS options = DefaultReductionOptions(100);
  ASSERT_TRUE(shadow->ReduceTrianglesCount(&options, &job));
  EXPECT_EQ(CountGeoMeshes(geo.get()).triangles, start);
  EXPECT_EQ(job.GetCurrentThreadOutputTrianglesCount(), start);
  ASSERT_TRUE(geo->ReduceTrianglesCount(&options, &job));
  EXPECT_LT(CountGeoMeshes(geo.get()).triangles, start);
}

// A mesh whose only triangle lies on a line makes a connectivity mesh
// without vertices. Written back, it gets no copy (the caller keeps its
// source); the other meshes are written.
TEST_F(FrameConversionTest, AMeshWithoutATriangleWithAreaGetsNoCopy) {
  const std::string path = Temporary("line.x");
  {
    std::ofstream f(path);
    f << "xof 0303txt 0032\nFrame Ground {\n";
    WriteMesh(f, "Big", MakeGridMesh(4, 4));
    SGeoTestMesh line;
    for (float x : {0.0f, 1.0f, 2.0f}) line.AddVertex(x, 0.0f, 0.0f);
    line.AddTriangle(0, 1, 2);
    WriteMesh(f, "Line", line);
    f << "}\n";
  }
  std::unique_ptr<CFrame> root = NewRoot();
  CXFileDataList world;
  ASSERT_TRUE(Load(path, root.get(), world));
  CFrame geo;
  ASSERT_TRUE(geo.InitializeShell(root.get()));
  CDataObjectMap toGeo;
  ASSERT_TRUE(geo.InitializeConnectivityMeshFrame(root.get(), nullptr, toGeo, &m_options, nullptr));
  EXPECT_EQ(CountGeoMeshes(&geo).owned, 2);

  CFrame back;
  ASSERT_TRUE(back.InitializeShell(&geo));
  CDataObjectMap toMesh;
  ASSERT_TRUE(back.InitializeRetainedModeMeshFrame(&geo, nullptr, toMesh, Device(), &m_options, nullptr));
  std::vector<std::string> meshes;
  ForEachEntry(&back, [&](CXFileDataObject*, CChildObject* entry) {
    CXFileDataObject* object = entry->GetXfileDataObject();
    if (object->IsATemplateGUID(&TID_D3DRMMesh))
      meshes.push_back(std::string(object->GetName()) + " " +
                       std::to_string(static_cast<CMesh*>(object)->GetFacesCount()));
  });
  EXPECT_EQ(meshes, (std::vector<std::string>{"Big 32"}));
}

// A mesh that cannot be cloned fails the conversion; its half-made copy goes,
// the copies made before it stay.
TEST_F(FrameConversionTest, AMeshThatCannotBeClonedFailsTheConversion) {
  auto* broken = new CMesh;
  ASSERT_TRUE(SUCCEEDED(broken->CXFileDataObject::Initialize(const_cast<char*>("Broken"), &TID_D3DRMMesh, false)));
  m_root->AddChildObject(eOwnedChild, broken, false);

  CFrame geo;
  ASSERT_TRUE(geo.InitializeShell(m_root.get()));
  EXPECT_FALSE(geo.InitializeConnectivityMeshFrame(m_root.get(), nullptr, m_toGeo, &m_options, nullptr));
  CXFileDataObject* copy = nullptr;
  EXPECT_FALSE(m_toGeo.Lookup(broken, copy));
  EXPECT_EQ(CountGeoMeshes(&geo).owned, 2);
}

}  // namespace
