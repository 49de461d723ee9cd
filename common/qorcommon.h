// Everything of the common utilities library: include this one header.
#pragma once

#include "appfiles.h"
#include "configfile.h"
#include "conv3dsargs.h"
#include "materialpresets.h"
#include "tracelog.h"
#include "vectorgeometry.h"
#include "vectortransforms.h"
