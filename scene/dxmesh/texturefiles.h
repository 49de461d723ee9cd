// Where the texture file that a material names lies. Models written on
// Windows name their textures as Windows paths in any case
// ("C:\models\top.tga", "CWALL02.JPG" for cwall02.jpg); such a name is
// looked for by its whole path less the drive, then by ever shorter tails of
// it down to the file name alone, each component in any case, in the model's
// folder, the other folders of the document and the runtime media folder.
#pragma once

#include <afx.h>

#include <vector>

// path when a file opens under it; else the first match of the name in the
// folders, in their order, then in the media folder; empty when none.
// fileName is the name as the material gives it; path the path made of it.
CString ResolveTextureFile(const char* fileName, const char* path, const std::vector<CString>& folders);
