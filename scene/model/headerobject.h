// The Header data object: the file format's version and flags.
#pragma once

#include "xfiledataobject.h"

class CHeader : public CXFileDataObject {
 public:
  CHeader();
  ~CHeader() override;

  bool Initialize(unsigned short major, unsigned short minor, DWORD flags);
  unsigned short GetMajor() const { return m_major; }
  unsigned short GetMinor() const { return m_minor; }
  DWORD GetFlags() const { return m_flags; }

  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;
  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;

 protected:
  void ClearContent();

 private:
  unsigned short m_major;
  unsigned short m_minor;
  DWORD m_flags;
};
