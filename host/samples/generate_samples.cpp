// Writes the sample scene of the samples folder: a text .x file with a few
// frames with transforms, meshes with normals, texture coordinates and two
// materials (one textured), one animation set, a ground mesh of about 100,000
// triangles, and the texture it names.
//   generate_samples FOLDER
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Vertex {
  float x, y, z, nx, ny, nz, u, v;
};

void WriteMatrix(std::FILE* f, const float m[16]) {
  std::fprintf(f, "FrameTransformMatrix {\n");
  for (int i = 0; i < 16; ++i) std::fprintf(f, "%s%g%s", i % 4 ? "" : " ", m[i], i == 15 ? ";;\n" : (i % 4 == 3 ? ",\n" : ","));
  std::fprintf(f, "}\n");
}

void Translation(float m[16], float x, float y, float z) {
  const float t[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
  for (int i = 0; i < 16; ++i) m[i] = t[i];
}

// A mesh of triangles; faceMaterial[i] is the material of triangle i.
void WriteMesh(std::FILE* f, const char* name, const std::vector<Vertex>& vertices,
               const std::vector<unsigned>& indices, const std::vector<unsigned>& faceMaterial, bool textured) {
  const size_t faces = indices.size() / 3;
  std::fprintf(f, "Mesh %s {\n %zu;\n", name, vertices.size());
  for (size_t i = 0; i < vertices.size(); ++i)
    std::fprintf(f, " %g;%g;%g;%s\n", vertices[i].x, vertices[i].y, vertices[i].z, i + 1 < vertices.size() ? "," : ";");
  std::fprintf(f, " %zu;\n", faces);
  for (size_t i = 0; i < faces; ++i)
    std::fprintf(f, " 3;%u,%u,%u;%s\n", indices[3 * i], indices[3 * i + 1], indices[3 * i + 2], i + 1 < faces ? "," : ";");

  std::fprintf(f, " MeshNormals {\n %zu;\n", vertices.size());
  for (size_t i = 0; i < vertices.size(); ++i)
    std::fprintf(f, " %g;%g;%g;%s\n", vertices[i].nx, vertices[i].ny, vertices[i].nz, i + 1 < vertices.size() ? "," : ";");
  std::fprintf(f, " %zu;\n", faces);
  for (size_t i = 0; i < faces; ++i)
    std::fprintf(f, " 3;%u,%u,%u;%s\n", indices[3 * i], indices[3 * i + 1], indices[3 * i + 2], i + 1 < faces ? "," : ";");
  std::fprintf(f, " }\n");

  std::fprintf(f, " MeshTextureCoords {\n %zu;\n", vertices.size());
  for (size_t i = 0; i < vertices.size(); ++i)
    std::fprintf(f, " %g;%g;%s\n", vertices[i].u, vertices[i].v, i + 1 < vertices.size() ? "," : ";");
  std::fprintf(f, " }\n");

  std::fprintf(f, " MeshMaterialList {\n 2;\n %zu;\n", faces);
  for (size_t i = 0; i < faces; ++i) std::fprintf(f, " %u%s\n", faceMaterial[i], i + 1 < faces ? "," : ";");
  std::fprintf(f, " Material Paint {\n  0.8;0.1;0.1;1.0;;\n  20.0;\n  1.0;1.0;1.0;;\n  0.0;0.0;0.0;;\n");
  if (textured) std::fprintf(f, "  TextureFilename {\n   \"checker.bmp\";\n  }\n");
  std::fprintf(f, " }\n");
  std::fprintf(f, " Material Metal {\n  0.6;0.6;0.7;1.0;;\n  60.0;\n  0.9;0.9;0.9;;\n  0.0;0.0;0.0;;\n }\n");
  std::fprintf(f, " }\n}\n");
}

// A box of 24 vertices (4 a side, each side with its own normal).
void Box(std::vector<Vertex>& v, std::vector<unsigned>& idx, std::vector<unsigned>& mat, float s) {
  const float n[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  for (int side = 0; side < 6; ++side) {
    const float* a = n[side];
    // Two axes across the side.
    const float b[3] = {a[1], a[2], a[0]};
    const float c[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    const unsigned base = static_cast<unsigned>(v.size());
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const auto& k : corners)
      v.push_back({s * (a[0] + k[0] * b[0] + k[1] * c[0]), s * (a[1] + k[0] * b[1] + k[1] * c[1]),
                   s * (a[2] + k[0] * b[2] + k[1] * c[2]), a[0], a[1], a[2], (k[0] + 1) / 2, (k[1] + 1) / 2});
    for (unsigned t : {0u, 1u, 2u, 0u, 2u, 3u}) idx.push_back(base + t);
    mat.push_back(side % 2);
    mat.push_back(side % 2);
  }
}

// A rolling ground of cells x cells squares, two triangles each.
void Ground(std::vector<Vertex>& v, std::vector<unsigned>& idx, std::vector<unsigned>& mat, unsigned cells) {
  const float size = 40.0f;
  for (unsigned j = 0; j <= cells; ++j) {
    for (unsigned i = 0; i <= cells; ++i) {
      const float x = size * (static_cast<float>(i) / cells - 0.5f);
      const float z = size * (static_cast<float>(j) / cells - 0.5f);
      const float y = 0.5f * std::sin(x * 0.5f) * std::cos(z * 0.5f);
      // The normal of y(x, z): (-dy/dx, 1, -dy/dz), normalised.
      float nx = -0.25f * std::cos(x * 0.5f) * std::cos(z * 0.5f), ny = 1.0f,
            nz = 0.25f * std::sin(x * 0.5f) * std::sin(z * 0.5f);
      const float length = std::sqrt(nx * nx + ny * ny + nz * nz);
      nx /= length, ny /= length, nz /= length;
      v.push_back({x, y, z, nx, ny, nz, static_cast<float>(i) / cells, static_cast<float>(j) / cells});
    }
  }
  for (unsigned j = 0; j < cells; ++j) {
    for (unsigned i = 0; i < cells; ++i) {
      const unsigned a = j * (cells + 1) + i, b = a + 1, c = a + cells + 1, d = c + 1;
      for (unsigned t : {a, c, b, b, c, d}) idx.push_back(t);
      mat.push_back((i / 8 + j / 8) % 2);
      mat.push_back((i / 8 + j / 8) % 2);
    }
  }
}

// A 64 x 64 checker in 24-bit BMP.
bool WriteTexture(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const unsigned w = 64, h = 64, row = w * 3, size = 54 + row * h;
  const unsigned char header[54] = {'B', 'M', static_cast<unsigned char>(size), static_cast<unsigned char>(size >> 8),
                                    static_cast<unsigned char>(size >> 16), 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0,
                                    w, 0, 0, 0, h, 0, 0, 0, 1, 0, 24};
  std::fwrite(header, 1, sizeof header, f);
  for (unsigned y = 0; y < h; ++y)
    for (unsigned x = 0; x < w; ++x) {
      const unsigned char c = ((x / 8 + y / 8) % 2) ? 230 : 40;
      const unsigned char pixel[3] = {c, c, static_cast<unsigned char>(255 - c)};
      std::fwrite(pixel, 1, 3, f);
    }
  return std::fclose(f) == 0;
}

bool WriteScene(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  std::fprintf(f, "xof 0303txt 0032\n\nHeader {\n 1;\n 0;\n 1;\n}\n\n");
  float m[16];

  std::fprintf(f, "Frame Scene {\n");
  Translation(m, 0, 0, 0);
  WriteMatrix(f, m);

  std::fprintf(f, "Frame Base {\n");
  Translation(m, 0, 1, 0);
  WriteMatrix(f, m);
  {
    std::vector<Vertex> v;
    std::vector<unsigned> idx, mat;
    Box(v, idx, mat, 1.0f);
    WriteMesh(f, "BaseBox", v, idx, mat, true);
  }
  std::fprintf(f, "}\n");

  std::fprintf(f, "Frame Arm {\n");
  const float c = std::cos(0.5f), s = std::sin(0.5f);
  const float turned[16] = {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 2.5f, 0, 1};
  WriteMatrix(f, turned);
  std::fprintf(f, "Frame Hand {\n");
  Translation(m, 1.5f, 0, 0);
  WriteMatrix(f, m);
  {
    std::vector<Vertex> v;
    std::vector<unsigned> idx, mat;
    Box(v, idx, mat, 0.4f);
    WriteMesh(f, "HandBox", v, idx, mat, false);
  }
  std::fprintf(f, "}\n}\n");

  std::fprintf(f, "Frame Ground {\n");
  Translation(m, 0, -0.5f, 0);
  WriteMatrix(f, m);
  {
    std::vector<Vertex> v;
    std::vector<unsigned> idx, mat;
    Ground(v, idx, mat, 224);  // 100,352 triangles
    WriteMesh(f, "GroundMesh", v, idx, mat, true);
  }
  std::fprintf(f, "}\n}\n\n");

  // The arm turns about y once in 4,000 ticks and its hand slides out and back.
  std::fprintf(f,
               "AnimationSet Swing {\n Animation {\n  {Arm}\n  AnimationKey {\n   0;\n   3;\n"
               "   0;4;1.0,0.0,0.0,0.0;;,\n   2000;4;0.0,0.0,1.0,0.0;;,\n   4000;4;-1.0,0.0,0.0,0.0;;;\n  }\n }\n"
               " Animation {\n  {Hand}\n  AnimationKey {\n   2;\n   3;\n"
               "   0;3;1.5,0.0,0.0;;,\n   2000;3;2.5,0.0,0.0;;,\n   4000;3;1.5,0.0,0.0;;;\n  }\n }\n}\n");
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: generate_samples FOLDER\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  if (!WriteScene(folder + "scene.x") || !WriteTexture(folder + "checker.bmp")) {
    std::fprintf(stderr, "generate_samples: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
