// Everything of D3DX 8: include this one header.
#pragma once

#include "d3dx8math.h"
#include "d3dx8mesh.h"
#include "d3dx8shape.h"
#include "d3dx8tex.h"
