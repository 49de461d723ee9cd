#include "vorever.h"

IMPLEMENT_DYNAMIC(CVorever, CWinApp)

CVorever::CVorever() : CWinApp("vorever") {}

CVorever theApp;
