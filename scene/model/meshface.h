// Small value records held by the parts of an X-file mesh: texture
// coordinates, face-wrap flags, indexed vertex colours and the face record
// (a list of vertex numbers) shared by meshes and their normals.
#pragma once

#include <d3dx8math.h>
#include <largepages.h>
#include <windows.h>

class CCoords2d {
 public:
  CCoords2d() = default;
  CCoords2d(const CCoords2d&) = default;
  CCoords2d& operator=(const CCoords2d&) = default;
  virtual ~CCoords2d() = default;

  float GetU() const { return m_u; }
  float GetV() const { return m_v; }
  void SetU(float u) { m_u = u; }
  void SetV(float v) { m_v = v; }

 private:
  float m_u = 0;
  float m_v = 0;
};

class CBoolean2d {
 public:
  CBoolean2d() = default;
  CBoolean2d(const CBoolean2d&) = default;
  CBoolean2d& operator=(const CBoolean2d&) = default;
  virtual ~CBoolean2d() = default;

  bool GetU() const { return m_u; }
  bool GetV() const { return m_v; }
  void SetU(bool u) { m_u = u; }
  void SetV(bool v) { m_v = v; }

 private:
  bool m_u = false;
  bool m_v = false;
};

class CIndexedColor {
 public:
  CIndexedColor() = default;
  CIndexedColor(const CIndexedColor&) = default;
  CIndexedColor& operator=(const CIndexedColor&) = default;
  virtual ~CIndexedColor() = default;
  // A mesh's colours are one array, as its faces are.
  static void* operator new[](std::size_t size) { return win32::AllocateLarge(size); }
  static void operator delete[](void* memory, std::size_t size) noexcept { win32::FreeLarge(memory, size); }

  DWORD GetVertexIndex() const { return m_index; }
  void SetVertexIndex(DWORD index) { m_index = index; }
  D3DXCOLOR* GetVertexColor() { return &m_color; }
  void SetVertexColor(D3DXCOLOR& color) { m_color = color; }
  // From an ARGB word, each channel divided by 255.
  void SetVertexColor(DWORD argb);

 private:
  DWORD m_index = 0;
  D3DXCOLOR m_color;
};

class CDataBlockReader;
class CDataBlockWriter;

// One face: its corner count and the vertex (or normal) number of each corner.
// Records are packed to 4 bytes, 20 a face: a mesh keeps one a face and its
// normals another.
#pragma pack(push, 4)
class CMeshFace {
 public:
  CMeshFace() = default;
  CMeshFace(const CMeshFace&) = delete;
  CMeshFace& operator=(const CMeshFace&) = delete;
  ~CMeshFace() { DestroyContent(); }
  // A mesh's faces are one array, filled right after it is made: a large
  // one comes on large pages.
  static void* operator new[](std::size_t size) { return win32::AllocateLarge(size); }
  static void operator delete[](void* memory, std::size_t size) noexcept { win32::FreeLarge(memory, size); }

  DWORD GetFaceVertexCount() const { return m_count; }
  DWORD* GetFaceVertexIndices() const { return m_count <= kInline ? const_cast<DWORD*>(m_inline) : m_heap; }
  // Stores a copy of count indices (a face of up to kInline corners inside
  // the record, a larger one in an array of its own); false, with the face
  // emptied, when memory runs out.
  bool SetMeshFace(DWORD count, const DWORD* indices);
  // Makes room for count corners, the old ones dropped, and gives it to be
  // filled; null, with the face emptied, when memory runs out.
  DWORD* ResizeFace(DWORD count);
  void DestroyContent() {
    if (m_count > kInline) delete[] m_heap;
    m_count = 0;
  }
  DWORD GetDataObjectSize() const { return 4 * m_count + 8; }
  // The number of triangle indices that fanning this face gives (3 per
  // triangle); 0 for a face of fewer than three corners.
  DWORD GetTriangleIndicesCount() const { return m_count < 3 ? 0 : 3 * (m_count - 2); }
  // True when every corner number is below limit.
  bool IndicesBelow(DWORD limit) const {
    const DWORD* indices = GetFaceVertexIndices();
    for (DWORD i = 0; i < m_count; ++i)
      if (indices[i] >= limit) return false;
    return true;
  }

 private:
  // Triangles and quads, most faces of most meshes, need no allocation; a
  // larger face's own array takes their place.
  static constexpr DWORD kInline = 4;

  DWORD m_count = 0;
  union {
    DWORD m_inline[kInline];
    DWORD* m_heap;  // owned, when m_count is above kInline
  };
};
#pragma pack(pop)
static_assert(sizeof(CMeshFace) == 20);

// Reads count faces of a face array from a data block into faces: each a
// corner count of at least three (else throws fewCorners), then its corners,
// each below limit (else throws badIndex). A block that ends before a face
// does throws the reader's message. Checked face by face, in that order.
void ReadMeshFaces(CDataBlockReader& reader, CMeshFace* faces, DWORD count, DWORD limit, const char* fewCorners,
                   const char* badIndex);
// Writes count faces as a face array of a data block: their count, then each
// face's corner count and corners.
void WriteMeshFaces(CDataBlockWriter& writer, const CMeshFace* faces, DWORD count);
// The bytes WriteMeshFaces writes.
size_t MeshFacesBlockSize(const CMeshFace* faces, DWORD count);
