#include <malloc.h>

#include <cstring>
#include <mutex>

#include "d3d8gl.h"

namespace {

// eglBindAPI holds per thread: every thread that makes or uses a context
// binds OpenGL first.
void BindOpenGL() {
  thread_local bool bound = false;
  if (!bound) bound = eglBindAPI(EGL_OPENGL_API) == EGL_TRUE;
}

bool HasExtension(const char* list, const char* name) {
  if (!list) return false;
  const size_t length = std::strlen(name);
  for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name))
    if ((at == list || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0')) return true;
  return false;
}

EGLDisplay Initialized(EGLDisplay display) {
  if (display == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
  EGLint major = 0, minor = 0;
  return eglInitialize(display, &major, &minor) ? display : EGL_NO_DISPLAY;
}

// The hardware device: the surfaceless platform picks the system's render
// node, or the software rasterizer on a machine without one.
EGLDisplay HardwareDisplay() {
  static const EGLDisplay display =
      Initialized(eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr));
  return display;
}

// The reference device: always the software rasterizer, found among the EGL
// devices; the hardware display stands in where the software device cannot be
// named.
EGLDisplay ReferenceDisplay() {
  static const EGLDisplay display = [] {
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (HasExtension(clientExtensions, "EGL_EXT_device_enumeration") &&
        HasExtension(clientExtensions, "EGL_EXT_platform_device")) {
      auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
      auto queryDeviceString =
          reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(eglGetProcAddress("eglQueryDeviceStringEXT"));
      EGLDeviceEXT devices[16];
      EGLint count = 0;
      if (queryDevices && queryDeviceString && queryDevices(16, devices, &count)) {
        for (EGLint i = 0; i < count; ++i) {
          if (!HasExtension(queryDeviceString(devices[i], EGL_EXTENSIONS), "EGL_MESA_device_software")) continue;
          const EGLDisplay software = Initialized(eglGetPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr));
          if (software != EGL_NO_DISPLAY) return software;
        }
      }
    }
    return HardwareDisplay();
  }();
  return display;
}

EGLDisplay DisplayOf(D3DDEVTYPE type) { return type == D3DDEVTYPE_REF ? ReferenceDisplay() : HardwareDisplay(); }

EGLContext MakeContext(EGLDisplay display) {
  if (display == EGL_NO_DISPLAY) return EGL_NO_CONTEXT;
  BindOpenGL();
  const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                               4,
                               EGL_CONTEXT_MINOR_VERSION,
                               5,
                               EGL_CONTEXT_OPENGL_PROFILE_MASK,
                               EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                               EGL_NONE};
  return eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
}

// The thread's current context, to be put back after a probe.
struct CurrentContext {
  EGLDisplay display = eglGetCurrentDisplay();
  EGLContext context = eglGetCurrentContext();
  EGLSurface draw = eglGetCurrentSurface(EGL_DRAW);
  EGLSurface read = eglGetCurrentSurface(EGL_READ);

  void Restore() const {
    if (context != EGL_NO_CONTEXT) eglMakeCurrent(display, draw, read, context);
  }
};

D3D8GLFacts Probe(D3DDEVTYPE type) {
  D3D8GLFacts facts;
  const EGLDisplay display = DisplayOf(type);
  const EGLContext context = MakeContext(display);
  if (context == EGL_NO_CONTEXT) return facts;
  const CurrentContext previous;
  if (eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
    auto text = [](GLenum name) {
      const auto* value = reinterpret_cast<const char*>(glGetString(name));
      return std::string(value ? value : "");
    };
    facts.renderer = text(GL_RENDERER);
    facts.vendor = text(GL_VENDOR);
    facts.version = text(GL_VERSION);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &facts.maxTextureSize);
    glGetIntegerv(GL_MAX_LIGHTS, &facts.maxLights);
    facts.available = facts.maxTextureSize > 0 && facts.maxLights > 0;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
  previous.Restore();
  eglDestroyContext(display, context);
  return facts;
}

}  // namespace

const D3D8GLFacts& D3D8GetGLFacts(D3DDEVTYPE type) {
  static const D3D8GLFacts hardware = Probe(D3DDEVTYPE_HAL);
  if (type != D3DDEVTYPE_REF) return hardware;
  static const D3D8GLFacts reference = Probe(D3DDEVTYPE_REF);
  return reference;
}

std::unique_ptr<D3D8GLContext> D3D8GLContext::Create(D3DDEVTYPE type) {
  // The software rasterizer takes the memory of a frame's triangles from the
  // heap and gives it back at the frame's end; the C library would return
  // the heap's top to the system each time and fault it in again on the next
  // frame, which costs more than the drawing itself. The heap keeps up to
  // this much free at its top instead.
  static const bool heapKept = mallopt(M_TRIM_THRESHOLD, 256 << 20) == 1;
  (void)heapKept;
  const EGLDisplay display = DisplayOf(type);
  const EGLContext context = MakeContext(display);
  if (context == EGL_NO_CONTEXT) return nullptr;
  std::unique_ptr<D3D8GLContext> made(new D3D8GLContext(display, context));
  const CurrentContext previous;
  if (!made->MakeCurrent()) return nullptr;
  // Direct3D's depth range, and its flat shading takes the first vertex's
  // colour.
  glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
  glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (previous.context != EGL_NO_CONTEXT) previous.Restore();
  return made;
}

D3D8GLContext::~D3D8GLContext() {
  BindOpenGL();
  if (eglGetCurrentContext() == m_context) eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroyContext(m_display, m_context);
}

bool D3D8GLContext::MakeCurrent() {
  BindOpenGL();
  if (eglGetCurrentContext() == m_context) return true;
  return eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_context) == EGL_TRUE;
}
