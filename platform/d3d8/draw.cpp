// The device's drawing over OpenGL's fixed-function pipeline.
//
// Direct3D's row-vector matrices, stored row by row, are OpenGL's
// column-vector matrices stored column by column, so they load unchanged.
// Views, clear rectangles and pre-transformed vertices count y from the top;
// OpenGL's windows count it from the bottom, so they are turned over here,
// and framebuffer rows are turned over when read back. Winding as seen on the
// screen is the same in both, so Direct3D's cull modes map directly.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "d3d8backend.h"
#include "d3d8device.h"
#include "d3d8pixels.h"

namespace {

// Depth moved towards the eye per unit of D3DRS_ZBIAS, in normalised device
// depth (0 to 1).
constexpr float kDepthBiasStep = 1.0f / 65536.0f;

// Pictures are turned over, so OpenGL's rule for pixel centres on an edge
// would take bottom edges where Direct3D takes top ones: everything moves up
// by this fraction of a pixel to decide as Direct3D does.
constexpr float kEdgeNudge = 1.0f / 64.0f;

const D3DMATRIX& IdentityMatrix() {
  static const D3DMATRIX identity = [] {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
  }();
  return identity;
}

D3DMATRIX Product(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      for (int k = 0; k < 4; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
  return r;
}

void Colour(D3DCOLOR c, float out[4]) {
  out[0] = static_cast<float>((c >> 16) & 0xFF) / 255.0f;
  out[1] = static_cast<float>((c >> 8) & 0xFF) / 255.0f;
  out[2] = static_cast<float>(c & 0xFF) / 255.0f;
  out[3] = static_cast<float>((c >> 24) & 0xFF) / 255.0f;
}

GLenum CompareFunction(DWORD f) {
  switch (f) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

GLenum BlendFactor(DWORD b) {
  switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
  }
}

GLenum StencilOperation(DWORD op) {
  switch (op) {
    case 2: return GL_ZERO;
    case 3: return GL_REPLACE;
    case 4: return GL_INCR;
    case 5: return GL_DECR;
    case 6: return GL_INVERT;
    case 7: return GL_INCR_WRAP;
    case 8: return GL_DECR_WRAP;
    default: return GL_KEEP;
  }
}

GLenum Mode(D3DPRIMITIVETYPE type) {
  switch (type) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
  }
}

UINT ElementCount(D3DPRIMITIVETYPE type, UINT primitives) {
  switch (type) {
    case D3DPT_POINTLIST: return primitives;
    case D3DPT_LINELIST: return primitives * 2;
    case D3DPT_LINESTRIP: return primitives + 1;
    case D3DPT_TRIANGLELIST: return primitives * 3;
    default: return primitives + 2;
  }
}

GLint Address(DWORD a) {
  switch (a) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    default: return GL_REPEAT;
  }
}

// A texture argument as a combiner source and operand.
void Argument(DWORD arg, bool alpha, GLenum* source, GLenum* operand) {
  switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_TEXTURE: *source = GL_TEXTURE; break;
    case D3DTA_TFACTOR: *source = GL_CONSTANT; break;
    default: *source = GL_PRIMARY_COLOR; break;  // diffuse, current (stage 0), specular
  }
  const bool complement = (arg & D3DTA_COMPLEMENT) != 0;
  if (alpha || (arg & D3DTA_ALPHAREPLICATE))
    *operand = complement ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
  else
    *operand = complement ? GL_ONE_MINUS_SRC_COLOR : GL_SRC_COLOR;
}

// One texture operation (colour or alpha) of stage 0 as a combiner.
void Combine(DWORD op, DWORD arg1, DWORD arg2, bool alpha) {
  const GLenum combine = alpha ? GL_COMBINE_ALPHA : GL_COMBINE_RGB;
  const GLenum src0 = alpha ? GL_SRC0_ALPHA : GL_SRC0_RGB, src1 = alpha ? GL_SRC1_ALPHA : GL_SRC1_RGB;
  const GLenum op0 = alpha ? GL_OPERAND0_ALPHA : GL_OPERAND0_RGB, op1 = alpha ? GL_OPERAND1_ALPHA : GL_OPERAND1_RGB;
  GLenum function = GL_MODULATE;
  float scale = 1.0f;
  DWORD first = arg1, second = arg2;
  switch (op) {
    case D3DTOP_DISABLE:  // alpha only: the diffuse alpha goes through
      function = GL_REPLACE;
      first = D3DTA_DIFFUSE;
      break;
    case D3DTOP_SELECTARG1: function = GL_REPLACE; break;
    case D3DTOP_SELECTARG2:
      function = GL_REPLACE;
      first = arg2;
      break;
    case D3DTOP_MODULATE2X: scale = 2.0f; break;
    case D3DTOP_MODULATE4X: scale = 4.0f; break;
    case D3DTOP_ADD: function = GL_ADD; break;
    case D3DTOP_ADDSIGNED: function = GL_ADD_SIGNED; break;
    default: break;
  }
  GLenum source = 0, operand = 0;
  glTexEnvi(GL_TEXTURE_ENV, combine, static_cast<GLint>(function));
  Argument(first, alpha, &source, &operand);
  glTexEnvi(GL_TEXTURE_ENV, src0, static_cast<GLint>(source));
  glTexEnvi(GL_TEXTURE_ENV, op0, static_cast<GLint>(operand));
  Argument(second, alpha, &source, &operand);
  glTexEnvi(GL_TEXTURE_ENV, src1, static_cast<GLint>(source));
  glTexEnvi(GL_TEXTURE_ENV, op1, static_cast<GLint>(operand));
  glTexEnvf(GL_TEXTURE_ENV, alpha ? GL_ALPHA_SCALE : GL_RGB_SCALE, scale);
}

void LoadLight(GLenum gl, const D3DLIGHT8& light, bool specular) {
  const float black[4] = {0, 0, 0, 1};
  glLightfv(gl, GL_DIFFUSE, &light.Diffuse.r);
  glLightfv(gl, GL_SPECULAR, specular ? &light.Specular.r : black);
  glLightfv(gl, GL_AMBIENT, &light.Ambient.r);
  if (light.Type == D3DLIGHT_DIRECTIONAL) {
    // OpenGL takes the direction towards the light.
    const float towards[4] = {-light.Direction.x, -light.Direction.y, -light.Direction.z, 0.0f};
    glLightfv(gl, GL_POSITION, towards);
    glLightf(gl, GL_SPOT_CUTOFF, 180.0f);
    glLightf(gl, GL_CONSTANT_ATTENUATION, 1.0f);
    glLightf(gl, GL_LINEAR_ATTENUATION, 0.0f);
    glLightf(gl, GL_QUADRATIC_ATTENUATION, 0.0f);
    return;
  }
  const float position[4] = {light.Position.x, light.Position.y, light.Position.z, 1.0f};
  glLightfv(gl, GL_POSITION, position);
  const bool none = light.Attenuation0 == 0.0f && light.Attenuation1 == 0.0f && light.Attenuation2 == 0.0f;
  glLightf(gl, GL_CONSTANT_ATTENUATION, none ? 1.0f : light.Attenuation0);
  glLightf(gl, GL_LINEAR_ATTENUATION, light.Attenuation1);
  glLightf(gl, GL_QUADRATIC_ATTENUATION, light.Attenuation2);
  if (light.Type == D3DLIGHT_SPOT) {
    const float direction[3] = {light.Direction.x, light.Direction.y, light.Direction.z};
    glLightfv(gl, GL_SPOT_DIRECTION, direction);
    // The outer cone bounds the light; the falloff sharpens it inside.
    const float cutoff = std::clamp(light.Phi * 0.5f * 57.29578f, 0.0f, 90.0f);
    glLightf(gl, GL_SPOT_CUTOFF, cutoff);
    glLightf(gl, GL_SPOT_EXPONENT, std::clamp(light.Falloff, 0.0f, 128.0f));
  } else {
    glLightf(gl, GL_SPOT_CUTOFF, 180.0f);
  }
}

}  // namespace

bool CDirect3DDevice8::BeginGL() {
  if (!m_backend || !m_backend->context || std::this_thread::get_id() != m_backend->owner) return false;
  if (!m_backend->context->MakeCurrent()) return false;
  D3D8Backend& b = *m_backend;
  for (ULONGLONG id : m_core->TakeRetired()) {
    if (auto it = b.buffers.find(id); it != b.buffers.end()) {
      glDeleteBuffers(1, &it->second.name);
      b.buffers.erase(it);
    }
    if (auto it = b.textures.find(id); it != b.textures.end()) {
      glDeleteTextures(1, &it->second.name);
      b.textures.erase(it);
    }
    if (auto it = b.colours.find(id); it != b.colours.end()) {
      glDeleteTextures(1, &it->second.name);
      b.colours.erase(it);
    }
    if (auto it = b.depths.find(id); it != b.depths.end()) {
      glDeleteRenderbuffers(1, &it->second.name);
      b.depths.erase(it);
    }
    for (auto it = b.framebuffers.begin(); it != b.framebuffers.end();) {
      if (it->first.first == id || it->first.second == id) {
        if (b.targetColour == it->first.first && b.targetDepth == it->first.second) b.targetColour = 0;
        glDeleteFramebuffers(1, &it->second);
        it = b.framebuffers.erase(it);
      } else {
        ++it;
      }
    }
  }
  return true;
}

GLuint CDirect3DDevice8::ColourTexture(CPixels& pixels) {
  D3D8Backend::Object& object = m_backend->colours[pixels.ResourceId()];
  if (!object.name) {
    glGenTextures(1, &object.name);
    glBindTexture(GL_TEXTURE_2D, object.name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(pixels.Width()),
                 static_cast<GLsizei>(pixels.Height()), 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  }
  if (object.uploaded != pixels.Changes()) {
    // Memory written since the last upload: its rows go in bottom first.
    const UINT width = pixels.Width(), height = pixels.Height();
    std::vector<BYTE>& rgba = m_backend->scratch;
    rgba.resize(static_cast<size_t>(width) * height * 4);
    for (UINT row = 0; row < height; ++row)
      D3D8DecodePixels(pixels.Format(), pixels.Data() + static_cast<size_t>(row) * pixels.Pitch(), width,
                       rgba.data() + static_cast<size_t>(height - 1 - row) * width * 4);
    glBindTexture(GL_TEXTURE_2D, object.name);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGBA,
                    GL_UNSIGNED_BYTE, rgba.data());
    object.uploaded = pixels.Changes();
    pixels.drawnOnDevice = false;
  }
  return object.name;
}

GLuint CDirect3DDevice8::DepthBuffer(CPixels& pixels) {
  D3D8Backend::Object& object = m_backend->depths[pixels.ResourceId()];
  if (!object.name) {
    GLenum format = GL_DEPTH24_STENCIL8;
    switch (pixels.Format()) {
      case D3DFMT_D16:
      case D3DFMT_D16_LOCKABLE: format = GL_DEPTH_COMPONENT16; break;
      case D3DFMT_D24X8: format = GL_DEPTH_COMPONENT24; break;
      case D3DFMT_D32: format = GL_DEPTH_COMPONENT32; break;
      default: break;
    }
    glGenRenderbuffers(1, &object.name);
    glBindRenderbuffer(GL_RENDERBUFFER, object.name);
    glRenderbufferStorage(GL_RENDERBUFFER, format, static_cast<GLsizei>(pixels.Width()),
                          static_cast<GLsizei>(pixels.Height()));
    object.uploaded = format;
  }
  return object.name;
}

bool CDirect3DDevice8::BindTarget(UINT* width, UINT* height) {
  CD3D8SurfaceData* colour = D3D8SurfaceData(m_renderTarget);
  if (!colour || !(colour->Usage() & D3DUSAGE_RENDERTARGET)) return false;
  CD3D8SurfaceData* depth = D3D8SurfaceData(m_depthStencil);
  if (depth && !(depth->Usage() & D3DUSAGE_DEPTHSTENCIL)) depth = nullptr;
  CPixels& pixels = colour->Pixels();
  const GLuint texture = ColourTexture(pixels);
  const std::pair<ULONGLONG, ULONGLONG> key{pixels.ResourceId(), depth ? depth->Pixels().ResourceId() : 0};
  GLuint& framebuffer = m_backend->framebuffers[key];
  if (!framebuffer) {
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    if (depth) {
      const GLuint renderbuffer = DepthBuffer(depth->Pixels());
      const GLenum format = static_cast<GLenum>(m_backend->depths[key.second].uploaded);
      const bool stencil = format == GL_DEPTH24_STENCIL8;
      glFramebufferRenderbuffer(GL_FRAMEBUFFER, stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                GL_RENDERBUFFER, renderbuffer);
    }
  } else {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  }
  m_backend->targetColour = key.first;
  m_backend->targetDepth = key.second;
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;
  pixels.drawnOnDevice = true;
  *width = pixels.Width();
  *height = pixels.Height();
  return true;
}

GLuint CDirect3DDevice8::UploadBuffer(IUnknown* resource, bool index) {
  CD3D8BufferData* data = D3D8BufferData(resource);
  if (!data) return 0;
  D3D8Backend::Object& object = m_backend->buffers[data->ResourceId()];
  const GLenum target = index ? GL_ELEMENT_ARRAY_BUFFER : GL_ARRAY_BUFFER;
  if (!object.name) glGenBuffers(1, &object.name);
  glBindBuffer(target, object.name);
  if (object.uploaded != data->Changes()) {
    const ULONGLONG changes = data->Changes();
    glBufferData(target, data->ByteSize(), data->Bytes(), GL_STATIC_DRAW);
    object.uploaded = changes;
    if (index) {
      UINT indexSize = 2;
      D3D8IndexBufferSize(static_cast<IDirect3DIndexBuffer8*>(resource), &indexSize);
      UINT largest = 0;
      const BYTE* bytes = data->Bytes();
      const UINT count = data->ByteSize() / indexSize;
      for (UINT i = 0; i < count; ++i) {
        UINT value = 0;
        if (indexSize == 2) {
          WORD v;
          std::memcpy(&v, bytes + 2 * static_cast<size_t>(i), 2);
          value = v;
        } else {
          std::memcpy(&value, bytes + 4 * static_cast<size_t>(i), 4);
        }
        largest = std::max(largest, value);
      }
      object.largestIndex = largest;
    }
  }
  return object.name;
}

GLuint CDirect3DDevice8::UploadTexture(IDirect3DBaseTexture8* texture) {
  CD3D8TextureData* data = D3D8TextureData(texture);
  if (!data) return 0;
  D3D8Backend::Object& object = m_backend->textures[data->ResourceId()];
  if (!object.name) glGenTextures(1, &object.name);
  glBindTexture(GL_TEXTURE_2D, object.name);
  if (object.uploaded != data->Changes()) {
    const ULONGLONG changes = data->Changes();
    std::vector<BYTE>& rgba = m_backend->scratch;
    for (UINT level = 0; level < data->LevelCount(); ++level) {
      CPixels& pixels = data->Level(level);
      rgba.assign(static_cast<size_t>(pixels.Width()) * pixels.Height() * 4, 255);
      D3D8DecodePixels(pixels.Format(), pixels.Data(), pixels.Width() * pixels.Height(), rgba.data());
      glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA8, static_cast<GLsizei>(pixels.Width()),
                   static_cast<GLsizei>(pixels.Height()), 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(data->LevelCount() - 1));
    object.uploaded = changes;
    object.largestIndex = data->LevelCount();
  }
  return object.name;
}

void CDirect3DDevice8::ReadColour(CPixels& pixels, std::vector<BYTE>& rgba) {
  rgba.resize(static_cast<size_t>(pixels.Width()) * pixels.Height() * 4);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  glReadPixels(0, 0, static_cast<GLsizei>(pixels.Width()), static_cast<GLsizei>(pixels.Height()), GL_RGBA,
               GL_UNSIGNED_BYTE, rgba.data());
}

bool CDirect3DDevice8::BindSurfaceForReading(IDirect3DSurface8* surface, UINT* width, UINT* height) {
  // The surface is bound alone, without depth, and the device's targets are
  // left as they were.
  IDirect3DSurface8* target = m_renderTarget;
  IDirect3DSurface8* depth = m_depthStencil;
  m_renderTarget = surface;
  m_depthStencil = nullptr;
  const bool bound = BeginGL() && BindTarget(width, height);
  m_renderTarget = target;
  m_depthStencil = depth;
  return bound;
}

HRESULT CDirect3DDevice8::SyncToMemory(IDirect3DSurface8* surface) {
  CD3D8SurfaceData* data = D3D8SurfaceData(surface);
  if (!data || !data->Pixels().drawnOnDevice) return D3D_OK;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  UINT width = 0, height = 0;
  if (!BindSurfaceForReading(surface, &width, &height)) return D3DERR_INVALIDCALL;
  CPixels& pixels = data->Pixels();
  ReadColour(pixels, m_backend->scratch);
  for (UINT row = 0; row < height; ++row)
    D3D8EncodePixels(pixels.Format(), m_backend->scratch.data() + static_cast<size_t>(height - 1 - row) * width * 4,
                     width, pixels.Data() + static_cast<size_t>(row) * pixels.Pitch());
  pixels.drawnOnDevice = false;
  return D3D_OK;
}

void CDirect3DDevice8::ApplyRasterStates(bool pretransformed, UINT width, UINT height) {
  const DWORD* rs = m_renderStates;
  if (pretransformed) {
    glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    glDepthRange(0.0, 1.0);
  } else {
    glViewport(static_cast<GLint>(m_viewport.X),
               static_cast<GLint>(height) - static_cast<GLint>(m_viewport.Y + m_viewport.Height),
               static_cast<GLsizei>(m_viewport.Width), static_cast<GLsizei>(m_viewport.Height));
    glDepthRange(m_viewport.MinZ, m_viewport.MaxZ);
  }
  glDisable(GL_SCISSOR_TEST);

  if (rs[D3DRS_CULLMODE] == D3DCULL_NONE) {
    glDisable(GL_CULL_FACE);
  } else {
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    // D3DCULL_CCW removes faces that turn counter-clockwise on the screen.
    glFrontFace(rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_CCW : GL_CW);
  }
  const DWORD fill = rs[D3DRS_FILLMODE];
  glPolygonMode(GL_FRONT_AND_BACK, fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
  glShadeModel(rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH);

  if (m_backend->targetDepth != 0 && rs[D3DRS_ZENABLE] != D3DZB_FALSE) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(CompareFunction(rs[D3DRS_ZFUNC]));
    glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
  } else {
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
  }
  if (m_backend->targetDepth != 0 && rs[D3DRS_STENCILENABLE]) {
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(CompareFunction(rs[D3DRS_STENCILFUNC]), static_cast<GLint>(rs[D3DRS_STENCILREF]),
                  rs[D3DRS_STENCILMASK]);
    glStencilOp(StencilOperation(rs[D3DRS_STENCILFAIL]), StencilOperation(rs[D3DRS_STENCILZFAIL]),
                StencilOperation(rs[D3DRS_STENCILPASS]));
    glStencilMask(rs[D3DRS_STENCILWRITEMASK]);
  } else {
    glDisable(GL_STENCIL_TEST);
  }
  if (rs[D3DRS_ALPHATESTENABLE]) {
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(CompareFunction(rs[D3DRS_ALPHAFUNC]), static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF) / 255.0f);
  } else {
    glDisable(GL_ALPHA_TEST);
  }
  if (rs[D3DRS_ALPHABLENDENABLE]) {
    glEnable(GL_BLEND);
    glBlendFunc(BlendFactor(rs[D3DRS_SRCBLEND]), BlendFactor(rs[D3DRS_DESTBLEND]));
  } else {
    glDisable(GL_BLEND);
  }
  const DWORD mask = rs[D3DRS_COLORWRITEENABLE];
  glColorMask((mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0);
  glDisable(GL_FOG);
  glDisable(GL_DITHER);
  float pointSize = 1.0f;
  std::memcpy(&pointSize, &rs[D3DRS_POINTSIZE], sizeof(float));
  glPointSize(std::clamp(pointSize, 1.0f, 64.0f));
  if (rs[D3DRS_NORMALIZENORMALS])
    glEnable(GL_NORMALIZE);
  else
    glDisable(GL_NORMALIZE);
}

HRESULT CDirect3DDevice8::ApplyTransformsAndLights(bool pretransformed) {
  auto transform = [this](DWORD state) -> const D3DMATRIX& {
    auto found = m_transforms.find(state);
    return found == m_transforms.end() ? IdentityMatrix() : found->second;
  };
  // In clip space: z-bias moves the depth towards the eye by a fixed step
  // per unit, z' = z - step × bias × w; and Direct3D's pixel centres lie on
  // whole viewport coordinates, half a pixel right of and below OpenGL's.
  D3DMATRIX projection = pretransformed ? IdentityMatrix() : transform(D3DTS_PROJECTION);
  const float bias = kDepthBiasStep * static_cast<float>(m_renderStates[D3DRS_ZBIAS]);
  const float dx = pretransformed ? 0.0f : 1.0f / static_cast<float>(std::max<DWORD>(m_viewport.Width, 1));
  const float dy =
      pretransformed ? 0.0f : 2.0f * (kEdgeNudge - 0.5f) / static_cast<float>(std::max<DWORD>(m_viewport.Height, 1));
  for (int row = 0; row < 4; ++row) {
    projection.m[row][0] += dx * projection.m[row][3];
    projection.m[row][1] += dy * projection.m[row][3];
    projection.m[row][2] -= bias * projection.m[row][3];
  }
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixf(&projection.m[0][0]);
  glMatrixMode(GL_MODELVIEW);
  const GLint maxLights = m_backend->maxLights;
  if (pretransformed || !m_renderStates[D3DRS_LIGHTING]) {
    glDisable(GL_LIGHTING);
    const D3DMATRIX modelView =
        pretransformed ? IdentityMatrix() : Product(transform(D3DTS_WORLD), transform(D3DTS_VIEW));
    glLoadMatrixf(&modelView.m[0][0]);
    return D3D_OK;
  }
  // Lights are given in world space: OpenGL takes them through the view.
  glLoadMatrixf(&transform(D3DTS_VIEW).m[0][0]);
  const bool specular = m_renderStates[D3DRS_SPECULARENABLE] != 0;
  // Light indices grow without bound while OpenGL has a few lights: the
  // enabled lights take them in index order, and those beyond stay off.
  GLint next = 0;
  for (const auto& [index, slot] : m_lights) {
    if (!slot.enabled) continue;
    if (next == maxLights) {
      OutputDebugStringA("Direct3D: more lights enabled than OpenGL has; the lights of the highest indices stay off.\n");
      break;
    }
    const GLenum gl = static_cast<GLenum>(GL_LIGHT0 + next++);
    glEnable(gl);
    LoadLight(gl, slot.light, specular);
  }
  for (GLint i = next; i < maxLights; ++i) glDisable(static_cast<GLenum>(GL_LIGHT0 + i));
  const D3DMATRIX modelView = Product(transform(D3DTS_WORLD), transform(D3DTS_VIEW));
  glLoadMatrixf(&modelView.m[0][0]);
  glEnable(GL_LIGHTING);
  float ambient[4];
  Colour(m_renderStates[D3DRS_AMBIENT], ambient);
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  // The viewer's place and a separate specular colour matter only with
  // specular light; without, they would only cost vertex work.
  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, specular && m_renderStates[D3DRS_LOCALVIEWER] ? GL_TRUE : GL_FALSE);
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, specular ? GL_SEPARATE_SPECULAR_COLOR : GL_SINGLE_COLOR);
  glDisable(GL_COLOR_MATERIAL);
  const float black[4] = {0, 0, 0, 1};
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, &m_material.Diffuse.r);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, &m_material.Ambient.r);
  glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, &m_material.Emissive.r);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular ? &m_material.Specular.r : black);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(m_material.Power, 0.0f, 128.0f));
  return D3D_OK;
}

void CDirect3DDevice8::ApplyTextureStage(const FvfLayout& layout, const BYTE* vertices, UINT stride,
                                         bool bufferObject) {
  const DWORD* ts = m_stageStates[0];
  const GLuint texture =
      m_textures[0] && ts[D3DTSS_COLOROP] != D3DTOP_DISABLE ? UploadTexture(m_textures[0]) : 0;
  const UINT set = ts[D3DTSS_TEXCOORDINDEX] & 0xFFFF;
  if (!texture || set >= layout.texCount) {
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    return;
  }
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
  const bool mipmaps = m_backend->textures[D3D8TextureData(m_textures[0])->ResourceId()].largestIndex > 1;
  const bool linear = ts[D3DTSS_MINFILTER] >= D3DTEXF_LINEAR;
  GLint minFilter = linear ? GL_LINEAR : GL_NEAREST;
  if (mipmaps && ts[D3DTSS_MIPFILTER] == D3DTEXF_POINT)
    minFilter = linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
  else if (mipmaps && ts[D3DTSS_MIPFILTER] >= D3DTEXF_LINEAR)
    minFilter = linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, ts[D3DTSS_MAGFILTER] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, Address(ts[D3DTSS_ADDRESSU]));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, Address(ts[D3DTSS_ADDRESSV]));
  float border[4];
  Colour(ts[D3DTSS_BORDERCOLOR], border);
  glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
  float factor[4];
  Colour(m_renderStates[D3DRS_TEXTUREFACTOR], factor);
  glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, factor);
  Combine(ts[D3DTSS_COLOROP], ts[D3DTSS_COLORARG1], ts[D3DTSS_COLORARG2], false);
  Combine(ts[D3DTSS_ALPHAOP], ts[D3DTSS_ALPHAARG1], ts[D3DTSS_ALPHAARG2], true);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  const GLint size = static_cast<GLint>(layout.texSize[set] / 4);
  const BYTE* at = vertices + layout.texOffset[set];
  (void)bufferObject;
  glTexCoordPointer(size, GL_FLOAT, static_cast<GLsizei>(stride), at);
}

HRESULT CDirect3DDevice8::Render(const DrawSource& source) {
  if (!BeginGL()) return D3DERR_INVALIDCALL;
  UINT width = 0, height = 0;
  if (!BindTarget(&width, &height)) return D3DERR_INVALIDCALL;
  const FvfLayout layout = DecodeFvf(m_vertexShader);
  if (!layout.HasPosition() || source.stride < layout.stride) return D3DERR_INVALIDCALL;
  const bool pretransformed = (m_vertexShader & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
  const UINT elements = ElementCount(source.type, source.primitives);

  // Where the vertices are, and how many may be read.
  CD3D8BufferData* vertexData = source.userVertices ? nullptr : D3D8BufferData(m_streamSource);
  if (!source.userVertices && !vertexData) return D3DERR_INVALIDCALL;
  UINT vertexCount = 0;
  if (vertexData)
    vertexCount = vertexData->ByteSize() / source.stride;
  else
    vertexCount = source.indexed ? source.minIndex + source.numVertices : source.firstVertex + elements;

  // Indices must stay inside the vertices.
  CD3D8BufferData* indexData = nullptr;
  const BYTE* indexBytes = static_cast<const BYTE*>(source.userIndices);
  if (source.indexed && !indexBytes) {
    indexData = D3D8BufferData(m_indices);
    if (!indexData) return D3DERR_INVALIDCALL;
  }
  if (source.indexed) {
    bool scan = true;
    if (indexData) {
      UploadBuffer(m_indices, true);
      scan = static_cast<ULONGLONG>(source.baseVertex) + m_backend->buffers[indexData->ResourceId()].largestIndex >=
             vertexCount;
      indexBytes = indexData->Bytes();
    }
    if (scan) {
      const BYTE* first = indexBytes + static_cast<size_t>(source.startIndex) * source.indexSize;
      for (UINT i = 0; i < elements; ++i) {
        UINT value = 0;
        if (source.indexSize == 2) {
          WORD v;
          std::memcpy(&v, first + 2 * static_cast<size_t>(i), 2);
          value = v;
        } else {
          std::memcpy(&value, first + 4 * static_cast<size_t>(i), 4);
        }
        const LONGLONG vertex = static_cast<LONGLONG>(value) + source.baseVertex;
        if (vertex < 0 || vertex >= vertexCount) return D3DERR_INVALIDCALL;
      }
    }
  }

  HRESULT hr = ApplyTransformsAndLights(pretransformed);
  if (FAILED(hr)) return hr;
  ApplyRasterStates(pretransformed, width, height);
  // Blended vertices are in world space: the view alone remains.
  const bool blended = !pretransformed && BlendsVertices(layout);
  if (blended) {
    auto view = m_transforms.find(D3DTS_VIEW);
    glLoadMatrixf(view == m_transforms.end() ? &IdentityMatrix().m[0][0] : &view->second.m[0][0]);
  }

  // Vertices: buffer objects for untransformed vertices of a vertex buffer,
  // the memory itself otherwise (and for blended vertices, read here).
  const bool bufferObject = vertexData && !pretransformed && !blended;
  const BYTE* base = nullptr;
  if (bufferObject) {
    UploadBuffer(m_streamSource, false);
  } else {
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    base = vertexData ? vertexData->Bytes() : source.userVertices;
  }
  glEnableClientState(GL_VERTEX_ARRAY);
  if (pretransformed) {
    // Pixel positions of the render target into clip space; 1/rhw is w, so
    // texture coordinates stay perspective-correct.
    std::vector<float>& clip = m_backend->positions;
    clip.resize(static_cast<size_t>(vertexCount) * 4);
    for (UINT i = 0; i < vertexCount; ++i) {
      float p[4];
      std::memcpy(p, base + static_cast<size_t>(i) * source.stride, sizeof(p));
      const float w = p[3] != 0.0f ? 1.0f / p[3] : 1.0f;
      clip[4 * i] = (2.0f * (p[0] + 0.5f) / static_cast<float>(width) - 1.0f) * w;
      clip[4 * i + 1] = (1.0f - 2.0f * (p[1] + 0.5f - kEdgeNudge) / static_cast<float>(height)) * w;
      clip[4 * i + 2] = p[2] * w;
      clip[4 * i + 3] = w;
    }
    glVertexPointer(4, GL_FLOAT, 0, clip.data());
  } else if (blended) {
    // The vertices the draw may read: the index range of an indexed draw.
    LONGLONG first = source.indexed ? static_cast<LONGLONG>(source.baseVertex) + source.minIndex : source.firstVertex;
    LONGLONG count = source.indexed ? source.numVertices : elements;
    if (first < 0 || count == 0) first = 0, count = vertexCount;
    first = std::clamp<LONGLONG>(first, 0, vertexCount);
    BlendVertices(layout, base, source.stride, static_cast<UINT>(first),
                  static_cast<UINT>(std::min<LONGLONG>(count, vertexCount - first)), vertexCount);
    glVertexPointer(3, GL_FLOAT, 0, m_backend->blendedPositions.data());
  } else {
    glVertexPointer(3, GL_FLOAT, static_cast<GLsizei>(source.stride), base);
  }
  if (layout.HasNormal() && blended) {
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, 0, m_backend->blendedNormals.data());
  } else if (layout.HasNormal() && !pretransformed) {
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, static_cast<GLsizei>(source.stride), base + layout.normal);
  } else {
    glDisableClientState(GL_NORMAL_ARRAY);
    glNormal3f(0.0f, 0.0f, 0.0f);
  }
  const bool colourVertices =
      layout.HasDiffuse() && (pretransformed || !m_renderStates[D3DRS_LIGHTING] || m_renderStates[D3DRS_COLORVERTEX]);
  if (colourVertices) {
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, static_cast<GLsizei>(source.stride), base + layout.diffuse);
    if (!pretransformed && m_renderStates[D3DRS_LIGHTING]) {
      const bool ambientToo = m_renderStates[D3DRS_AMBIENTMATERIALSOURCE] == D3DMCS_COLOR1;
      if (m_renderStates[D3DRS_DIFFUSEMATERIALSOURCE] == D3DMCS_COLOR1) {
        glColorMaterial(GL_FRONT_AND_BACK, ambientToo ? GL_AMBIENT_AND_DIFFUSE : GL_DIFFUSE);
        glEnable(GL_COLOR_MATERIAL);
      }
    }
  } else {
    glDisableClientState(GL_COLOR_ARRAY);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  }
  glDisableClientState(GL_SECONDARY_COLOR_ARRAY);
  ApplyTextureStage(layout, base, source.stride, bufferObject);

  const GLenum mode = Mode(source.type);
  if (!source.indexed) {
    glDrawArrays(mode, static_cast<GLint>(source.firstVertex), static_cast<GLsizei>(elements));
  } else {
    const GLenum type = source.indexSize == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;
    const BYTE* offset = nullptr;
    if (indexData && bufferObject) {
      UploadBuffer(m_indices, true);
      offset = reinterpret_cast<const BYTE*>(static_cast<size_t>(source.startIndex) * source.indexSize);
    } else {
      glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
      offset = indexBytes + static_cast<size_t>(source.startIndex) * source.indexSize;
    }
    glDrawElementsBaseVertex(mode, static_cast<GLsizei>(elements), type, offset, source.baseVertex);
  }
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  return D3D_OK;
}

HRESULT CDirect3DDevice8::PresentSurface(IDirect3DSurface8* surface, const RECT* source,
                                         const D3D8PresentSink& sink) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (m_inScene) return D3DERR_INVALIDCALL;
  if (!sink) return D3D_OK;
  CD3D8SurfaceData* data = D3D8SurfaceData(surface);
  if (!data) return D3DERR_INVALIDCALL;
  UINT width = 0, height = 0;
  if (!BindSurfaceForReading(surface, &width, &height)) return D3DERR_INVALIDCALL;
  CPixels& pixels = data->Pixels();
  std::vector<BYTE>& rgba = m_backend->scratch;
  ReadColour(pixels, rgba);
  LONG left = 0, top = 0, right = static_cast<LONG>(width), bottom = static_cast<LONG>(height);
  if (source) {
    left = std::clamp(source->left, LONG{0}, right);
    top = std::clamp(source->top, LONG{0}, bottom);
    right = std::clamp(source->right, left, right);
    bottom = std::clamp(source->bottom, top, bottom);
  }
  // Rows top first; formats without alpha show opaque.
  const UINT outWidth = static_cast<UINT>(right - left), outHeight = static_cast<UINT>(bottom - top);
  std::vector<BYTE>& picture = m_backend->picture;
  picture.resize(static_cast<size_t>(outWidth) * outHeight * 4);
  const bool opaque = pixels.Format() != D3DFMT_A8R8G8B8 && pixels.Format() != D3DFMT_A1R5G5B5 &&
                      pixels.Format() != D3DFMT_A4R4G4B4 && pixels.Format() != D3DFMT_A8R3G3B2;
  for (UINT row = 0; row < outHeight; ++row) {
    const BYTE* from = rgba.data() + (static_cast<size_t>(height - 1 - (top + row)) * width + left) * 4;
    BYTE* to = picture.data() + static_cast<size_t>(row) * outWidth * 4;
    std::memcpy(to, from, static_cast<size_t>(outWidth) * 4);
    if (opaque)
      for (UINT x = 0; x < outWidth; ++x) to[4 * x + 3] = 255;
  }
  sink(D3D8Image{outWidth, outHeight, outWidth * 4, picture.data()});
  return D3D_OK;
}
