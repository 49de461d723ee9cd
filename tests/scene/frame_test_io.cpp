#include "frame_test_io.h"

#include <animation.h>
#include <animationkey.h>
#include <frame.h>
#include <frametransformmatrix.h>
#include <mesh.h>
#include <rmxfguid.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "../platform/xfile/xfile_helpers.h"

namespace frame_test {
namespace {

CXFileDataObject* Make(const GUID& type) {
  if (type == TID_D3DRMFrame) return new CFrame;
  if (type == TID_D3DRMFrameTransformMatrix) return new CFrameTransformMatrix;
  if (type == TID_D3DRMAnimationSet) return new CAnimationSet;
  if (type == TID_D3DRMAnimation) return new CAnimation;
  if (type == TID_D3DRMAnimationKey) return new CAnimationKey;
  if (type == TID_D3DRMAnimationOptions) return new CAnimationOptions;
  if (type == TID_D3DRMMesh) return new CMesh;
  return nullptr;
}

std::string NameOf(IDirectXFileObject* object) {
  DWORD length = 0;
  if (FAILED(object->GetName(nullptr, &length)) || length == 0) return "";
  std::string name(length, '\0');
  object->GetName(name.data(), &length);
  name.resize(std::strlen(name.c_str()));
  return name;
}

class CReader {
 public:
  // The object made of data with its children; NULL for templates the tests
  // do not use.
  CXFileDataObject* Read(IDirectXFileData* data, bool* ok) {
    const GUID* type = nullptr;
    if (FAILED(data->GetType(&type)) || !type) return Fail(ok);
    std::unique_ptr<CXFileDataObject> object(Make(*type));
    if (!object) return nullptr;
    DWORD size = 0;
    void* block = nullptr;
    if (FAILED(data->GetData(nullptr, &size, &block))) return Fail(ok);
    if (!object->Load(data, size, static_cast<BYTE*>(block), nullptr, nullptr)) return Fail(ok);
    for (;;) {
      Com<IDirectXFileObject> child;
      if (FAILED(data->GetNextObject(&child))) break;
      Com<IDirectXFileData> nested;
      Com<IDirectXFileDataReference> reference;
      if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&nested)))) {
        if (CXFileDataObject* made = Read(nested.p, ok)) object->AddChildObject(eOwnedChild, made, false);
      } else if (SUCCEEDED(
                     child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&reference)))) {
        auto found = m_named.find(NameOf(reference.p));
        if (found == m_named.end()) return Fail(ok);
        object->AddChildObject(eReferenceChild, found->second, false);
      }
    }
    if (object->IsATemplateGUID(&TID_D3DRMAnimation)) static_cast<CAnimation*>(object.get())->SetOptionalMembers();
    if (object->IsATemplateGUID(&TID_D3DRMAnimationSet)) static_cast<CAnimationSet*>(object.get())->FillAnimationList();
    if (object->GetName() && *object->GetName()) m_named.emplace(object->GetName(), object.get());
    return object.release();
  }

 private:
  static CXFileDataObject* Fail(bool* ok) {
    *ok = false;
    return nullptr;
  }
  std::map<std::string, CXFileDataObject*> m_named;
};

ObjectList ReadAll(IDirectXFileEnumObject* enumObject, bool* ok) {
  ObjectList objects;
  CReader reader;
  for (;;) {
    Com<IDirectXFileData> data;
    HRESULT hr = enumObject->GetNextDataObject(&data);
    if (hr == DXFILEERR_NOMOREOBJECTS) break;
    if (FAILED(hr)) {
      *ok = false;
      break;
    }
    if (CXFileDataObject* made = reader.Read(data.p, ok)) objects.emplace_back(made);
  }
  return objects;
}

bool Write(IDirectXFileSaveObject* save, CXFileDataObject* object, IDirectXFileData** out) {
  if (FAILED(object->Save(save, out, nullptr)) || !*out) return false;
  CChildObjectList& children = object->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CChildObject* entry = children.GetNext(pos);
    CXFileDataObject* child = entry->GetXfileDataObject();
    if (entry->IsReference()) {
      if (FAILED((*out)->AddDataReference(child->GetName(), nullptr))) return false;
      continue;
    }
    Com<IDirectXFileData> nested;
    if (!Write(save, child, &nested) || FAILED((*out)->AddDataObject(nested.p))) return false;
  }
  return true;
}

}  // namespace

ObjectList ReadObjects(const std::string& text, bool* ok) {
  *ok = true;
  Com<IDirectXFile> file;
  file.p = CreateRegisteredFile();
  Com<IDirectXFileEnumObject> enumObject;
  if (!file.p || FAILED(OpenMemory(file.p, text, &enumObject))) {
    *ok = false;
    return {};
  }
  return ReadAll(enumObject.p, ok);
}

bool WriteObjects(const std::string& path, const std::vector<CXFileDataObject*>& objects, DXFILEFORMAT format) {
  Com<IDirectXFile> file;
  file.p = CreateRegisteredFile();
  Com<IDirectXFileSaveObject> save;
  if (!file.p || FAILED(file->CreateSaveObject(path.c_str(), format, &save))) return false;
  for (CXFileDataObject* object : objects) {
    Com<IDirectXFileData> data;
    if (!Write(save.p, object, &data) || FAILED(save->SaveData(data.p))) return false;
  }
  return true;
}

ObjectList ReadFile(const std::string& path, bool* ok) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return ReadObjects(content.str(), ok);
}

}  // namespace frame_test
