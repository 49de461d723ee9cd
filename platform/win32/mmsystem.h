// The multimedia timer and sounds. Included by windows.h.
#pragma once

#include "windows.h"

// Milliseconds of a steady clock, as an unsigned 32-bit count that wraps
// around; intervals are unsigned differences.
DWORD timeGetTime();

// Replaces the clock behind timeGetTime, so that tests can put the counter
// where they need it (near its wrap-around, say); NULL restores the steady
// clock. Answers the previous replacement, or NULL.
using TimeSource = DWORD (*)();
TimeSource SetTimeGetTimeSource(TimeSource source);

#define SND_SYNC 0x0000u
#define SND_ASYNC 0x0001u
#define SND_NODEFAULT 0x0002u
#define SND_MEMORY 0x0004u
#define SND_LOOP 0x0008u
#define SND_NOSTOP 0x0010u
#define SND_NOWAIT 0x00002000u
#define SND_ALIAS 0x00010000u
#define SND_FILENAME 0x00020000u
#define SND_RESOURCE 0x00040004u

// There is no sound device: a sound "plays" when its file can be opened for
// reading (TRUE), at once. A NULL sound stops playing sounds (TRUE). Aliases,
// resources and memory images are not supported (FALSE).
BOOL PlaySoundA(LPCSTR sound, HMODULE module, DWORD flags);
#define PlaySound PlaySoundA
