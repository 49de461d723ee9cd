// The base of every scene object: identity (name, template GUID, unique id),
// a child list, a per-object lock and a deleted mark, and the generic load
// from and save to the DirectX file API.
#pragma once

#include <afxtempl.h>
#include <windows.h>

#include <atomic>

class CDXDoc;
class CDXThread;
class CDataBlockWriter;
class CXFileDataObject;
struct IDirectXFileData;
struct IDirectXFileSaveObject;

// How a child list entry holds its object.
enum EChildObjectType : std::int32_t {
  eOwnedChild = 0,      // the entry owns the object
  eReferenceChild = 1,  // the object is owned by another entry
  eBinaryChild = 2,     // a binary object, owned like eOwnedChild
};

// One entry of a child list. Owned and binary entries delete their object
// when they are destroyed; references never touch theirs.
class CChildObject {
 public:
  CChildObject();
  CChildObject(EChildObjectType type, CXFileDataObject* object, CXFileDataObject* parent);
  ~CChildObject();
  CChildObject(const CChildObject&) = delete;
  // Copies the type and the object as they are: the caller decides which of
  // the two entries keeps an owned object.
  CChildObject& operator=(const CChildObject& other);

  bool DestroyContent();
  EChildObjectType GetChildObjectType() const { return m_type; }
  CXFileDataObject* GetXfileDataObject() const { return m_object; }
  void SetXfileDataObject(CXFileDataObject* object) { m_object = object; }
  bool IsReference() const { return m_type == eReferenceChild; }

  void DeleteContent(bool tryLock);
  void DeleteContent();
  void DeleteContentTL();
  const char* GetObjectTypeName() const;
  char* GetDisplayNameTL(CDXDoc* doc);

 protected:
  void ClearContent();

 private:
  EChildObjectType m_type;
  CXFileDataObject* m_object;
};

using CChildObjectList = CTypedPtrList<CPtrList, CChildObject*>;
using CDataObjectMap = CTypedPtrMap<CMapPtrToPtr, CXFileDataObject*, CXFileDataObject*>;

class CXFileDataObject {
 public:
  CXFileDataObject();

  // Marks this object and its owned descendants deleted; frees nothing.
  virtual void DeleteContent(bool tryLock);
  virtual void DeleteContentTL();
  virtual bool Initialize(CXFileDataObject* source, char* name);
  virtual bool InitializeClone(CXFileDataObject** clone, char* name);
  virtual DWORD GetDataObjectSize();
  virtual DWORD GetMetricsCount();
  virtual char** GetMetrics();
  virtual ~CXFileDataObject();
  // Both forms refuse (false) a child that holds this object or is this
  // object: the tree would hold itself and every walk over it would be
  // endless. A refused owned child stays the caller's.
  virtual bool AddChildObject(CChildObject** entry, EChildObjectType type, CXFileDataObject* child);
  virtual bool AddChildObject(EChildObjectType type, CXFileDataObject* child, bool tryLock);
  virtual HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread);
  virtual bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread);

  CXFileDataObject(const CXFileDataObject&) = delete;
  CXFileDataObject& operator=(const CXFileDataObject&) = delete;

  // Locking. On the main thread every lock is a single try; job threads wait.
  void LockChildList();
  bool TryLockChildList();
  void UnlockChildList();
  void Lock() { LockChildList(); }
  bool Trylock() { return TryLockChildList(); }
  void Unlock() { UnlockChildList(); }
  bool Lock(bool tryLock, bool quiet);
  void LockChildListHierarchy();
  void UnlockChildListHierarchy();

  // Identity.
  char* GetName() const { return m_name; }
  const GUID* GetTemplateGuid() const { return &m_templateGuid; }
  unsigned char* GetUniqueID() const { return m_uniqueID; }
  bool IsDeleted() const { return m_deleted; }
  bool IsATemplateGUID(const GUID* guid) const;
  bool IsAFrame() const;
  char* GetTemplateName();
  HRESULT SetName(char* name, bool tryLock);
  HRESULT Initialize(char* name, const GUID* guid, bool tryLock);
  bool IsDeletedTL();
  char* GetDisplayNameTL(CDXDoc* doc);

  // Children.
  CChildObjectList& GetChildObjectList() { return m_children; }
  POSITION GetChildHeadPosition() const { return m_children.GetHeadPosition(); }
  CXFileDataObject* GetNextChild(POSITION& pos, const GUID* guid, bool tryLock, bool quiet);
  CXFileDataObject* GetChildXfileDataObject(const GUID* guid, bool tryLock, bool quiet);
  CXFileDataObject* GetAtChild(int index);
  DWORD DeleteDirectChildObject(CXFileDataObject* child, bool tryLock);
  bool DeleteDirectChildObject(CChildObject* entry);
  bool DeleteChildObject(CChildObject* entry);
  DWORD DeleteChildObjects(CXFileDataObject* child);
  DWORD DeleteChildObjectReferences(CXFileDataObject* child);
  bool DetachChild(char* name, const GUID* guid);
  bool DetachChild(EChildObjectType* type, CXFileDataObject* child, bool tryLock);
  void DeleteChildren();
  // Moves other's entries to the tail of this list; nothing moves when one
  // of them holds this object, which would then hold itself.
  void AcquireChildObjectList(CXFileDataObject* other);
  // Whether object is this object or lies below it, through owned and
  // referenced entries alike. Each list is read under its object's lock,
  // taken with tryLock, one object at a time.
  bool Reaches(const CXFileDataObject* object, bool tryLock);
  void SubstituteReferences(CDataObjectMap& map, CDXThread* thread);
  DWORD GetDataObjectHierarchySize();

  // File API.
  HRESULT LoadName(IDirectXFileData* data);
  HRESULT LoadTemplateGuid(IDirectXFileData* data);

  bool DestroyContent(bool tryLock);
  // The name to write for this object, references to it included: during a
  // save, the name that the save gave it (CSaveNames); otherwise its own, or
  // an .x identifier made of it when the program saves text files.
  CString GetSaveName() const;

 protected:
  void ClearContent();
  // Called first by every destructor: from then on the object's lock is
  // waited for on every thread and a lock failure never throws, so that
  // destruction always frees what the object owns.
  void BeginTeardown() { m_tearingDown = true; }
  // The generic load, then a check that the template's block holds at least
  // `needed` bytes.
  bool LoadWithBlock(IDirectXFileData* data, DWORD size, BYTE* block, DWORD needed, char* fileDirectory,
                     CDXThread* thread);
  // Creates the data object of this object's template with the given block;
  // a failure throws failureMessage.
  IDirectXFileData* CreateSaveData(IDirectXFileSaveObject* saveObject, DWORD size, void* block,
                                   const char* failureMessage);
  // The same with the block that writer made, handed over to the save
  // object (the writer is left empty).
  IDirectXFileData* CreateSaveData(IDirectXFileSaveObject* saveObject, CDataBlockWriter& writer,
                                   const char* failureMessage);

 private:
  bool FreeEntry(POSITION pos);
  void MarkDeleted(bool tryLock, bool tl);

  char* m_name;
  GUID m_templateGuid;
  CChildObjectList m_children;
  HANDLE m_lock;
  bool m_lockValid;
  unsigned char* m_uniqueID;
  // Read without the lock by other threads.
  std::atomic<bool> m_deleted;
  bool m_tearingDown;
};
