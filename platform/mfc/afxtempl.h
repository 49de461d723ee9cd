// The collection templates (CArray, CList, CMap and the typed-pointer
// collections); afx.h brings them already.
#pragma once

#include "afx.h"
