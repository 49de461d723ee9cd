// The standard .x templates (Header to RightHanded, 35 templates).
#pragma once

#include <windows.h>

// Binary form ("xof 0302bin 0064"), for IDirectXFile::RegisterTemplates.
extern const BYTE D3DRM_XTEMPLATES[];
extern const DWORD D3DRM_XTEMPLATE_BYTES;

// Text form in two pieces: the first begins with the header "xof 0302txt 0032"
// and declares Header to MeshNormals, the second MeshVertexColors to
// RightHanded. Joined they form one text .x file.
extern const char D3DRM_XTEMPLATES_TEXT_FIRST[];
extern const char D3DRM_XTEMPLATES_TEXT_SECOND[];
