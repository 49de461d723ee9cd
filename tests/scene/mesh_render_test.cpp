// Drawing an X-file mesh under a document's settings and display options.
#include <dx_doc.h>

#include <cstring>

#include "mesh_test_support.h"

namespace {

class MeshRenderTest : public MeshDeviceTest {
 protected:
  DWORD State(D3DRENDERSTATETYPE state) {
    DWORD value = 0;
    Device()->GetRenderState(state, &value);
    return value;
  }
};

TEST_F(MeshRenderTest, SettingsChooseShadingAndFilling) {
  struct Case {
    DWORD shadeWord, fillWord;
    DWORD shadeBefore, fillBefore;
    DWORD shadeAfter, fillAfter;
  } cases[] = {
      {0, 0, D3DSHADE_FLAT, D3DFILL_WIREFRAME, D3DSHADE_GOURAUD, D3DFILL_SOLID},
      {1, 1, D3DSHADE_GOURAUD, D3DFILL_SOLID, D3DSHADE_FLAT, D3DFILL_WIREFRAME},
      {1, 0, D3DSHADE_FLAT, D3DFILL_SOLID, D3DSHADE_FLAT, D3DFILL_SOLID},
      // Words other than 0 and 1 leave the device as it is.
      {2, 7, D3DSHADE_FLAT, D3DFILL_WIREFRAME, D3DSHADE_FLAT, D3DFILL_WIREFRAME},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "shade " << c.shadeWord << ", fill " << c.fillWord);
    CDXDoc doc;
    doc.GetConfigFile()->dwShadeMode = c.shadeWord;
    doc.GetConfigFile()->dwFillMode = c.fillWord;
    Device()->SetRenderState(D3DRS_SHADEMODE, c.shadeBefore);
    Device()->SetRenderState(D3DRS_FILLMODE, c.fillBefore);
    doc.SetDeviceFillingShading(Device());
    EXPECT_EQ(State(D3DRS_SHADEMODE), c.shadeAfter);
    EXPECT_EQ(State(D3DRS_FILLMODE), c.fillAfter);
  }
}

TEST_F(MeshRenderTest, GroupsDrawUnderTheDocumentAndItsActiveEdges) {
  XFileObjects objects(ReadFixture("mesh_cube_two_materials.x"));
  ASSERT_EQ(objects.size(), 1u);
  CMesh mesh;
  ASSERT_TRUE(LoadMeshTree(mesh, objects[0]));
  ASSERT_TRUE(PrepareMesh(mesh));
  CMeshVerticesGroup& red = mesh.GetMeshVerticesGroup()[0];
  ASSERT_TRUE(red.IsOpaque());

  CDXDoc doc;
  doc.GetConfigFile()->dwShadeMode = 1;
  DISPLAYOPTIONS options{};
  options.activeEdgesMaterial.Diffuse = {0.f, 0.f, 1.f, 1.f};
  doc.SetDisplayOptions(options);

  D3DMATERIAL8 drawn{};
  ASSERT_EQ(mesh.Render(Device(), 1, 0, &doc), S_OK);
  EXPECT_EQ(State(D3DRS_SHADEMODE), D3DSHADE_FLAT);
  Device()->GetMaterial(&drawn);
  EXPECT_EQ(std::memcmp(&drawn, red.GetD3DMaterial(), sizeof drawn), 0) << "no edges without the display option";

  options.showActiveEdges = 1;
  doc.SetDisplayOptions(options);
  ASSERT_EQ(mesh.Render(Device(), 1, 0, &doc), S_OK);
  Device()->GetMaterial(&drawn);
  EXPECT_EQ(std::memcmp(&drawn, &options.activeEdgesMaterial, sizeof drawn), 0) << "edges drawn over the group";

  // In wireframe the edge overlay is left out.
  doc.GetConfigFile()->dwFillMode = 1;
  ASSERT_EQ(mesh.Render(Device(), 1, 0, &doc), S_OK);
  EXPECT_EQ(State(D3DRS_FILLMODE), D3DFILL_WIREFRAME);
  Device()->GetMaterial(&drawn);
  EXPECT_EQ(std::memcmp(&drawn, red.GetD3DMaterial(), sizeof drawn), 0);
}

}  // namespace
