// The PatchMesh data object: loaded for its name and template only; it writes
// nothing when saved.
#pragma once

#include <xfiledataobject.h>

class CPatchMesh : public CXFileDataObject {
 public:
  CPatchMesh();
  ~CPatchMesh() override;

  bool DestroyContent();
  bool IsLoaded() const { return m_loaded; }

  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;
  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;

 protected:
  void ClearContent();

 private:
  bool m_loaded;
};
