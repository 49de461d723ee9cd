// The scene's .3ds files: a file read into frames with Direct3D meshes below
// a root frame, a frame tree written as a new file, a file copied into a
// second one. Each call holds the toolkit for its whole sequence, clears its
// error stack at the start and closes every toolkit file at the end. A
// failure gives false; the toolkit's error texts and the reason go to
// standard error.
#pragma once

class CDXThread;
class CFrame;

// Frames of kind 16 below root, one for each mesh of the file, named after
// the mesh ("F_" made unique for an unnamed one), each holding the mesh with
// its materials and the textures named by them (looked for in folder), placed
// as the keyframer's object nodes say; the others directly below root.
bool Import3dsFile(char* fileName, char* folder, CFrame* root, CDXThread* thread);
// A mesh file with every Direct3D mesh below frame, its materials and one
// object node for each mesh.
bool SaveFrameIn3dsFile(CFrame* frame, char* fileName, CDXThread* thread);
// The meshes, materials, keyframer header and object nodes of source in a
// new mesh file.
bool Duplicate3dsFile(char* source, char* destination);
