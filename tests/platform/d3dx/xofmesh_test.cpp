// D3DXLoadMeshFromXof: meshes from .x Mesh data objects held in memory.
#include <rmxftmpl.h>
#include <xskinexp.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "test_mesh.h"

namespace {

// The first top-level data object of a .x text.
class XofTest : public DeviceTest {
 protected:
  IDirectXFileData* Load(const std::string& text) {
    m_text = text;
    EXPECT_EQ(DirectXFileCreate(&m_file), DXFILE_OK);
    EXPECT_EQ(m_file->RegisterTemplates(const_cast<BYTE*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES), DXFILE_OK);
    EXPECT_EQ(m_file->RegisterTemplates(const_cast<char*>(XSKINEXP_TEMPLATES),
                                        static_cast<DWORD>(std::strlen(XSKINEXP_TEMPLATES))),
              DXFILE_OK);
    DXFILELOADMEMORY memory{m_text.data(), static_cast<DWORD>(m_text.size())};
    EXPECT_EQ(m_file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &m_enum), DXFILE_OK);
    if (!m_enum) return nullptr;
    EXPECT_EQ(m_enum->GetNextDataObject(&m_data), DXFILE_OK);
    return m_data.get();
  }

  std::string m_text;
  ComRef<IDirectXFile> m_file;
  ComRef<IDirectXFileEnumObject> m_enum;
  ComRef<IDirectXFileData> m_data;
};

std::string Fixture(const char* name) {
  std::ifstream in(std::string(VOREVER_FIXTURES) + "/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(XofTest, TwoMaterialCubeSplitsCornersByNormalAndKeepsMaterials) {
  IDirectXFileData* data = Load(Fixture("mesh_cube_two_materials.x"));
  ASSERT_TRUE(data);
  ComRef<ID3DXBuffer> adjacency, materials;
  ComRef<ID3DXMesh> mesh;
  DWORD count = 0;
  ASSERT_EQ(D3DXLoadMeshFromXof(data, D3DXMESH_SYSTEMMEM, m_device.get(), &adjacency, &materials, &count, &mesh),
            D3D_OK);
  ASSERT_TRUE(mesh);
  EXPECT_EQ(mesh->GetNumFaces(), 12u);
  EXPECT_EQ(mesh->GetNumVertices(), 24u);  // each corner of the cube has three normals
  EXPECT_EQ(mesh->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
  ASSERT_EQ(count, 2u);
  auto* records = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
  EXPECT_FLOAT_EQ(records[0].MatD3D.Diffuse.r, 1.0f);
  EXPECT_FLOAT_EQ(records[1].MatD3D.Diffuse.a, 0.5f);
  EXPECT_EQ(records[0].pTextureFilename, nullptr);
  DWORD* attributes = nullptr;
  ASSERT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes), D3D_OK);
  const DWORD expected[12] = {0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1};
  for (int f = 0; f < 12; ++f) EXPECT_EQ(attributes[f], expected[f]) << f;
  mesh->UnlockAttributeBuffer();
  // A closed cube: every edge has a neighbour across it.
  ASSERT_EQ(adjacency->GetBufferSize(), 36 * sizeof(DWORD));
  const DWORD* links = static_cast<DWORD*>(adjacency->GetBufferPointer());
  for (int i = 0; i < 36; ++i) EXPECT_NE(links[i], D3DX_NO_ADJACENT_FACE) << i;
  EXPECT_EQ(D3DXValidMesh(mesh.get(), links, nullptr), D3D_OK);
}

TEST_F(XofTest, TextureNamesColoursAndTheLastFaceIndexForTheRest) {
  IDirectXFileData* data = Load(R"(xof 0302txt 0032
Mesh quad {
 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;
 2; 3;0,1,2;, 3;0,2,3;;
 MeshVertexColors { 1; 2;1.0;0.0;0.0;1.0;;; }
 MeshMaterialList {
  2; 1; 1;;
  Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
  Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; TextureFilename { "C:\\X\\TOP.TGA"; } }
 }
}
)");
  ASSERT_TRUE(data);
  ComRef<ID3DXBuffer> materials;
  ComRef<ID3DXMesh> mesh;
  DWORD count = 0;
  ASSERT_EQ(D3DXLoadMeshFromXof(data, D3DXMESH_SYSTEMMEM, m_device.get(), nullptr, &materials, &count, &mesh),
            D3D_OK);
  EXPECT_EQ(mesh->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_DIFFUSE));
  ASSERT_EQ(count, 2u);
  auto* records = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
  EXPECT_EQ(records[0].pTextureFilename, nullptr);
  ASSERT_NE(records[1].pTextureFilename, nullptr);
  EXPECT_STREQ(records[1].pTextureFilename, "C:\\\\X\\\\TOP.TGA");
  DWORD* attributes = nullptr;
  ASSERT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes), D3D_OK);
  EXPECT_EQ(attributes[0], 1u);
  EXPECT_EQ(attributes[1], 1u);
  mesh->UnlockAttributeBuffer();
  BYTE* vertices = nullptr;
  ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices), D3D_OK);
  D3DCOLOR colours[4];
  for (int i = 0; i < 4; ++i) std::memcpy(&colours[i], vertices + 16 * i + 12, 4);
  mesh->UnlockVertexBuffer();
  EXPECT_EQ(colours[2], 0xFFFF0000u);
  EXPECT_EQ(colours[0], 0xFFFFFFFFu);
}

TEST_F(XofTest, MeshWithoutFacesGivesNoMeshAndNoError) {
  IDirectXFileData* data = Load("xof 0302txt 0032\nMesh empty { 1; 0;0;0;; 0;; }\n");
  ASSERT_TRUE(data);
  ComRef<ID3DXBuffer> adjacency, materials;
  ComRef<ID3DXMesh> mesh;
  DWORD count = 7;
  EXPECT_EQ(D3DXLoadMeshFromXof(data, D3DXMESH_SYSTEMMEM, m_device.get(), &adjacency, &materials, &count, &mesh),
            D3D_OK);
  EXPECT_FALSE(mesh);
  EXPECT_FALSE(materials);
  EXPECT_EQ(count, 0u);
}

TEST_F(XofTest, DamagedMeshDataIsRefused) {
  const char* cases[] = {
      "xof 0302txt 0032\nMesh bad { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,7;; }\n",  // index past the vertices
      "xof 0302txt 0032\nMesh bad { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }\n",    // a face of two corners
      "xof 0302txt 0032\nMesh bad { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
      "MeshNormals { 1; 0;0;1;; 1; 3;0,0,4;; } }\n",  // normal index past the normals
  };
  for (const char* text : cases) {
    IDirectXFileData* data = Load(text);
    ASSERT_TRUE(data) << text;
    ComRef<ID3DXMesh> mesh;
    EXPECT_EQ(D3DXLoadMeshFromXof(data, D3DXMESH_SYSTEMMEM, m_device.get(), nullptr, nullptr, nullptr, &mesh),
              D3DXERR_INVALIDDATA)
        << text;
    EXPECT_FALSE(mesh);
    m_data.Reset();
    m_enum.Reset();
    m_file.Reset();
  }
}

}  // namespace
