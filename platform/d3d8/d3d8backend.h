// What a device made in OpenGL of its resources: buffer objects, textures,
// render-target textures, depth renderbuffers and the framebuffers that join
// them, each keyed by its resource's number and remembering which change of
// the resource it holds. Internal to the Direct3D layer.
#pragma once

#include <map>
#include <memory>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "d3d8gl.h"

struct D3D8Backend {
  struct Object {
    GLuint name = 0;
    ULONGLONG uploaded = ~0ull;  // the change count the GL copy holds
    UINT largestIndex = 0;       // of an index buffer
  };

  std::unique_ptr<D3D8GLContext> context;
  std::thread::id owner;  // the only thread that calls OpenGL
  GLint maxLights = 0;
  std::unordered_map<ULONGLONG, Object> buffers, textures, colours, depths;
  std::map<std::pair<ULONGLONG, ULONGLONG>, GLuint> framebuffers;
  ULONGLONG targetColour = 0;  // resource numbers of the bound framebuffer's
  ULONGLONG targetDepth = 0;
  std::vector<BYTE> scratch;       // pixel conversions
  std::vector<BYTE> picture;       // the presented picture, top row first
  std::vector<float> positions;    // pre-transformed vertices in clip space
  std::vector<float> blendedPositions;  // vertices blended on the CPU, world space
  std::vector<float> blendedNormals;
};
