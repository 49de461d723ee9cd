#include <appoptions.h>
#include <frame.h>
#include <gtest/gtest.h>
#include <mesh.h>
#include <rmxfguid.h>

#include "frame_test_io.h"
#include "other_readers.h"
#include "math_expect.h"
#include "mesh_test_support.h"
#include "temp_folder.h"

namespace {

using frame_test::ObjectList;
using math_expect::Near;

D3DXMATRIX Transform(float angle, float x, float y, float z) {
  D3DXMATRIX turn, move;
  D3DXMatrixRotationY(&turn, angle);
  D3DXMatrixTranslation(&move, x, y, z);
  return turn * move;
}

CFrame* AddFrame(CFrame* parent, const char* name, D3DXMATRIX local) {
  auto* frame = new CFrame;
  EXPECT_EQ(frame->Initialize(&local, const_cast<char*>(name), CFrame::ePlainFrame, false), S_OK);
  if (parent) parent->AddChildObject(eOwnedChild, frame, false);
  return frame;
}

// Names, transforms, meshes and child frames, depth first.
std::string Describe(CFrame* frame) {
  D3DXMATRIX m = frame->GetTransformMatrix(false);
  std::string text = std::string(frame->GetName()) + "[";
  for (int i = 0; i < 16; ++i) text += std::to_string(m.m[i / 4][i % 4]) + " ";
  POSITION pos = frame->GetChildHeadPosition();
  while (auto* mesh = static_cast<CMesh*>(frame->GetNextMesh(pos, false, false)))
    text += std::string(" mesh ") + mesh->GetName() + " " + std::to_string(mesh->GetVerticesCount()) + "/" +
            std::to_string(mesh->GetFacesCount());
  pos = frame->GetChildHeadPosition();
  while (CFrame* child = frame->GetNextFrame(pos, false, false)) text += Describe(child);
  return text + "]";
}

class FrameFileTest : public MeshDeviceTest {
 protected:
  TempFolder m_folder;
};

TEST_F(FrameFileTest, AFrameTreeWithAMeshSavesAndReloadsTheSameInEveryFormat) {
  bool read = false;
  frame_test::ObjectList meshes = frame_test::ReadObjects(
      "xof 0303txt 0032\nMesh Tri { 4; 0;0;0;, 1;0;0;, 0;1;0;, 0;0;1;; "
      "2; 3;0,1,2;, 3;0,2,3;; }\n",
      &read);
  ASSERT_TRUE(read);
  ASSERT_EQ(meshes.size(), 1u);
  std::unique_ptr<CFrame> body(AddFrame(nullptr, "Body", Transform(0.25f, 1, 2, 3)));
  CFrame* arm = AddFrame(body.get(), "Arm", Transform(-1.5f, 0, 4, 0));
  arm->AddChildObject(eOwnedChild, meshes[0].release(), false);
  AddFrame(arm, "Hand", Transform(0.75f, 0, 0, 2));
  AddFrame(body.get(), "Leg", Transform(0, 0, -4, 0));
  const std::string expected = Describe(body.get());
  ASSERT_NE(expected.find("mesh Tri 4/2"), std::string::npos);

  for (DXFILEFORMAT format : {DXFILEFORMAT_TEXT, DXFILEFORMAT_BINARY, DXFILEFORMAT_COMPRESSED}) {
    std::string path = m_folder.Path("frame_tree.x");
    ASSERT_TRUE(frame_test::WriteObjects(path, {body.get()}, format));
    if (format & DXFILEFORMAT_COMPRESSED) other_readers::ExpectAssimpReads(path);
    bool ok = false;
    ObjectList objects = frame_test::ReadFile(path, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(objects.size(), 1u);
    ASSERT_TRUE(objects[0]->IsAFrame());
    auto* reloaded = static_cast<CFrame*>(objects[0].get());
    EXPECT_EQ(Describe(reloaded), expected) << format;
    EXPECT_TRUE(reloaded->IsReadyForRendering());
    ASSERT_NE(reloaded->GetBoundingBox(), nullptr);
    EXPECT_TRUE(reloaded->GetBoundingBox()->IsZeroSizeBox());
  }
}

TEST_F(FrameFileTest, TextSavesWriteNamesAsIdentifiers) {
  const DWORD format = g_appOptions.dwXFileFormat;
  struct {
    DWORD format;
    const char* saved;
  } cases[] = {{0, "2 arms"}, {1, "_2_arms"}};
  for (const auto& c : cases) {
    g_appOptions.dwXFileFormat = c.format;
    std::unique_ptr<CFrame> frame(AddFrame(nullptr, "2 arms", Transform(0, 0, 0, 0)));
    std::string path = m_folder.Path("frame_name.x");
    ASSERT_TRUE(frame_test::WriteObjects(path, {frame.get()}, DXFILEFORMAT_BINARY));
    bool ok = false;
    ObjectList objects = frame_test::ReadFile(path, &ok);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_STREQ(objects[0]->GetName(), c.saved);
  }
  g_appOptions.dwXFileFormat = format;
}

}  // namespace
