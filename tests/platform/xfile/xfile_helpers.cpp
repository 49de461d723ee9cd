#include "xfile_helpers.h"

#include <rmxfguid.h>
#include <xfile_model.h>

#include <cmath>

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

std::vector<BYTE> MeshBlock(DWORD triangles) {
  const DWORD vertices = 3 * triangles;
  std::vector<BYTE> block;
  auto put = [&block](const void* value) {
    const BYTE* bytes = static_cast<const BYTE*>(value);
    block.insert(block.end(), bytes, bytes + 4);
  };
  put(&vertices);
  for (DWORD i = 0; i < 3 * vertices; ++i) {
    const float value = std::sin(static_cast<float>(i) * 0.731f) * 1000.0f;
    put(&value);
  }
  put(&triangles);
  const DWORD three = 3;
  for (DWORD face = 0; face < triangles; ++face) {
    put(&three);
    for (DWORD corner = 0; corner < 3; ++corner) {
      const DWORD index = 3 * face + corner;
      put(&index);
    }
  }
  return block;
}

HRESULT SaveMeshTemplates(IDirectXFileSaveObject* save) {
  const GUID* templates[] = {&TID_D3DRMMesh};
  return save->SaveTemplates(1, templates);
}

HRESULT SaveMesh(IDirectXFileSaveObject* save, DWORD triangles) {
  std::vector<BYTE> block = MeshBlock(triangles);
  Com<IDirectXFileData> mesh;
  HRESULT hr =
      save->CreateDataObject(TID_D3DRMMesh, "Big", nullptr, static_cast<DWORD>(block.size()), block.data(), &mesh);
  return SUCCEEDED(hr) ? save->SaveData(mesh.get()) : hr;
}

HRESULT SaveMeshFile(IDirectXFile* file, const std::string& path, DXFILEFORMAT format, DWORD triangles) {
  Com<IDirectXFileSaveObject> save;
  HRESULT hr = file->CreateSaveObject(path.c_str(), format, &save);
  if (SUCCEEDED(hr)) hr = SaveMeshTemplates(save.get());
  if (SUCCEEDED(hr)) hr = SaveMesh(save.get(), triangles);
  return hr;
}
