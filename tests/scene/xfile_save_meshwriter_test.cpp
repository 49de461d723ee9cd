// The writer of D3DX meshes: which parts each vertex format gives, their
// content, material names, duplicated vertices, refusals, and a written
// mesh that the loader reads back.
#include <d3dx8mesh.h>
#include <dxcrackfvf.h>
#include <dxmeshwriter.h>
#include <xfiletemplates.h>

#include <cstring>

#include "other_readers.h"
#include "xfile_test_support.h"

using namespace xfile_test;

namespace {

// A unit square of two triangles, vertex i at (i & 1, i >> 1, 0), in the
// given format; every other component filled with distinct values. The
// caller holds the reference.
ID3DXMesh* MakeSquare(IDirect3DDevice8* device, DWORD fvf, DWORD options = D3DXMESH_SYSTEMMEM) {
  ID3DXMesh* mesh = nullptr;
  EXPECT_EQ(D3DXCreateMeshFVF(2, 4, options, fvf, device, &mesh), D3D_OK);
  if (!mesh || (options & D3DXMESH_WRITEONLY)) return mesh;
  const DXCrackFVF layout(fvf);
  BYTE* vertices = nullptr;
  EXPECT_EQ(mesh->LockVertexBuffer(0, &vertices), D3D_OK);
  for (DWORD i = 0; i < 4; ++i) {
    BYTE* vertex = layout.GetVertex(vertices, i);
    for (DWORD k = 0; k < layout.m_dwStride / 4; ++k) {
      const float value = 100.0f * i + k;
      std::memcpy(vertex + 4 * k, &value, 4);
    }
    const float position[3] = {static_cast<float>(i & 1), static_cast<float>(i >> 1), 0.0f};
    std::memcpy(vertex, position, sizeof position);
    if (layout.HasDiffuse()) {
      const DWORD colour = 0x80FF0000 | i;
      std::memcpy(vertex + layout.m_dwDiffuseOffset, &colour, 4);
    }
  }
  mesh->UnlockVertexBuffer();
  BYTE* indices = nullptr;
  EXPECT_EQ(mesh->LockIndexBuffer(0, &indices), D3D_OK);
  const WORD square[6] = {0, 1, 2, 2, 1, 3};
  std::memcpy(indices, square, sizeof square);
  mesh->UnlockIndexBuffer();
  DWORD* attributes = nullptr;
  EXPECT_EQ(mesh->LockAttributeBuffer(0, &attributes), D3D_OK);
  attributes[0] = 0;
  attributes[1] = 1;
  mesh->UnlockAttributeBuffer();
  return mesh;
}

const char* TemplateName(const GUID& type) {
  static const std::pair<const GUID*, const char*> kNames[] = {
      {&TID_D3DRMMesh, "Mesh"},
      {&TID_D3DRMMeshNormals, "MeshNormals"},
      {&TID_D3DRMMeshTextureCoords, "MeshTextureCoords"},
      {&TID_D3DRMMeshVertexColors, "MeshVertexColors"},
      {&TID_D3DRMMeshMaterialList, "MeshMaterialList"},
      {&TID_D3DRMMaterial, "Material"},
      {&TID_D3DRMTextureFilename, "TextureFilename"},
      {&DXFILEOBJ_VertexDuplicationIndices, "VertexDuplicationIndices"},
      {&DXFILEOBJ_FVFData, "FVFData"},
      {&DXFILEOBJ_PMInfo, "PMInfo"},
  };
  for (const auto& [guid, name] : kNames)
    if (*guid == type) return name;
  return "other";
}

// A written data object read back: its template, name, block (a texture
// name as text) and children.
struct SWritten {
  std::string type, name, text;
  std::vector<BYTE> block;
  std::vector<SWritten> children;
};

SWritten ReadWritten(IDirectXFileData* data) {
  SWritten written;
  const GUID* type = nullptr;
  data->GetType(&type);
  written.type = TemplateName(*type);
  DWORD length = 0;
  data->GetName(nullptr, &length);
  written.name.resize(length);
  if (length) data->GetName(written.name.data(), &length);
  written.name = written.name.c_str();
  written.block = BlockOf(data);
  if (*type == TID_D3DRMTextureFilename) written.text = *reinterpret_cast<const char* const*>(written.block.data());
  IDirectXFileObject* child = nullptr;
  while (SUCCEEDED(data->GetNextObject(&child))) {
    IDirectXFileData* nested = nullptr;
    if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&nested)))) {
      written.children.push_back(ReadWritten(nested));
      nested->Release();
    }
    child->Release();
  }
  return written;
}

// The first top-level object of a file.
SWritten ReadFile(const std::string& path) {
  std::vector<SWritten> objects;
  ForEachTopLevelObject(path, [&](IDirectXFileData* data) { objects.push_back(ReadWritten(data)); });
  return objects.empty() ? SWritten{} : objects.front();
}

std::vector<std::string> ChildTypes(const SWritten& written) {
  std::vector<std::string> types;
  for (const SWritten& child : written.children) types.push_back(child.type);
  return types;
}

template <class T>
T At(const std::vector<BYTE>& block, size_t offset) {
  T value;
  std::memcpy(&value, block.data() + offset, sizeof(T));
  return value;
}

D3DXMATERIAL Material(float red, char* texture = nullptr) {
  D3DXMATERIAL material{};
  material.MatD3D.Diffuse = {red, 0.5f, 0.25f, 1.0f};
  material.MatD3D.Power = 8.0f;
  material.pTextureFilename = texture;
  return material;
}

using MeshWriterTest = XFileTest;

TEST_F(MeshWriterTest, EachVertexFormatGivesItsParts) {
  struct {
    DWORD fvf;
    std::vector<std::string> parts;
    DWORD restFormat;  // of FVFData, 0 without
    DWORD restOffset;  // where the first value of the rest lies in a vertex
  } cases[] = {
      {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, {"MeshNormals", "MeshTextureCoords"}, 0, 0},
      {D3DFVF_XYZ | D3DFVF_DIFFUSE, {"MeshVertexColors"}, 0, 0},
      {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2, {"MeshNormals", "MeshTextureCoords", "FVFData"},
       D3DFVF_XYZ | D3DFVF_TEX1, 32},
      {D3DFVF_XYZ | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0), {"FVFData"}, D3DFVF_XYZ | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0),
       12},
      {D3DFVF_XYZ | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE1(1), {"MeshTextureCoords", "FVFData"},
       D3DFVF_XYZ | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE1(0), 20},
      {D3DFVF_XYZB1 | D3DFVF_NORMAL | D3DFVF_SPECULAR, {"MeshNormals", "FVFData"}, D3DFVF_XYZB1 | D3DFVF_SPECULAR, 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fvf);
    ComRef<ID3DXMesh> mesh(MakeSquare(Device(), c.fvf));
    const std::string path = Temporary("format.x");
    ASSERT_EQ(D3DXSaveDXMeshToXEx(path.c_str(), mesh.get(), nullptr, nullptr, 0, DXFILEFORMAT_TEXT, nullptr, 0), S_OK);
    const SWritten written = ReadFile(path);
    EXPECT_EQ(written.type, "Mesh");
    EXPECT_EQ(ChildTypes(written), c.parts);
    if (c.restFormat == 0) continue;
    const std::vector<BYTE>& rest = written.children.back().block;
    EXPECT_EQ(At<DWORD>(rest, 0), c.restFormat);
    const DWORD perVertex = (DXCrackFVF(c.restFormat).m_dwStride - 12) / 4;
    ASSERT_EQ(At<DWORD>(rest, 4), 4 * perVertex);
    // MakeSquare fills float k of vertex i with 100 i + k.
    EXPECT_FLOAT_EQ(At<float>(rest, 8 + 3 * 4 * perVertex), 300.0f + c.restOffset / 4);
  }
}

TEST_F(MeshWriterTest, PartsHoldTheVertexValues) {
  ComRef<ID3DXMesh> mesh(MakeSquare(Device(), D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1));
  const std::string path = Temporary("values.x");
  ASSERT_EQ(D3DXSaveDXMeshToXEx(path.c_str(), mesh.get(), nullptr, nullptr, 0, DXFILEFORMAT_BINARY, nullptr, 0), S_OK);
  const SWritten written = ReadFile(path);
  ASSERT_EQ(ChildTypes(written), (std::vector<std::string>{"MeshNormals", "MeshTextureCoords", "MeshVertexColors"}));
  // Mesh: 4 positions, then 2 faces of 3 corners.
  EXPECT_EQ(At<DWORD>(written.block, 0), 4u);
  EXPECT_FLOAT_EQ(At<float>(written.block, 4 + 12 * 3 + 4), 1.0f);  // y of vertex 3
  EXPECT_EQ(At<DWORD>(written.block, 52), 2u);
  EXPECT_EQ(At<DWORD>(written.block, 56 + 16), 3u);
  EXPECT_EQ(At<DWORD>(written.block, 56 + 16 + 12), 3u);  // last corner of face 1
  // Normals: vertex i's normal is (100i + 3, 100i + 4, 100i + 5).
  EXPECT_FLOAT_EQ(At<float>(written.children[0].block, 4 + 12 * 2), 203.0f);
  // Texture coordinates follow normal and colour: floats 7 and 8.
  EXPECT_FLOAT_EQ(At<float>(written.children[1].block, 4 + 8 * 1), 107.0f);
  // Colour 0x80FF0000 | i: red 1, green 0, blue i/255, alpha 128/255.
  const std::vector<BYTE>& colours = written.children[2].block;
  EXPECT_EQ(At<DWORD>(colours, 4 + 20 * 2), 2u);
  EXPECT_FLOAT_EQ(At<float>(colours, 4 + 20 * 2 + 4), 1.0f);
  EXPECT_FLOAT_EQ(At<float>(colours, 4 + 20 * 2 + 8), 0.0f);
  EXPECT_FLOAT_EQ(At<float>(colours, 4 + 20 * 2 + 12), 2.0f * (1.0f / 255.0f));
  EXPECT_FLOAT_EQ(At<float>(colours, 4 + 20 * 2 + 16), 128.0f * (1.0f / 255.0f));
}

TEST_F(MeshWriterTest, MaterialsAreNamedOnlyWhenEveryOneHasItsObject) {
  ComRef<ID3DXMesh> mesh(MakeSquare(Device(), D3DFVF_XYZ));
  D3DXMATERIAL materials[3] = {Material(0.1f), Material(0.2f, const_cast<char*>("maps\\wood.png")), Material(0.3f)};
  CMaterial objects[3];
  const char* names[3] = {"Oak", "Pine tree", "Ash"};
  for (int i = 0; i < 3; ++i) objects[i].SetName(const_cast<char*>(names[i]), false);
  for (int given : {3, 2}) {
    SCOPED_TRACE(given);
    CMaterialArray array;
    for (int i = 0; i < given; ++i) array.Add(&objects[i]);

    IDirectXFile* file = nullptr;
    ASSERT_EQ(DirectXFileCreate(&file), DXFILE_OK);
    ASSERT_EQ(RegisterXFileTemplates(file), DXFILE_OK);
    const std::string path = Temporary("materials.x");
    IDirectXFileSaveObject* saveObject = nullptr;
    ASSERT_EQ(file->CreateSaveObject(path.c_str(), DXFILEFORMAT_TEXT, &saveObject), DXFILE_OK);
    IDirectXFileData* data = nullptr;
    ASSERT_EQ(D3DXSaveDXMeshToXof2(saveObject, mesh.get(), nullptr, materials, 3, DXFILEFORMAT_TEXT, &data, &array,
                                   "Square"),
              S_OK);
    ASSERT_EQ(saveObject->SaveData(data), DXFILE_OK);
    data->Release();
    saveObject->Release();
    file->Release();

    const SWritten written = ReadFile(path);
    EXPECT_EQ(written.name, "Square");
    ASSERT_EQ(ChildTypes(written), (std::vector<std::string>{"MeshMaterialList"}));
    const SWritten& list = written.children[0];
    EXPECT_EQ(At<DWORD>(list.block, 0), 3u);
    EXPECT_EQ(At<DWORD>(list.block, 12), 1u);  // the attribute of face 1
    ASSERT_EQ(list.children.size(), 3u);
    const std::vector<std::string> expected =
        given == 3 ? std::vector<std::string>{"Oak", "Pine_tree", "Ash"} : std::vector<std::string>{"", "", ""};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(list.children[i].name, expected[i]);
    EXPECT_FLOAT_EQ(At<float>(list.children[1].block, 0), 0.2f);
    ASSERT_EQ(ChildTypes(list.children[1]), (std::vector<std::string>{"TextureFilename"}));
    EXPECT_EQ(list.children[1].children[0].text, "maps\\wood.png");
  }
}

TEST_F(MeshWriterTest, DuplicatedVerticesAreWrittenOnlyWhenThereAreAny) {
  for (bool coincide : {false, true}) {
    SCOPED_TRACE(coincide);
    // Split: face 1 gets copies of vertices 1 and 2 of its own, at the same
    // places, which adjacency made by position finds the same.
    ComRef<ID3DXMesh> mesh;
    if (coincide) {
      ASSERT_EQ(D3DXCreateMeshFVF(2, 6, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, Device(), &mesh), D3D_OK);
      BYTE* vertices = nullptr;
      ASSERT_EQ(mesh->LockVertexBuffer(0, &vertices), D3D_OK);
      const float positions[6][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}};
      std::memcpy(vertices, positions, sizeof positions);
      mesh->UnlockVertexBuffer();
      BYTE* indices = nullptr;
      ASSERT_EQ(mesh->LockIndexBuffer(0, &indices), D3D_OK);
      const WORD faces[6] = {0, 1, 2, 3, 4, 5};
      std::memcpy(indices, faces, sizeof faces);
      mesh->UnlockIndexBuffer();
    } else {
      mesh.Attach(MakeSquare(Device(), D3DFVF_XYZ));
    }
    std::vector<DWORD> adjacency(6);
    ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adjacency.data()), D3D_OK);
    const std::string path = Temporary("duplicates.x");
    ASSERT_EQ(D3DXSaveDXMeshToXEx(path.c_str(), mesh.get(), adjacency.data(), nullptr, 0, DXFILEFORMAT_TEXT, nullptr,
                                  0),
              S_OK);
    const SWritten written = ReadFile(path);
    if (!coincide) {
      EXPECT_TRUE(written.children.empty());
      continue;
    }
    ASSERT_EQ(ChildTypes(written), (std::vector<std::string>{"VertexDuplicationIndices"}));
    const std::vector<BYTE>& block = written.children[0].block;
    EXPECT_EQ(At<DWORD>(block, 0), 6u);
    EXPECT_EQ(At<DWORD>(block, 4), 4u);
    EXPECT_EQ(At<DWORD>(block, 8 + 4 * 3), 2u);
    EXPECT_EQ(At<DWORD>(block, 8 + 4 * 4), 1u);
  }
}

TEST_F(MeshWriterTest, RefusesWhatItCannotRead) {
  ComRef<ID3DXMesh> writeOnly(MakeSquare(Device(), D3DFVF_XYZ, D3DXMESH_SYSTEMMEM | D3DXMESH_VB_WRITEONLY));
  ComRef<ID3DXMesh> mesh(MakeSquare(Device(), D3DFVF_XYZ));
  const std::string path = Temporary("refused.x");
  EXPECT_EQ(D3DXSaveDXMeshToXEx(path.c_str(), writeOnly.get(), nullptr, nullptr, 0, DXFILEFORMAT_TEXT, nullptr, 0),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXSaveDXMeshToXEx(path.c_str(), mesh.get(), nullptr, nullptr, 1, DXFILEFORMAT_TEXT, nullptr, 0),
            D3DERR_INVALIDCALL);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(MeshWriterTest, AWrittenMeshLoadsAsAnXFileMesh) {
  ComRef<ID3DXMesh> mesh(MakeSquare(Device(), D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
  D3DXMATERIAL materials[2] = {Material(0.1f), Material(0.2f, const_cast<char*>("wood.png"))};
  const std::string path = Temporary("loads.x");
  ASSERT_EQ(D3DXSaveDXMeshToXEx(path.c_str(), mesh.get(), nullptr, materials, 2,
                                DXFILEFORMAT_BINARY | DXFILEFORMAT_COMPRESSED, nullptr, 0),
            S_OK);
  other_readers::ExpectAssimpReads(path);
  auto root = NewRoot();
  CXFileDataList world;
  ASSERT_TRUE(Load(path, root.get(), world));
  ASSERT_EQ(Received(root.get()).size(), 1u);
  auto* loaded = static_cast<CMesh*>(Received(root.get())[0]);
  EXPECT_EQ(loaded->GetVerticesCount(), 4u);
  EXPECT_EQ(loaded->GetFacesCount(), 2u);
  const std::vector<D3DVERTEX> vertices = ReadVertices(loaded->GetVertexBuffer());
  EXPECT_FLOAT_EQ(vertices[3].nx, 303.0f);
  EXPECT_FLOAT_EQ(vertices[3].tu, 306.0f);
  ASSERT_EQ(loaded->GetMaterialsCount(), 2u);
  EXPECT_FLOAT_EQ(loaded->GetMaterials()[1]->GetMaterial()->Diffuse.r, 0.2f);
  ASSERT_NE(loaded->GetMaterials()[1]->GetTextureFile(), nullptr);
  EXPECT_STREQ(loaded->GetMaterials()[1]->GetTextureFile()->GetFileName(), "wood.png");
}

}  // namespace
