// Reading a .x file into scene objects.
#include <appoptions.h>
#include <dx_thread.h>
#include <dxerr8.h>
#include <dxwindoweddevice.h>
#include <largepages.h>
#include <main_frame.h>
#include <rmxfguid.h>
#include <tracelog.h>
#include <xskinexp.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "animation.h"
#include "animationkey.h"
#include "basemesh.h"
#include "dxmesh.h"
#include "frame.h"
#include "frametransformmatrix.h"
#include "material.h"
#include "mesh.h"
#include "meshparts.h"
#include "objectlock.h"
#include "skinweights.h"
#include "texturefile.h"
#include "xfile.h"
#include "xfiledatalist.h"
#include "xfiletemplates.h"

namespace {

// String resource of the user interface: "Failed to load the file".
constexpr UINT kLoadFailedText = 61499;
// Failed enumerations of top-level objects that one load tolerates.
constexpr int kMaxEnumerationFailures = 10;
// The most materials that a material list lacking some is completed to.
constexpr DWORD kMostDefaultMaterials = 65535;

bool LoadsDXMeshes() { return g_appOptions.bLoadDXMeshes != 0; }

// Top-level objects of these templates hang below the receiving frame.
bool BelongsBelowRoot(const CXFileDataObject* object) {
  static const GUID* const kRootTemplates[] = {&TID_D3DRMMesh,         &TID_D3DRMFrame,     &GUID_BaseMesh,
                                               &TID_D3DRMAnimationSet, &TID_D3DRMAnimation, &DXFILEOBJ_SkinWeights};
  for (const GUID* guid : kRootTemplates)
    if (object->IsATemplateGUID(guid)) return true;
  return false;
}

template <class Interface>
void Release(Interface*& p) {
  if (p) p->Release();
  p = nullptr;
}

CString ObjectName(IDirectXFileObject* object) {
  DWORD length = 0;
  if (FAILED(object->GetName(nullptr, &length)) || length == 0) return CString();
  CString name;
  if (FAILED(object->GetName(name.GetBuffer(static_cast<int>(length)), &length))) {
    name.ReleaseBuffer(0);
    return CString();
  }
  name.ReleaseBuffer();
  return name;
}

// Adds to a frame's active and original vertex and triangle counters.
void AddCounts(CFrame* frame, LONG vertices, LONG triangles) {
  frame->AddDeltaActiveVerticesCount(vertices);
  frame->AddDeltaOriginalVerticesCount(vertices);
  frame->AddDeltaActiveTrianglesCount(triangles);
  frame->AddDeltaOriginalTrianglesCount(triangles);
}

// A frame's active counts add up to its parent's.
void AddCounts(CFrame* parent, CFrame* child) {
  AddCounts(parent, static_cast<LONG>(child->GetActiveVerticesCount(false)),
            static_cast<LONG>(child->GetActiveTrianglesCount(false)));
}

// The class made for each template that loading keeps. Meshes load as
// X-file meshes unless the host's Direct3D-mesh loading switch is set (see
// CreateObjectOfTemplate). Vertex colours are kept so that a saved mesh
// keeps them.
struct STemplateClass {
  const GUID* type;
  const char* name;
  CXFileDataObject* (*make)();
};

template <class T>
CXFileDataObject* Make() {
  return new T;
}

constexpr STemplateClass kTemplateClasses[] = {
    {&TID_D3DRMFrame, "Frame", Make<CFrame>},
    {&TID_D3DRMFrameTransformMatrix, "FrameTransformMatrix", Make<CFrameTransformMatrix>},
    {&TID_D3DRMMesh, "Mesh", Make<CMesh>},
    {&TID_D3DRMMeshFaceWraps, "MeshFaceWraps", Make<CMeshFaceWraps>},
    {&TID_D3DRMMeshNormals, "MeshNormals", Make<CMeshNormals>},
    {&TID_D3DRMMeshMaterialList, "MeshMaterialList", Make<CMeshMaterialList>},
    {&TID_D3DRMMeshTextureCoords, "MeshTextureCoords", Make<CMeshTextureCoords>},
    {&TID_D3DRMMeshVertexColors, "MeshVertexColors", Make<CMeshVertexColors>},
    {&TID_D3DRMMaterial, "Material", Make<CMaterial>},
    {&TID_D3DRMTextureFilename, "TextureFilename", Make<CTextureFile>},
    {&TID_D3DRMAnimationKey, "AnimationKey", Make<CAnimationKey>},
    {&TID_D3DRMAnimation, "Animation", Make<CAnimation>},
    {&TID_D3DRMAnimationOptions, "AnimationOptions", Make<CAnimationOptions>},
    {&TID_D3DRMAnimationSet, "AnimationSet", Make<CAnimationSet>},
    {&DXFILEOBJ_SkinWeights, "SkinWeights", Make<CSkinWeights>},
    {&DXFILEOBJ_XSkinMeshHeader, "XSkinMeshHeader", Make<CSkinMeshHeader>},
};

const STemplateClass* FindTemplateClass(const GUID& type) {
  for (const STemplateClass& entry : kTemplateClasses)
    if (*entry.type == type) return &entry;
  return nullptr;
}

// A message without the line break that the system's messages begin with.
const char* WithoutLineBreak(const char* message) { return message[0] == '\n' ? message + 1 : message; }

// A failed step: its message, and the result code that made it fail (0 when
// none).
struct SLoadFailure {
  const char* message;
  HRESULT result;
};

}  // namespace

CXFile::CXFile()
    : m_framesByName(10), m_skinnedMeshesByBoneName(10), m_loadedObjects(10), m_dxMeshes(10), m_animations(10) {}

int CXFile::GetCount(CXFileDataList& list, const GUID* guid) {
  int count = 0;
  POSITION pos = list.GetHeadPosition();
  while (GetNext(list, pos, guid)) ++count;
  return count;
}

CXFileDataObject* CXFile::GetNext(CXFileDataList& list, POSITION& pos, const GUID* guid) {
  while (pos) {
    CXFileDataObject* object = list.GetNext(pos);
    if (object && object->IsATemplateGUID(guid)) return object;
  }
  return nullptr;
}

// The loaded objects belong to the frames and the world: nothing to free.
void CXFile::DestroyXfileObjects() {}

CXFile::~CXFile() { ResetXfileLists(); }

void CXFile::ResetXfileLists() {
  m_loadedObjects.RemoveAll();
  m_materialStandIns.RemoveAll();
  m_dxMeshes.RemoveAll();
  m_framesByName.RemoveAll();
  m_skinnedMeshesByBoneName.RemoveAll();
  m_animations.RemoveAll();
}

void CXFile::SetFileDirectory(const char* path) {
  CFile file;
  if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone)) return;
  CString full = file.GetFilePath();
  const int slash = std::max(full.ReverseFind('/'), full.ReverseFind('\\'));
  m_fileDirectory = full.Left(slash + 1);
}

CXFileDataObject* CXFile::FindXfileDataObject(const char* name, const GUID* guid) {
  if (!name || !*name) return nullptr;
  CXFileDataObject* sameName = nullptr;
  for (POSITION pos = m_loadedObjects.GetHeadPosition(); pos;) {
    CXFileDataObject* object = m_loadedObjects.GetNext(pos);
    const char* objectName = object->GetName();
    if (!objectName || std::strcmp(objectName, name) != 0) continue;
    if (!guid || object->IsATemplateGUID(guid)) return object;
    if (!sameName) sameName = object;
  }
  return sameName;
}

bool CXFile::LoadXfile(const char* path, CFrame* root, CXFileDataList& world, char* texturePath, CDXThread* thread) {
  m_failureText.Empty();
  if (root->IsDeleted()) {
    // A deleted frame takes no children: what the load made would be lost.
    m_failureText = "Error: The receiving frame is deleted.";
    return false;
  }
  // The file's buffer, freed once it is parsed, and the blocks make room for
  // the scene's arrays.
  const win32::LargeBufferReuse reuse;
  ResetXfileLists();
  m_receivingRoot = root;
  m_framesByName.InitHashTable(100);
  m_skinnedMeshesByBoneName.InitHashTable(100);
  SetFileDirectory(path);
  // Meshes load as X-file meshes in plain frames, or as Direct3D meshes in
  // frames of their kind (see CreateObjectOfTemplate).
  root->SetFrameType(LoadsDXMeshes() ? CFrame::eDXMeshFrame : CFrame::ePlainFrame);

  IDirectXFile* file = nullptr;
  IDirectXFileEnumObject* primary = nullptr;
  IDirectXFileEnumObject* secondary = nullptr;
  IDirectXFileData* data = nullptr;
  IDirectXFileData* data2 = nullptr;
  bool secondaryFailed = false;
  CObjectList attachedToRoot(10), attachedToWorld(10);
  LONG addedVertices = 0, addedTriangles = 0;
  HRESULT hr = S_OK;
  bool ok = true;
  try {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
      m_failureText.Format("Error: %s is a folder, not a .x file.", path);
      throw SLoadFailure{"\nError: The path names a folder.", S_OK};
    }
    hr = DirectXFileCreate(&file);
    if (FAILED(hr)) throw SLoadFailure{"\nError: DirectXFileCreate() failed in CXFile::LoadXfile().", hr};
    hr = RegisterXFileTemplates(file);
    if (FAILED(hr)) throw SLoadFailure{"\nError: IDirectXFile::RegisterTemplates() failed in CXFile::LoadXfile().", hr};
    hr = file->CreateEnumObject(const_cast<char*>(path), DXFILELOAD_FROMFILE, &primary);
    if (SUCCEEDED(hr)) hr = file->CreateEnumObject(const_cast<char*>(path), DXFILELOAD_FROMFILE, &secondary);
    if (FAILED(hr)) throw SLoadFailure{"\nError: The file does not open as a .x file.", hr};
    IDirect3DDevice8* device = g_pWindowedDevice ? g_pWindowedDevice->GetD3DDevice() : nullptr;

    int enumerationFailures = 0;
    for (;;) {
      if (thread && !thread->WaitForThreadPlayingEvent())
        throw SLoadFailure{"\nInfo: Requested to exit the thread.", S_OK};
      hr = primary->GetNextDataObject(&data);
      if (hr == DXFILEERR_NOMOREOBJECTS) break;
      if (FAILED(hr)) {
        DEBUG_TRACE("\nError: Failed to enumerate a top level object.");
        if (++enumerationFailures >= kMaxEnumerationFailures)
          throw SLoadFailure{"\nError: Failed enumerate a top level object.", hr};
        continue;
      }
      if (!secondaryFailed && FAILED(secondary->GetNextDataObject(&data2))) secondaryFailed = true;

      CXFileDataObject* made = nullptr;
      // A top-level object that fails is freed by LoadXfileData2 itself.
      if (!LoadXfileData2(data, nullptr, device, &made, texturePath, thread, data2))
        throw SLoadFailure{"\nError: CXFile::LoadXfileData() failed in CXFile::LoadXfile().", S_OK};
      if (made && BelongsBelowRoot(made)) {
        // Held here until the root frame takes it (its lock may be busy).
        std::unique_ptr<CXFileDataObject> holder(made);
        root->AddChildObject(eOwnedChild, made, false);
        holder.release();
        attachedToRoot.AddTail(made);
        if (IsBaseMeshOfType(made, eBaseMeshTypeDXMesh)) {
          auto* mesh = static_cast<CDXMesh*>(made);
          const LONG vertices = static_cast<LONG>(mesh->GetNumVertices(false));
          const LONG triangles = static_cast<LONG>(mesh->GetNumFaces(false));
          addedVertices += vertices;
          addedTriangles += triangles;
          AddCounts(root, vertices, triangles);
        } else if (made->IsAFrame()) {
          auto* frame = static_cast<CFrame*>(made);
          addedVertices += static_cast<LONG>(frame->GetActiveVerticesCount(false));
          addedTriangles += static_cast<LONG>(frame->GetActiveTrianglesCount(false));
          AddCounts(root, frame);
        }
      } else if (made) {
        world.AddTail(made);
        attachedToWorld.AddTail(made);
      }
      Release(data);
      Release(data2);
    }
    DEBUG_TRACE("\nInfo: All objects in the .x file %s are enumerated.", path);
    // Direct3D meshes are welded once the whole file is read; the skinned
    // ones are bound to their bones and turned into indexed-blended meshes
    // first, and their skin weights then follow the welded vertices.
    for (POSITION pos = m_dxMeshes.GetHeadPosition(); pos;) {
      CDXMesh* mesh = m_dxMeshes.GetNext(pos);
      if (mesh->GetSkinWeightsCount() > 0) {
        mesh->SetSkinWeightsBoneTransform(&m_framesByName);
        mesh->ReplaceWithIBlendedMesh();
        mesh->WeldMesh();
        mesh->UpdateSkinWeights();
      } else {
        mesh->WeldMesh();
      }
    }
    // Animations of bones keep the centre of the skinned mesh they move.
    for (POSITION pos = m_animations.GetHeadPosition(); pos;)
      m_animations.GetNext(pos)->SetMeshCenterFS(m_skinnedMeshesByBoneName);
  } catch (const SLoadFailure& failure) {
    ok = false;
    // The innermost failure, when an object failed, says most.
    if (m_failureText.IsEmpty()) m_failureText = WithoutLineBreak(failure.message);
    if (failure.result != S_OK && failure.result != DXFILEERR_NOMOREOBJECTS) {
      m_failureText += " (error ";
      m_failureText += DXGetErrorString8A(failure.result);
      m_failureText += ")";
    }
  } catch (const char* message) {
    // An object that could not be locked (the main thread only tries).
    ok = false;
    if (m_failureText.IsEmpty()) m_failureText = WithoutLineBreak(message);
  } catch (CException* e) {
    ok = false;
    char text[255] = "";
    e->GetErrorMessage(text, sizeof(text));
    m_failureText.Format("Error: %s", text);
    e->Delete();
  }
  Release(data);
  Release(data2);
  if (secondary && !secondaryFailed) {
    IDirectXFileData* rest = nullptr;
    while (SUCCEEDED(secondary->GetNextDataObject(&rest))) Release(rest);
  }
  if (secondary) SafeRelease2(&secondary);
  if (primary) SafeRelease2(&primary);
  if (file) SafeRelease2(&file);

  if (!ok) {
    DetachLoadedObjects(root, world, attachedToRoot, attachedToWorld);
    AddCounts(root, -addedVertices, -addedTriangles);
    if (thread) {
      thread->SetMessageText(kLoadFailedText);
    } else if (IsMainThread()) {
      if (CDXMainFrame* mainFrame = GetMainFrame()) mainFrame->SetMessageText(kLoadFailedText);
    }
  }
  ResetXfileLists();
  return ok;
}

void CXFile::DetachLoadedObjects(CFrame* root, CXFileDataList& world, const CObjectList& attachedToRoot,
                                 const CObjectList& attachedToWorld) {
  for (POSITION pos = attachedToRoot.GetHeadPosition(); pos;)
    root->DeleteDirectChildObject(attachedToRoot.GetNext(pos), false);
  for (POSITION pos = attachedToWorld.GetHeadPosition(); pos;) world.DeleteTopLevelObject(attachedToWorld.GetNext(pos));
}

CXFileDataObject* CXFile::CreateObjectOfTemplate(const GUID& type) {
  if (type == TID_D3DRMMesh && LoadsDXMeshes()) return new CDXMesh;
  const STemplateClass* entry = FindTemplateClass(type);
  return entry ? entry->make() : nullptr;
}

bool CXFile::LoadXfileData2(IDirectXFileData* data, CXFileDataObject* parent, IDirect3DDevice8* device,
                            CXFileDataObject** out, char* texturePath, CDXThread* thread, IDirectXFileData* data2) {
  if (out) *out = nullptr;
  CXFileDataObject* object = nullptr;
  bool attached = false;
  try {
    const GUID* type = nullptr;
    const GUID* type2 = nullptr;
    DWORD size = 0, size2 = 0;
    void* block = nullptr;
    void* block2 = nullptr;
    if (FAILED(data->GetType(&type)) || !type) throw "\nError: IDirectXFileData::GetType() failed.";
    if (data2 && (FAILED(data2->GetType(&type2)) || !type2)) throw "\nError: IDirectXFileData::GetType() failed.";
    if (FAILED(data->GetData(nullptr, &size, &block))) throw "\nError: IDirectXFileData::GetData() failed.";
    if (data2 && FAILED(data2->GetData(nullptr, &size2, &block2))) throw "\nError: IDirectXFileData::GetData() failed.";

    object = CreateObjectOfTemplate(*type);
    if (!object) return true;  // a template that makes no object: skipped with everything nested in it
    if (out && !parent) *out = object;
    m_loadedObjects.AddTail(object);

    const bool fromSecondary = data2 && (*type == TID_D3DRMMesh || *type2 == TID_D3DRMMesh);
    const bool loaded = fromSecondary ? object->Load(data2, size2, static_cast<BYTE*>(block2), texturePath, thread)
                                      : object->Load(data, size, static_cast<BYTE*>(block), texturePath, thread);
    if (!loaded) {
      const CString name = ObjectName(data);
      m_failureText.Format("Error: The %s data object %s could not be read.", FindTemplateClass(*type)->name,
                           name.IsEmpty() ? "without a name" : static_cast<LPCSTR>(name));
      throw "\nError: CXFileDataObject::Load() failed in CXFile::LoadXfileData2().";
    }
    if (parent) {
      parent->AddChildObject(eOwnedChild, object, false);
      attached = true;
    }
    LoadNestedObjects(data, object, device, texturePath, thread, data2);
    FinishObject(object, parent, thread);
    return true;
  } catch (const char* message) {
    if (m_failureText.IsEmpty()) m_failureText = WithoutLineBreak(message);
  } catch (CException* e) {
    e->Delete();
  }
  // An object attached to its parent goes with the parent, which fails too;
  // the load is abandoned, so the list of loaded objects is not used again.
  if (object && !attached) delete object;
  if (out) *out = nullptr;
  return false;
}

void CXFile::LoadNestedObjects(IDirectXFileData* data, CXFileDataObject* object, IDirect3DDevice8* device,
                               char* texturePath, CDXThread* thread, IDirectXFileData* data2) {
  IDirectXFileObject* child = nullptr;
  IDirectXFileObject* child2 = nullptr;
  struct Holder {
    IDirectXFileObject*& a;
    IDirectXFileObject*& b;
    ~Holder() {
      Release(a);
      Release(b);
    }
  } holder{child, child2};
  while (SUCCEEDED(data->GetNextObject(&child))) {
    if (data2 && FAILED(data2->GetNextObject(&child2))) child2 = nullptr;
    if (thread && !thread->WaitForThreadPlayingEvent()) throw "\nInfo: Requested to exit the thread.";

    IDirectXFileDataReference* reference = nullptr;
    IDirectXFileData* nested = nullptr;
    if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&reference)))) {
      BindReference(reference, object);
      Release(reference);
    } else if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&nested)))) {
      IDirectXFileData* nested2 = nullptr;
      if (child2) child2->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&nested2));
      const bool loaded = LoadXfileData2(nested, object, device, nullptr, texturePath, thread, nested2);
      Release(nested2);
      Release(nested);
      if (!loaded) throw "\nError: CXFile::LoadXfileData2() failed in CXFile::LoadXfileData2().";
    }
    // A binary object is ignored.
    Release(child);
    Release(child2);
  }
}

namespace {

// The first frame named name below frame (frame itself included), depth
// first; NULL when there is none.
CFrame* FindFrameBelow(CFrame* frame, const CString& name) {
  if (name.IsEmpty()) return nullptr;
  if (frame->GetName() && name == frame->GetName()) return frame;
  CObjectLock lock(frame, false);
  CChildObjectList& children = frame->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CXFileDataObject* child = children.GetNext(pos)->GetXfileDataObject();
    if (!child || !child->IsAFrame() || child->IsDeleted()) continue;
    if (CFrame* found = FindFrameBelow(static_cast<CFrame*>(child), name)) return found;
  }
  return nullptr;
}

}  // namespace

void CXFile::BindReference(IDirectXFileDataReference* reference, CXFileDataObject* object) {
  IDirectXFileData* target = nullptr;
  CXFileDataObject* found = nullptr;
  CString name;
  if (SUCCEEDED(reference->Resolve(&target)) && target) {
    name = ObjectName(target);
    const GUID* type = nullptr;
    if (FAILED(target->GetType(&type))) type = nullptr;
    Release(target);
    // An unnamed target cannot be told from other unnamed objects.
    found = FindXfileDataObject(name, type);
  }
  if (!found && object->IsATemplateGUID(&TID_D3DRMAnimation) && m_receivingRoot) {
    // An animation file for a model loaded before: its animations name the
    // model's frames.
    if (name.IsEmpty()) name = ObjectName(reference);
    found = FindFrameBelow(m_receivingRoot, name);
  }
  if (object->IsATemplateGUID(&TID_D3DRMMeshMaterialList) && (!found || !found->IsATemplateGUID(&TID_D3DRMMaterial))) {
    // The faces number the list's materials by place: one that cannot be
    // bound keeps its place with the default material.
    DEBUG_TRACE("\nInfo: Material %s not loaded before the reference: the default material stands in.",
                static_cast<LPCSTR>(name));
    AddDefaultMaterial(static_cast<CMeshMaterialList*>(object), true);
  } else if (found) {
    // An object is listed as loaded before what is nested in it, so the name
    // may be that of the referring object or of one that holds it: such a
    // reference would make the scene hold itself.
    if (!object->AddChildObject(eReferenceChild, found, false))
      DEBUG_TRACE("\nWarning: Reference to %s dropped: it holds the object that refers to it.",
                  static_cast<LPCSTR>(name));
  } else {
    // A reference to an object that the file does not hold (another file's
    // frames, say) binds to nothing, like a forward reference.
    DEBUG_TRACE("\nInfo: Reference to %s dropped: not loaded before the reference.", static_cast<LPCSTR>(name));
  }
}

void CXFile::AddDefaultMaterial(CMeshMaterialList* list, bool standIn) {
  auto material = std::make_unique<CMaterial>();
  if (!material->Initialize()) throw "\nError: Material initialization failed.";
  // The stand-in is saved with the file: other programs draw it opaque, as
  // the faces were meant to be seen.
  material->GetMaterial()->Diffuse.a = 1.0f;
  CChildObject* entry = nullptr;
  list->AddChildObject(&entry, eOwnedChild, material.get());
  if (!entry) throw "\nError: The material list is deleted.";
  if (standIn) m_materialStandIns.SetAt(material.get(), 0);
  material.release();
}

void CXFile::CompleteMaterialList(CMeshMaterialList* list) {
  // Every face index is below the claimed count (the list's Load checks it).
  DWORD named = 0;
  for (DWORD i = 0; i < list->GetFacesCount() && list->GetFaceMaterialIndices(); ++i)
    named = std::max(named, list->GetFaceMaterialIndices()[i] + 1);
  std::vector<CMaterial*> held;
  POSITION pos = list->GetChildHeadPosition();
  while (CMaterial* material = list->GetNextMaterial(pos)) held.push_back(material);
  WORD unused = 0;
  while (held.size() > named && m_materialStandIns.Lookup(held.back(), unused)) {
    m_materialStandIns.RemoveKey(held.back());
    list->DeleteDirectChildObject(held.back(), false);
    held.pop_back();
  }
  // Material counts, like vertex counts, stay within 16 bits: a file that
  // names more materials than that and lacks them is not given them.
  if (named > held.size() && named > kMostDefaultMaterials)
    throw "\nError: A mesh material list names more than 65535 materials and lacks some of them.";
  for (size_t missing = held.size(); missing < named; ++missing) AddDefaultMaterial(list, false);
  const DWORD entries = std::max(named, static_cast<DWORD>(held.size()));
  if (list->GetMaterialsCount() != entries) {
    DEBUG_TRACE(
        "\nInfo: The mesh material list %s claims %u material(s) when there are %u item(s) in its "
        "material list.  Correction applied",
        list->GetName(), list->GetMaterialsCount(), entries);
    list->SetMaterialsCount(entries);
  }
}

void CXFile::FinishObject(CXFileDataObject* object, CXFileDataObject* parent, CDXThread* thread) {
  if (object->IsATemplateGUID(&TID_D3DRMMeshMaterialList)) {
    CompleteMaterialList(static_cast<CMeshMaterialList*>(object));
  } else if (object->IsATemplateGUID(&TID_D3DRMMesh)) {
    auto* mesh = static_cast<CMesh*>(object);
    // The edge lines wait until the mesh is drawn with them (CMesh::Render).
    if (FAILED(mesh->CreateMeshVerticesGroups(thread)) || FAILED(mesh->SetMeshVerticesNormal()) || FAILED(mesh->SetMeshTextureCoords()) || !mesh->SetMaterialsArray()) {
      // Its parts name materials, normals or vertices that it does not have.
      m_failureText.Format("Error: The mesh %s does not fit its materials, normals, texture coordinates or colours.",
                           mesh->GetName() && *mesh->GetName() ? mesh->GetName() : "without a name");
      throw "\nError: The mesh could not be prepared for drawing.";
    }
  } else if (IsBaseMeshOfType(object, eBaseMeshTypeDXMesh)) {
    auto* mesh = static_cast<CDXMesh*>(object);
    if (parent && parent->IsAFrame())
      AddCounts(static_cast<CFrame*>(parent), static_cast<LONG>(mesh->GetNumVertices(false)),
                static_cast<LONG>(mesh->GetNumFaces(false)));
    mesh->SetOptionalMembers();
    m_dxMeshes.AddTail(mesh);
  } else if (object->IsAFrame()) {
    auto* frame = static_cast<CFrame*>(object);
    frame->SetInitialFrameTransform();
    frame->SetFrameType(LoadsDXMeshes() ? CFrame::eDXMeshFrame : CFrame::ePlainFrame);
    if (parent && parent->IsAFrame()) AddCounts(static_cast<CFrame*>(parent), frame);
    m_framesByName.SetAt(frame->GetName() ? frame->GetName() : "", frame);
  } else if (object->IsATemplateGUID(&DXFILEOBJ_SkinWeights)) {
    // Weights of vertices that the mesh does not have would be bound to
    // memory outside it.
    auto* weights = static_cast<CSkinWeights*>(object);
    if (parent && IsBaseMeshOfType(parent, eBaseMeshTypeDXMesh))
      m_skinnedMeshesByBoneName.SetAt(weights->GetTransformNodeName(), static_cast<CBaseMesh*>(parent));
    if (parent && parent->IsATemplateGUID(&TID_D3DRMMesh) &&
        !weights->ValidateVertexIndices(static_cast<CMesh*>(parent)->GetVerticesCount()))
      throw "\nError: A skin weight names a vertex that its mesh does not have.";
  } else if (object->IsATemplateGUID(&TID_D3DRMMaterial)) {
    static_cast<CMaterial*>(object)->SetTextureFile();
  } else if (object->IsATemplateGUID(&TID_D3DRMAnimation)) {
    auto* animation = static_cast<CAnimation*>(object);
    animation->SetOptionalMembers();
    m_animations.AddTail(animation);
  } else if (object->IsATemplateGUID(&TID_D3DRMAnimationSet)) {
    auto* set = static_cast<CAnimationSet*>(object);
    set->FillAnimationList();
    set->Play();
  }
}
