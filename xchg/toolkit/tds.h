// The 3DS chunk toolkit: chunk files, the database, mesh, material and
// keyframer records, and the error stack.
#pragma once

#include "tdscatalogue.h"
#include "tdschunk.h"
#include "tdsdatabase.h"
#include "tdserrors.h"
#include "tdsfile.h"
#include "tdskeyframer.h"
#include "tdslock.h"
#include "tdsmaterial.h"
#include "tdsmesh.h"
