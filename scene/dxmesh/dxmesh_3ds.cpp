// Direct3D meshes to and from the records of the 3DS chunk toolkit. 3DS keeps
// y and z in the other order, and its faces turn the other way; texture v
// runs the other way too. A 3DS transparency t is the Direct3D alpha 1 - t.
#include <appfiles.h>
#include <appoptions.h>
#include <dx_thread.h>
#include <materialpresets.h>
#include <tds.h>

#include <algorithm>
#include <memory>

#include "dxcrackfvf.h"
#include "dxmesh.h"
#include "dxmesh_internal.h"
#include "dxtexturemanager.h"
#include "failureguard.h"
#include "material.h"
#include "meshparts.h"
#include "objectlock.h"

namespace {

const char kToolkitFailed[] = "\nError: d3d function failed";

// The vertex format of an imported mesh and of the export's working mesh:
// position, normal and one pair of texture coordinates (D3DVERTEX).
constexpr DWORD kVertexFVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

// After every toolkit call: a recorded error ends the export.
void CheckToolkit() {
  if (tdsErrorPending() && !tdsIgnoreErrors()) throw kToolkitFailed;
}

float Clamp01(float value) { return value > 0.0f ? (value < 1.0f ? value : 1.0f) : 0.0f; }

// The counts of a record, never past its arrays.
DWORD VertexCountOf(const tdsMesh& mesh) {
  return static_cast<DWORD>(std::min<size_t>(mesh.vertexCount, mesh.vertices.size()));
}
DWORD FaceCountOf(const tdsMesh& mesh) { return static_cast<DWORD>(std::min<size_t>(mesh.faceCount, mesh.faces.size())); }
DWORD GroupCountOf(const tdsMesh& mesh) {
  return static_cast<DWORD>(std::min<size_t>(mesh.materialGroupCount, mesh.materialGroups.size()));
}

bool Degenerate(const tdsFace& face) { return face.a == face.b || face.c == face.a || face.c == face.b; }

D3DCOLORVALUE ColorOf(const tdsColor& color, float alpha) { return {color.r, color.g, color.b, alpha}; }
tdsColor ColorOf(const D3DCOLORVALUE& color) { return {Clamp01(color.r), Clamp01(color.g), Clamp01(color.b)}; }

// The name a record of the database is given: its own, cut to the field,
// when no other object of the database holds it; otherwise prefix made
// unique.
CString FreeObjectName(tdsDatabase* db, const char* name, const char* prefix, int length) {
  const auto taken = [&](const CString& candidate) {
    for (const tdsNameEntry& entry : tdsObjectList(db))
      if (entry.name == static_cast<const char*>(candidate)) return true;
    return false;
  };
  CString candidate = CString(name ? name : "").Left(length);
  while (candidate.IsEmpty() || taken(candidate)) {
    candidate = prefix;
    SetUniqueName(candidate);
    candidate = candidate.Left(length);
  }
  return candidate;
}

// Holds a toolkit record for a scope.
template <class Record, void (*Release)(Record**)>
struct SRecord {
  Record* p = nullptr;
  ~SRecord() {
    if (p) Release(&p);
  }
};

// Whether two materials are written alike: colours as bytes, percentages
// whole, and the texture's name. The first goes through a database of its
// own to be kept as a file keeps it; the second was read from one.
bool WrittenAlike(const tdsMaterial& material, const tdsMaterial& stored) {
  tdsDatabase* scratch = nullptr;
  tdsInitDatabase(&scratch);
  tdsCreateDatabase(scratch, TDS_MESH_FILE);
  tdsPutMaterial(scratch, const_cast<tdsMaterial*>(&material));
  SRecord<tdsMaterial, tdsReleaseMaterial> kept;
  tdsGetMaterialByIndex(scratch, 0, &kept.p);
  tdsReleaseDatabase(&scratch);
  CheckToolkit();
  const tdsMaterial& a = *kept.p;
  return a.ambient == stored.ambient && a.diffuse == stored.diffuse && a.specular == stored.specular &&
         a.shininess == stored.shininess && a.transparency == stored.transparency &&
         tdsNameOf(a.texture.name) == tdsNameOf(stored.texture.name);
}

// A material of that name, written unlike this one, is already in the
// database: this one must take another name, or it would replace the other.
bool MaterialNameTaken(tdsDatabase* db, const tdsMaterial& material) {
  const std::string name = tdsNameOf(material.name);
  const auto& list = tdsMaterialList(db);
  if (std::none_of(list.begin(), list.end(), [&](const tdsNameEntry& e) { return e.name == name; })) return false;
  SRecord<tdsMaterial, tdsReleaseMaterial> stored;
  tdsGetMaterialByName(db, name.c_str(), &stored.p);
  CheckToolkit();
  return !WrittenAlike(material, *stored.p);
}

}  // namespace

void tdsSetMotionBoundingBox(tdsMesh* mesh, tdsObjectMotion* motion) {
  if (!mesh || !motion) {
    tdsPushError(ERR_INVALID_ARG);
    return;
  }
  const DWORD count = VertexCountOf(*mesh);
  if (count == 0) {
    tdsPushError(ERR_INVALID_DATA);
    return;
  }
  tdsPoint3 min = mesh->vertices[0], max = mesh->vertices[0];
  for (DWORD i = 1; i < count; ++i) {
    const tdsPoint3& v = mesh->vertices[i];
    min = {std::min(min.x, v.x), std::min(min.y, v.y), std::min(min.z, v.z)};
    max = {std::max(max.x, v.x), std::max(max.y, v.y), std::max(max.z, v.z)};
  }
  motion->boundMin = min;
  motion->boundMax = max;
}

// ---------------------------------------------------------------------------
// Import

bool CDXMesh::Copy3dsFacesArray(WORD*& indices, DWORD& count, tdsMesh* mesh) {
  indices = nullptr;
  count = 0;
  return GuardedCall([&] {
    CObjectLock lock(this, false);
    if (IsDeleted()) return;
    const DWORD faces = FaceCountOf(*mesh);
    const DWORD vertices = VertexCountOf(*mesh);
    indices = new WORD[3 * static_cast<size_t>(faces)]();
    for (DWORD f = 0; f < faces; ++f) {
      const tdsFace& face = mesh->faces[f];
      if (face.a >= vertices || face.b >= vertices || face.c >= vertices)
        throw "\nError: A face of the 3DS mesh names a vertex past its vertices.";
      if (Degenerate(face)) continue;
      WORD* out = indices + 3 * static_cast<size_t>(count++);
      out[0] = face.a;
      out[1] = g_appOptions.bReverse3dsWinding ? face.b : face.c;
      out[2] = g_appOptions.bReverse3dsWinding ? face.c : face.b;
    }
  });
}

bool CDXMesh::Copy3dsAttributesArray(DWORD*& attributes, DWORD& count, tdsMesh* mesh) {
  attributes = nullptr;
  count = 0;
  return GuardedCall([&] {
    CObjectLock lock(this, false);
    if (IsDeleted()) return;
    const DWORD faces = FaceCountOf(*mesh);
    std::unique_ptr<DWORD[]> table(new DWORD[faces]());
    for (DWORD g = 0; g < GroupCountOf(*mesh); ++g) {
      const tdsMaterialGroup& group = mesh->materialGroups[g];
      const size_t listed = std::min<size_t>(group.faceCount, group.faceIndices.size());
      for (size_t k = 0; k < listed; ++k) {
        if (group.faceIndices[k] >= faces) throw "\nError: A material group of the 3DS mesh names a face past its faces.";
        table[group.faceIndices[k]] = g;
      }
    }
    attributes = new DWORD[faces]();
    for (DWORD f = 0; f < faces; ++f)
      if (!Degenerate(mesh->faces[f])) attributes[count++] = table[f];
  });
}

bool CDXMesh::Copy3dsVerticesArray(D3DVERTEX*& vertices, DWORD& count, tdsMesh* mesh) {
  vertices = nullptr;
  count = 0;
  return GuardedCall([&] {
    CObjectLock lock(this, false);
    if (IsDeleted()) return;
    count = VertexCountOf(*mesh);
    vertices = new D3DVERTEX[count]();
    for (DWORD i = 0; i < count; ++i) {
      const tdsPoint3& p = mesh->vertices[i];
      vertices[i].x = p.x;
      vertices[i].y = p.z;
      vertices[i].z = p.y;
    }
    const size_t textured = std::min<size_t>({mesh->texVertCount, mesh->texVerts.size(), count});
    for (size_t i = 0; i < textured; ++i) {
      vertices[i].tu = mesh->texVerts[i].u;
      vertices[i].tv = -mesh->texVerts[i].v;
    }
  });
}

bool CDXMesh::Copy3dsMaterialsArray(D3DXMATERIAL*& materials, IDirect3DTexture8**& textures, char**& names,
                                    DWORD& count, C3dsMaterialMap& map, char* textureDirectory, tdsMesh* mesh,
                                    CDXThread* thread) {
  return GuardedCall([&] {
    CObjectLock lock(this, false);
    if (IsDeleted()) return;
    CDXTextureManager* manager = GetTextureManager(thread);
    count = std::max<DWORD>(GroupCountOf(*mesh), 1);
    materials = new D3DXMATERIAL[count]();
    textures = new IDirect3DTexture8*[count]();
    names = new char*[count]();
    if (GroupCountOf(*mesh) == 0) {
      materials[0].MatD3D = DefaultMaterial();
      names[0] = DuplicateString("default");
      return;
    }
    for (DWORD i = 0; i < count; ++i) {
      const std::string name = tdsNameOf(mesh->materialGroups[i].name);
      names[i] = DuplicateString(name.c_str());
      tdsMaterial* source = nullptr;
      // A group whose material the file lacks is drawn with the default one.
      if (!map.Lookup(name.c_str(), source) || !source) {
        materials[i].MatD3D = DefaultMaterial();
        continue;
      }
      const float alpha = Clamp01(1.0f - source->transparency);
      D3DMATERIAL8& m = materials[i].MatD3D;
      m.Diffuse = ColorOf(source->diffuse, alpha);
      m.Ambient = ColorOf(source->ambient, alpha);
      m.Specular = ColorOf(source->specular, alpha);
      m.Emissive = {0, 0, 0, 0};
      m.Power = source->shininess * 35.0f;
      const std::string texture = tdsNameOf(source->texture.name);
      if (texture.empty()) continue;
      materials[i].pTextureFilename = DuplicateString(texture.c_str());
      if (manager) manager->CreateTextureFromFile(materials[i].pTextureFilename, textureDirectory, &textures[i]);
    }
  });
}

bool CDXMesh::Initialize(tdsMesh* mesh, tdsDatabase*&, C3dsMaterialMap& materials, IDirect3DDevice8* device,
                         char* textureDirectory, CDXThread* thread) {
  CObjectLock lock(this, false);
  if (IsDeleted()) return true;
  WORD* indices = nullptr;
  DWORD* attributes = nullptr;
  D3DVERTEX* vertices = nullptr;
  const bool done = GuardedCall([&] {
    if (!mesh) throw "\nError: No 3DS mesh.";
    DestroyContent(false);
    std::string name = tdsNameOf(mesh->name);
    if (!CBaseMesh::Initialize(name.data())) throw "\nError: CBaseMesh::Initialize() failed.";
    DWORD faces = 0, attributeCount = 0, vertexCount = 0;
    if (!Copy3dsFacesArray(indices, faces, mesh)) throw "\nError: Copy3dsFacesArray() failed.";
    if (faces == 0) return;
    if (!Copy3dsAttributesArray(attributes, attributeCount, mesh)) throw "\nError: Copy3dsAttributesArray() failed.";
    if (!Copy3dsVerticesArray(vertices, vertexCount, mesh)) throw "\nError: Copy3dsVerticesArray() failed.";
    if (!Copy3dsMaterialsArray(m_pMaterials, m_ppTextures, m_ppMaterialNames, m_dwNumMaterials, materials,
                               textureDirectory, mesh, thread))
      throw "\nError: Copy3dsMaterialsArray() failed.";
    auto list = std::make_unique<CMeshMaterialList>();
    if (!list->Initialize(m_dwNumMaterials, m_pMaterials, m_ppMaterialNames, faces, attributes, nullptr,
                          textureDirectory, thread))
      throw "Error: InitializeBoundingObjects() failed.";
    AddChildObject(eOwnedChild, list.release(), false);
    SetOptionalMembers();
    if (!ReplaceMeshFVF(faces, vertexCount, sizeof(D3DVERTEX), D3DXMESH_SYSTEMMEM, kVertexFVF,
                        reinterpret_cast<BYTE*>(vertices), indices, attributes, device))
      throw "\nError: ReplaceMeshFVF() failed.";
    WeldMesh();
    if (!ComputeBoundingObjects()) throw "Error: InitializeBoundingObjects() failed.";
    if (thread) {
      thread->IncreaseThreadOutputVerticesCount(m_pMesh->GetNumVertices());
      thread->IncreaseThreadOutputTrianglesCount(m_pMesh->GetNumFaces(), 0.0f);
    }
    SetReadyForRendering(true);
  });
  delete[] indices;
  delete[] attributes;
  delete[] vertices;
  if (!done) DestroyContent(false);
  return done;
}

// ---------------------------------------------------------------------------
// Export

bool CDXMesh::SaveIn3dsDatabase(tdsDatabase* database, char* parentName, D3DXMATRIX* transform, D3DXMATRIX*,
                                D3DXVECTOR3*, CDXThread* thread, CString* recordName) {
  CObjectLock lock(this, false);
  if (IsDeleted()) return true;
  ID3DXMesh* clone = nullptr;
  BYTE* vertexData = nullptr;
  WORD* indexData = nullptr;
  ID3DXMesh* working = nullptr;
  const bool done = GuardedCall([&] {
    CMeshBufferLock buffers(this);
    if (!m_pMesh) throw "\nError: No mesh to save.";
    if (!MyOptimizeInPlace()) throw "\nMyOptimizeInPlace() failed";
    if (m_pMesh->GetNumFaces() > k3dsMaxCount || m_pMesh->GetNumVertices() > k3dsMaxCount)
      throw "\nCannot create a .3ds with more than 64K indices.";
    working = m_pMesh;
    if (m_pMesh->GetFVF() != kVertexFVF || (m_pMesh->GetOptions() & D3DXMESH_32BIT)) {
      if (FAILED(m_pMesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, kVertexFVF, DXMeshDevice(), &clone)))
        throw "\nCloneMeshFVF() failed.";
      if (FAILED(D3DXComputeNormals(clone, nullptr))) throw "\nD3DXComputeNormals() failed.";
      working = clone;
    }
    if (working->GetOptions() & D3DXMESH_32BIT) throw "\n32bit indices not supported";

    // One material record per attribute range, under a name that the
    // group of the range repeats.
    std::vector<CString> rangeNames(m_dwAttributeTableSize);
    for (DWORD r = 0; r < m_dwAttributeTableSize; ++r) {
      const DWORD a = m_pAttributeTable[r].AttribId;
      CString name;
      if (a < GetMaterialObjectsCount() && m_MaterialObjects[a]->GetName()) name = m_MaterialObjects[a]->GetName();
      name = name.Left(16);
      if (name.IsEmpty()) {
        name = "Mat";
        SetUniqueName(name);
      }
      rangeNames[r] = name;
      SRecord<tdsMaterial, tdsReleaseMaterial> material;
      tdsInitMaterial(&material.p);
      CheckToolkit();
      const D3DMATERIAL8& source = MaterialOf(a);
      tdsCopyName(material.p->name, static_cast<const char*>(name));
      material.p->diffuse = ColorOf(source.Diffuse);
      material.p->ambient = ColorOf(source.Ambient);
      material.p->specular = ColorOf(source.Specular);
      material.p->shininess = source.Power / 35.0f;
      material.p->transparency = Clamp01(1.0f - source.Diffuse.a);
      if (m_pMaterials && a < m_dwNumMaterials && m_pMaterials[a].pTextureFilename)
        tdsCopyName(material.p->texture.name, m_pMaterials[a].pTextureFilename);
      if (MaterialNameTaken(database, *material.p)) {
        name = "Mat";
        SetUniqueName(name);
        tdsCopyName(material.p->name, static_cast<const char*>(name));
        rangeNames[r] = name;
      }
      tdsPutMaterial(database, material.p);
      CheckToolkit();
    }

    const DWORD vertexCount = working->GetNumVertices();
    const DWORD faceCount = working->GetNumFaces();
    SRecord<tdsMesh, tdsReleaseMesh> record;
    tdsInitMesh(&record.p, static_cast<std::uint16_t>(vertexCount), static_cast<std::uint16_t>(faceCount), 0);
    CheckToolkit();
    tdsMesh& mesh = *record.p;
    const CString meshName = FreeObjectName(database, GetName(), "M_", 10);
    tdsCopyName(mesh.name, static_cast<const char*>(meshName));
    if (recordName) *recordName = meshName;

    if (FAILED(working->LockVertexBuffer(D3DLOCK_READONLY, &vertexData))) {
      vertexData = nullptr;
      throw "\nError: LockVertexBuffer() failed.";
    }
    const DXCrackFVF format(working->GetFVF());
    mesh.vertices.resize(vertexCount);
    for (DWORD i = 0; i < vertexCount; ++i) {
      D3DXVECTOR3 position;
      D3DXVec3TransformCoord(&position, reinterpret_cast<D3DXVECTOR3*>(format.GetVertex(vertexData, i)), transform);
      mesh.vertices[i] = {position.x, position.z, position.y};
    }
    if (format.GetTexCoordSize(0) == 2 * sizeof(float)) {
      mesh.texVertCount = static_cast<std::uint16_t>(vertexCount);
      mesh.texVerts.resize(vertexCount);
      for (DWORD i = 0; i < vertexCount; ++i) {
        const auto* uv = reinterpret_cast<const float*>(format.GetTexCoordPointer(format.GetVertex(vertexData, i)));
        mesh.texVerts[i] = {uv[0], -uv[1]};
      }
    }

    if (FAILED(working->LockIndexBuffer(D3DLOCK_READONLY, reinterpret_cast<BYTE**>(&indexData)))) {
      indexData = nullptr;
      throw "\nError: LockIndexBuffer() failed.";
    }
    mesh.faces.resize(faceCount);
    for (DWORD f = 0; f < faceCount; ++f)
      mesh.faces[f] = {indexData[3 * f], indexData[3 * f + 2], indexData[3 * f + 1], 7};
    mesh.materialGroupCount = static_cast<std::uint16_t>(m_dwAttributeTableSize);
    mesh.materialGroups.resize(m_dwAttributeTableSize);
    for (DWORD r = 0; r < m_dwAttributeTableSize; ++r) {
      if (thread && !thread->WaitForThreadPlayingEvent()) throw "\nRequested to exit the thread.";
      const D3DXATTRIBUTERANGE& range = m_pAttributeTable[r];
      tdsMaterialGroup& group = mesh.materialGroups[r];
      tdsCopyName(group.name, static_cast<const char*>(rangeNames[r]));
      group.faceCount = static_cast<std::uint16_t>(range.FaceCount);
      group.faceIndices.resize(range.FaceCount);
      for (DWORD k = 0; k < range.FaceCount; ++k) group.faceIndices[k] = static_cast<std::uint16_t>(range.FaceStart + k);
    }
    // The vertices stand where the scene has them: the mesh's axes are the
    // file's (the record's identity matrix) and its node (below) moves
    // nothing. Axes at the box centre with the node there too, as the
    // keyframer's tracks are relative to the parent node, would carry every
    // child mesh by its parents' centres in the programs that play them.
    tdsPutMesh(database, &mesh);
    CheckToolkit();

    SRecord<tdsObjectMotion, tdsReleaseObjectMotion> motion;
    tdsInitObjectMotion(&motion.p, 1, 1, 1, 0, 0);
    CheckToolkit();
    tdsCopyName(motion.p->name, mesh.name);
    if (parentName) tdsCopyName(motion.p->parent, CString(parentName).Left(10));
    motion.p->pivot = {0, 0, 0};
    tdsSetMotionBoundingBox(&mesh, motion.p);
    CheckToolkit();
    motion.p->position.keys[0].frame = 1;
    motion.p->rotation.keys[0].frame = 1;
    motion.p->scale.keys[0].frame = 1;
    motion.p->position.values[0] = {0, 0, 0};
    motion.p->rotation.values[0] = {0, 1, 0, 0};
    motion.p->scale.values[0] = {1, 1, 1};
    tdsPutObjectMotion(database, motion.p);
    CheckToolkit();
    if (thread) {
      thread->IncreaseThreadOutputVerticesCount(m_pMesh->GetNumVertices());
      thread->IncreaseThreadOutputTrianglesCount(m_pMesh->GetNumFaces(), 0.0f);
    }
  });
  if (indexData) working->UnlockIndexBuffer();
  if (vertexData) working->UnlockVertexBuffer();
  SafeRelease(&clone);
  return done;
}
