// CXFile: reads one .x file into scene objects below a receiving frame and
// the world, and writes a frame's content back into a .x file (text, binary
// or compressed binary).
#pragma once

#include <afxtempl.h>
#include <dxfile.h>
#include <windows.h>

class CAnimation;
class CBaseMesh;
class CDXMesh;
class CDXThread;
class CFrame;
class CMeshMaterialList;
class CSaveNames;
class CXFileDataList;
class CXFileDataObject;
struct IDirect3DDevice8;

class CXFile {
 public:
  CXFile();
  ~CXFile();
  CXFile(const CXFile&) = delete;
  CXFile& operator=(const CXFile&) = delete;

  // Loads the whole file: top-level frames, meshes, animation sets,
  // animations and skin weights become owned children of root, every other
  // top-level object goes to the world's list. False when the file cannot be
  // read, is malformed, or the job was stopped; then nothing of this load
  // stays attached to root or the world, and GetFailureText says why.
  bool LoadXfile(const char* path, CFrame* root, CXFileDataList& world, char* texturePath, CDXThread* thread);
  // Loads one data object and everything nested in it. out receives the new
  // object when parent is NULL; data2 is the same object reached through the
  // second enumeration, or NULL.
  bool LoadXfileData2(IDirectXFileData* data, CXFileDataObject* parent, IDirect3DDevice8* device,
                      CXFileDataObject** out, char* texturePath, CDXThread* thread, IDirectXFileData* data2);
  // The first object of this load with that name and, when one exists, that
  // template; NULL for a NULL or empty name.
  CXFileDataObject* FindXfileDataObject(const char* name, const GUID* guid);

  // Writes the frame's children as the top-level objects of a new file;
  // objects that the hierarchy only refers to are written first. format:
  // DXFILEFORMAT_BINARY, DXFILEFORMAT_TEXT, with DXFILEFORMAT_COMPRESSED
  // added. True also when the frame is marked deleted (nothing is written).
  bool SaveXFrame2(CFrame* frame, char* path, DWORD format, bool saveTemplates, CDXThread* thread);
  HRESULT SaveTopLevelObject(CXFileDataObject* object, IDirectXFileSaveObject* saveObject, CDXThread* thread);
  // The data object of one scene object with its nested data objects; out is
  // NULL when the object is not written.
  HRESULT CreateDataObjectHierarchy(IDirectXFileData*& out, CXFileDataObject* object,
                                    IDirectXFileSaveObject* saveObject, CDXThread* thread);
  // True when the object or anything below it is a progressive-mesh record.
  bool ContainsPM(CXFileDataObject* object);

  // Empties the lists of this load without freeing anything.
  void ResetXfileLists();
  // Does nothing: the loaded objects belong to their frames and the world.
  void DestroyXfileObjects();
  // Why the last load or save failed; empty after a success.
  const CString& GetFailureText() const { return m_failureText; }

 private:
  using CObjectList = CTypedPtrList<CPtrList, CXFileDataObject*>;
  using CObjectSet = CMap<CXFileDataObject*, CXFileDataObject*, WORD, WORD>;

  void SetFileDirectory(const char* path);
  // The number of objects of the list with that template, and the next one
  // from pos on (NULL at the end).
  int GetCount(CXFileDataList& list, const GUID* guid);
  CXFileDataObject* GetNext(CXFileDataList& list, POSITION& pos, const GUID* guid);
  // Steps of LoadXfileData2.
  CXFileDataObject* CreateObjectOfTemplate(const GUID& type);
  void LoadNestedObjects(IDirectXFileData* data, CXFileDataObject* object, IDirect3DDevice8* device,
                         char* texturePath, CDXThread* thread, IDirectXFileData* data2);
  void BindReference(IDirectXFileDataReference* reference, CXFileDataObject* object);
  void FinishObject(CXFileDataObject* object, CXFileDataObject* parent, CDXThread* thread);
  // Adds the default material to a material list, in the place of a material
  // that the file does not give; a stand-in is remembered when asked.
  void AddDefaultMaterial(CMeshMaterialList* list, bool standIn);
  // Gives a material list exactly the materials its faces name: stand-ins
  // past the last one named go, materials named but missing get the
  // default, and the count follows what is held.
  void CompleteMaterialList(CMeshMaterialList* list);
  // Takes back what a failed load attached to the root frame and the world.
  void DetachLoadedObjects(CFrame* root, CXFileDataList& world, const CObjectList& attachedToRoot,
                           const CObjectList& attachedToWorld);

  // Steps of SaveXFrame2.
  bool CreateDataMap(CXFileDataObject* object, CObjectSet& owned);
  // The objects that the hierarchy refers to without owning them, each once,
  // after those they refer to. Referenced objects without a name get a
  // unique one, so that their references can name them.
  bool CreateReferencesList(CXFileDataObject* object, CObjectList& references, CObjectSet& owned,
                            CObjectSet& seen);
  // Whether an object of that template is written below that parent (NULL:
  // a top-level object).
  bool IsWrittenObject(CXFileDataObject* object, CXFileDataObject* parent);
  // Adds the object and everything written below it to the save's names, in
  // the order in which they are written, with the objects their references
  // and skin weights name.
  void AddSaveNames(CXFileDataObject* object, CXFileDataObject* parent, CSaveNames& names);

  CString m_fileDirectory;
  CMapStringToPtr m_framesByName;
  // The Direct3D mesh that each bone's skin weights belong to, by bone name.
  CTypedPtrMap<CMapStringToPtr, CString, CBaseMesh*> m_skinnedMeshesByBoneName;
  CObjectList m_loadedObjects;
  CTypedPtrList<CPtrList, CDXMesh*> m_dxMeshes;
  CTypedPtrList<CPtrList, CAnimation*> m_animations;
  // Default materials standing in for references that a material list
  // could not bind.
  CObjectSet m_materialStandIns;
  CString m_failureText;
  // The frame the file loads into: an animation may name frames that an
  // earlier file brought there.
  CFrame* m_receivingRoot = nullptr;
};
