#include "meshface.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "datablock.h"

void CIndexedColor::SetVertexColor(DWORD argb) {
  m_color.r = static_cast<float>((argb >> 16) & 0xFF) / 255.0f;
  m_color.g = static_cast<float>((argb >> 8) & 0xFF) / 255.0f;
  m_color.b = static_cast<float>(argb & 0xFF) / 255.0f;
  m_color.a = static_cast<float>((argb >> 24) & 0xFF) / 255.0f;
}

bool CMeshFace::SetMeshFace(DWORD count, const DWORD* indices) {
  DWORD* corners = ResizeFace(count);
  if (!corners) return false;
  std::copy(indices, indices + count, corners);
  return true;
}

DWORD* CMeshFace::ResizeFace(DWORD count) {
  DestroyContent();
  if (count > kInline) {
    m_heap = new (std::nothrow) DWORD[count];
    if (!m_heap) return nullptr;
  }
  m_count = count;
  return GetFaceVertexIndices();
}

void ReadMeshFaces(CDataBlockReader& reader, CMeshFace* faces, DWORD count, DWORD limit, const char* fewCorners,
                   const char* badIndex) {
  for (DWORD i = 0; i < count; ++i) {
    const DWORD corners = reader.ReadDword();
    if (corners < 3) throw fewCorners;
    const BYTE* values = reader.Take(corners, sizeof(DWORD));
    DWORD* indices = faces[i].ResizeFace(corners);
    if (!indices) throw "\nSetMeshFace() failed";
    // A triangle, most faces, is copied at a size the compiler knows.
    if (corners == 3)
      std::memcpy(indices, values, 3 * sizeof(DWORD));
    else
      std::memcpy(indices, values, corners * sizeof(DWORD));
    if (!faces[i].IndicesBelow(limit)) throw badIndex;
  }
}

void WriteMeshFaces(CDataBlockWriter& writer, const CMeshFace* faces, DWORD count) {
  // The whole array's room at once, filled face by face.
  BYTE* out = writer.Append(MeshFacesBlockSize(faces, count));
  auto put = [&out](DWORD value) {
    std::memcpy(out, &value, sizeof value);
    out += sizeof value;
  };
  put(count);
  for (DWORD i = 0; i < count; ++i) {
    const DWORD corners = faces[i].GetFaceVertexCount();
    const DWORD* indices = faces[i].GetFaceVertexIndices();
    put(corners);
    for (DWORD k = 0; k < corners; ++k) put(indices[k]);
  }
}

size_t MeshFacesBlockSize(const CMeshFace* faces, DWORD count) {
  size_t size = sizeof(DWORD);
  for (DWORD i = 0; i < count; ++i) size += sizeof(DWORD) * (1 + static_cast<size_t>(faces[i].GetFaceVertexCount()));
  return size;
}
