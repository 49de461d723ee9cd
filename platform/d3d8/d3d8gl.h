// OpenGL through EGL for the devices: one display per device type for the
// whole process, made on first use and never terminated (terminating it would
// end every context of the process), and a compatibility-profile context per
// device. Internal to the Direct3D layer.
#pragma once

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <memory>
#include <string>

#include "d3d8types.h"

// What the OpenGL behind a device type offers, read once per process from a
// short-lived context.
struct D3D8GLFacts {
  bool available = false;
  std::string renderer, vendor, version;
  GLint maxTextureSize = 0;
  GLint maxLights = 0;
};
const D3D8GLFacts& D3D8GetGLFacts(D3DDEVTYPE type);

// An OpenGL 4.5 compatibility-profile context without surfaces: it draws
// into framebuffer objects only. Window y runs up and clip depth runs from 0
// to 1, as Direct3D's does.
class D3D8GLContext {
 public:
  // NULL when the display or the context cannot be made.
  static std::unique_ptr<D3D8GLContext> Create(D3DDEVTYPE type);
  ~D3D8GLContext();
  D3D8GLContext(const D3D8GLContext&) = delete;
  D3D8GLContext& operator=(const D3D8GLContext&) = delete;

  // Makes the context current on the calling thread unless it is already.
  bool MakeCurrent();

 private:
  D3D8GLContext(EGLDisplay display, EGLContext context) : m_display(display), m_context(context) {}

  EGLDisplay m_display;
  EGLContext m_context;
};
