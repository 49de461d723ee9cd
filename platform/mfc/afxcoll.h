// Collections: filled in with the collection classes.
#pragma once

#include "afx.h"
