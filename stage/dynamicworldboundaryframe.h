// The frame of type 10 that marks the boundary of a world; cameras below it
// size their depth by it.
#pragma once

#include <frame.h>

class CDynamicWorldBoundaryFrame : public CFrame {};
