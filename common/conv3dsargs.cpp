#include "conv3dsargs.h"

#include <appoptions.h>

#include <cstring>

CString GetConv3dsArguments() {
  const APPOPTIONS& o = g_appOptions;
  CString arguments, option;
  if (o.bConvSingleMesh) arguments += " -m";
  if (o.bConvWrapTopFrame) arguments += " -T";
  if (o.fConvScaling > 0.0f) {
    option.Format(" -s%g", static_cast<double>(o.fConvScaling));
    arguments += option;
  }
  if (o.bConvReverseWinding) arguments += " -r";
  if (o.bConvLightwave) arguments = "-r -N -f -h -T";
  if (o.dwConvVerbose <= 3) {
    option.Format(" -v%u", static_cast<unsigned>(o.dwConvVerbose));
    arguments += option;
  }
  // The extension is read up to its array's end, terminated or not.
  const int extensionLength = static_cast<int>(strnlen(o.szConvTextureExt, sizeof(o.szConvTextureExt)));
  if (extensionLength > 0) {
    option.Format(" -e\"%.*s\"", extensionLength, o.szConvTextureExt);
    arguments += option;
  }
  if (o.bConvNoTexture) arguments += " -t";
  if (o.bConvNoFrameTransform) arguments += " -f";
  if (o.fConvAlphaAdd != 0.0f) {
    option.Format(" -z\"%g\" -Z\"%g\"", static_cast<double>(o.fConvAlphaAdd), static_cast<double>(o.fConvAlphaUnder));
    arguments += option;
  }
  if (o.bConvFlattenHierarchy) arguments += " -h";
  return arguments;
}

void SetConvTextureExtension(const char* extension) {
  char (&field)[sizeof(g_appOptions.szConvTextureExt)] = g_appOptions.szConvTextureExt;
  const size_t length = extension ? strnlen(extension, sizeof(field) - 1) : 0;
  std::memset(field, 0, sizeof(field));
  if (length) std::memcpy(field, extension, length);
}
