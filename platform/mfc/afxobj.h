// CObject, the root of the framework's classes, and the run-time class
// information that lets code ask an object its class (IsKindOf) and create an
// object from its class (CRuntimeClass::CreateObject).
#pragma once

#include <windows.h>

class CObject;

struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;
  CObject* (*m_pfnCreateObject)();  // NULL unless dynamically creatable
  const CRuntimeClass* m_pBaseClass;

  // A new object of the class, or NULL when the class is not dynamically creatable.
  CObject* CreateObject() const;
  BOOL IsDerivedFrom(const CRuntimeClass* baseClass) const;
};

class CObject {
 public:
  static const CRuntimeClass classCObject;
  virtual CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject() = default;
  BOOL IsKindOf(const CRuntimeClass* runtimeClass) const;

  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;

 protected:
  CObject() = default;
};

#define RUNTIME_CLASS(class_name) (const_cast<CRuntimeClass*>(&class_name::class##class_name))

#define DECLARE_DYNAMIC(class_name)             \
 public:                                        \
  static const CRuntimeClass class##class_name; \
  virtual CRuntimeClass* GetRuntimeClass() const;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();

#define IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema, create)                                       \
  const CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)), schema, \
                                                       create, RUNTIME_CLASS(base_class_name)};                   \
  CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
  IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)         \
  CObject* class_name::CreateObject() { return new class_name; } \
  IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject)

// The object as the given class when it is of that class, else NULL.
#define DYNAMIC_DOWNCAST(class_name, object) \
  ((object) && (object)->IsKindOf(RUNTIME_CLASS(class_name)) ? static_cast<class_name*>(object) : nullptr)
