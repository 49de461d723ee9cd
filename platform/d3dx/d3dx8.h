// Everything of D3DX 8: include this one header.
#pragma once

#include "d3dx8math.h"
