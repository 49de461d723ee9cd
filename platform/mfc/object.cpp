#include "afx.h"

const CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr, nullptr};

CRuntimeClass* CObject::GetRuntimeClass() const { return RUNTIME_CLASS(CObject); }

BOOL CObject::IsKindOf(const CRuntimeClass* runtimeClass) const {
  return GetRuntimeClass()->IsDerivedFrom(runtimeClass);
}

CObject* CRuntimeClass::CreateObject() const {
  if (!m_pfnCreateObject) {
    SetLastError(ERROR_INVALID_FUNCTION);
    return nullptr;
  }
  return m_pfnCreateObject();
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* baseClass) const {
  for (const CRuntimeClass* current = this; current; current = current->m_pBaseClass) {
    if (current == baseClass) return TRUE;
  }
  return FALSE;
}
