#include "xfile_helpers.h"

#include <xfile_model.h>

namespace {

std::string Name(IDirectXFileObject* object) {
  DWORD length = 0;
  if (FAILED(object->GetName(nullptr, &length)) || length == 0) return "";
  std::string name(length, '\0');
  if (FAILED(object->GetName(name.data(), &length))) return "?";
  name.resize(length - 1);
  return name;
}

std::string Id(IDirectXFileObject* object) {
  GUID id{};
  object->GetId(&id);
  return id == GUID_NULL ? "" : GuidToString(id);
}

void Dump(IDirectXFileData* data, int depth, std::string& out, HRESULT* failure) {
  const GUID* type = nullptr;
  HRESULT hr = data->GetType(&type);
  if (FAILED(hr)) *failure = hr;
  out += std::string(depth * 2, ' ') + (type ? GuidToString(*type) : "?") + " '" + Name(data) + "' " + Id(data);
  std::string values;
  if (type && *type != GUID_NULL) {
    hr = xfile::DescribeBlock(data, &values);
    if (FAILED(hr)) *failure = hr;
  }
  out += " {" + values + "}\n";
  for (;;) {
    IDirectXFileObject* child = nullptr;
    hr = data->GetNextObject(&child);
    if (hr == DXFILEERR_NOMOREOBJECTS) break;
    if (FAILED(hr)) {
      *failure = hr;
      break;
    }
    Com<IDirectXFileData> nested;
    Com<IDirectXFileDataReference> reference;
    if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&nested)))) {
      Dump(nested.get(), depth + 1, out, failure);
    } else if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&reference)))) {
      Com<IDirectXFileData> target;
      HRESULT resolved = reference->Resolve(&target);
      out += std::string((depth + 1) * 2, ' ') + "-> '" + Name(reference.get()) + "' " + Id(reference.get()) + " = " +
             (SUCCEEDED(resolved) ? "'" + Name(target.get()) + "'" : "unresolved") + "\n";
    } else {
      out += std::string((depth + 1) * 2, ' ') + "binary\n";
    }
    child->Release();
  }
}

}  // namespace

std::string DumpAll(IDirectXFileEnumObject* enumObject, HRESULT* failure) {
  std::string out;
  for (;;) {
    Com<IDirectXFileData> data;
    HRESULT hr = enumObject->GetNextDataObject(&data);
    if (hr == DXFILEERR_NOMOREOBJECTS) break;
    if (FAILED(hr)) {
      *failure = hr;
      break;
    }
    Dump(data.get(), 0, out, failure);
  }
  return out;
}

std::string DumpFile(IDirectXFile* file, const std::string& path, HRESULT* failure) {
  Com<IDirectXFileEnumObject> enumObject;
  HRESULT hr = file->CreateEnumObject(const_cast<char*>(path.c_str()), DXFILELOAD_FROMFILE, &enumObject);
  if (FAILED(hr)) {
    *failure = hr;
    return "";
  }
  return DumpAll(enumObject.get(), failure);
}
