// The desktop of the window tests (made by their main).
#pragma once

class CAfxDesktop;
extern CAfxDesktop* g_testDesktop;
