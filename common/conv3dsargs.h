// The argument string of the conv3ds converter, from the converter options of
// the host's APPOPTIONS.
#pragma once

#include <afx.h>

CString GetConv3dsArguments();
