// The fixed Direct3D materials that scene objects are drawn with, and the
// conversions between Windows and Direct3D colours.
#pragma once

#include <d3d8types.h>
#include <windows.h>

D3DMATERIAL8 InvisibleMaterial();
D3DMATERIAL8 DefaultMaterial();
// colour as diffuse, ambient and emissive colour; white specular, power 30.
D3DMATERIAL8 GetDefaultMaterial(D3DCOLORVALUE& colour);
D3DMATERIAL8 GreenGlassMaterial();
D3DMATERIAL8 BlueGlassMaterial();
D3DMATERIAL8 GreyGlassMaterial();
D3DMATERIAL8 WhiteGlassMaterial();
D3DMATERIAL8 GreenMaterial();
D3DMATERIAL8 WhiteMaterial();
D3DMATERIAL8 RedMaterial();
D3DMATERIAL8 BlackMaterial();

// Each byte over 255; alpha 1.
D3DCOLORVALUE ConvertWin32Color(COLORREF colour);
// Each channel times 255, truncated toward zero, its low 8 bits kept; alpha
// is ignored.
COLORREF ConvertD3DColor(const D3DCOLORVALUE& colour);
