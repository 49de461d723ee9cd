#include "headerobject.h"

#include <rmxfguid.h>
#include <tracelog.h>

#include <cstring>

namespace {

// The Header template's block.
#pragma pack(push, 1)
struct SHeaderBlock {
  WORD major;
  WORD minor;
  DWORD flags;
};
#pragma pack(pop)
static_assert(sizeof(SHeaderBlock) == 8);

}  // namespace

CHeader::CHeader() { ClearContent(); }

CHeader::~CHeader() { BeginTeardown(); }

void CHeader::ClearContent() {
  m_major = 0;
  m_minor = 0;
  m_flags = 0;
}

bool CHeader::Initialize(unsigned short major, unsigned short minor, DWORD flags) {
  try {
    DestroyContent(false);
    ClearContent();
    if (FAILED(CXFileDataObject::Initialize(const_cast<char*>("qor_Header"), &TID_DXFILEHeader, false)))
      throw "\nCHeader::Initialize() failed.";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  m_major = major;
  m_minor = minor;
  m_flags = flags;
  return true;
}

bool CHeader::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) {
  ClearContent();
  if (!LoadWithBlock(data, size, block, sizeof(SHeaderBlock), fileDirectory, thread)) return false;
  SHeaderBlock header;
  std::memcpy(&header, block, sizeof(header));
  m_major = header.major;
  m_minor = header.minor;
  m_flags = header.flags;
  return true;
}

HRESULT CHeader::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread*) {
  *out = nullptr;
  SHeaderBlock header = {m_major, m_minor, m_flags};
  try {
    *out = CreateSaveData(saveObject, sizeof(header), &header,
                          "IDirectXFileSaveObject::CreateDataObject \t\t\t\t\t\t\t\t\t\t\t\tfailed in CHeader::Save");
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return S_OK;
}
