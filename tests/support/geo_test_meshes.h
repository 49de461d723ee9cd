// Triangle meshes made for the connectivity tests and benchmarks: records of
// format 0x112 and a 32-bit index list, three indices per triangle, counter-
// clockwise seen from outside.
#pragma once

#include <d3d8types.h>

#include <cmath>
#include <ostream>
#include <vector>

struct SGeoTestMesh {
  std::vector<D3DVERTEX> vertices;
  std::vector<DWORD> indices;

  DWORD AddVertex(float x, float y, float z) {
    vertices.push_back({x, y, z, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f});
    return static_cast<DWORD>(vertices.size() - 1);
  }
  void AddTriangle(DWORD a, DWORD b, DWORD c) { indices.insert(indices.end(), {a, b, c}); }
  DWORD TrianglesCount() const { return static_cast<DWORD>(indices.size() / 3); }
};

// The triangles as the face list of a .x text Mesh: the count, then
// "3;a,b,c" separated by ",", ended by ";;".
inline void WriteXMeshFaces(std::ostream& out, const SGeoTestMesh& mesh) {
  const DWORD faces = mesh.TrianglesCount();
  out << "  " << faces << ";\n";
  for (DWORD t = 0; t < faces; ++t)
    out << "  3;" << mesh.indices[3 * t] << "," << mesh.indices[3 * t + 1] << "," << mesh.indices[3 * t + 2]
        << (t + 1 < faces ? ";,\n" : ";;\n");
}

// A flat grid of columns x rows squares, each cut into two triangles:
// (columns + 1) x (rows + 1) vertices, vertex (i, j) at index j * (columns + 1) + i.
inline SGeoTestMesh MakeGridMesh(DWORD columns, DWORD rows) {
  SGeoTestMesh mesh;
  for (DWORD j = 0; j <= rows; ++j)
    for (DWORD i = 0; i <= columns; ++i) mesh.AddVertex(static_cast<float>(i), static_cast<float>(j), 0.0f);
  for (DWORD j = 0; j < rows; ++j)
    for (DWORD i = 0; i < columns; ++i) {
      const DWORD a = j * (columns + 1) + i, b = a + 1, c = a + columns + 2, d = a + columns + 1;
      mesh.AddTriangle(a, b, c);
      mesh.AddTriangle(a, c, d);
    }
  return mesh;
}

// A unit cube as files usually hold it: four records per side (24 records on
// 8 positions), two triangles per side.
inline SGeoTestMesh MakeCubeMesh() {
  SGeoTestMesh mesh;
  // Each side: its four corners counter-clockwise seen from outside.
  const float sides[6][4][3] = {
      {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
      {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}},
      {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}},
  };
  for (const auto& side : sides) {
    DWORD first = 0;
    for (int k = 0; k < 4; ++k) {
      const DWORD v = mesh.AddVertex(side[k][0], side[k][1], side[k][2]);
      if (k == 0) first = v;
    }
    mesh.AddTriangle(first, first + 1, first + 2);
    mesh.AddTriangle(first, first + 2, first + 3);
  }
  return mesh;
}

// A UV sphere with a seam column and a ring of records at each pole, as
// exporters write it: the seam and poles weld, and the pole triangles whose
// two corners are the pole are degenerate.
inline SGeoTestMesh MakeSphereMesh(DWORD stacks, DWORD slices) {
  SGeoTestMesh mesh;
  const double pi = 3.14159265358979323846;
  for (DWORD i = 0; i <= stacks; ++i)
    for (DWORD j = 0; j <= slices; ++j) {
      if (i == 0 || i == stacks) {
        mesh.AddVertex(0.0f, i == 0 ? 1.0f : -1.0f, 0.0f);
        continue;
      }
      const double theta = pi * i / stacks, phi = 2.0 * pi * (j % slices) / slices;
      mesh.AddVertex(static_cast<float>(std::sin(theta) * std::cos(phi)), static_cast<float>(std::cos(theta)),
                     static_cast<float>(std::sin(theta) * std::sin(phi)));
    }
  for (DWORD i = 0; i < stacks; ++i)
    for (DWORD j = 0; j < slices; ++j) {
      const DWORD a = i * (slices + 1) + j, b = a + slices + 1, c = b + 1, d = a + 1;
      mesh.AddTriangle(a, b, c);
      mesh.AddTriangle(a, c, d);
    }
  return mesh;
}
