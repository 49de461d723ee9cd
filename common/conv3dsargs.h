// The argument string of the conv3ds converter, from the converter options of
// the host's APPOPTIONS.
#pragma once

#include <afx.h>

CString GetConv3dsArguments();

// Stores a texture extension typed by the user in the host's converter
// options: at most its first 4 characters, the field always ended with a
// zero, whatever the field held before.
void SetConvTextureExtension(const char* extension);
