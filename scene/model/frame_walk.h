// The one walk over a frame's child entries that the frame conversions,
// level-of-detail passes and exports share (frame_conversion.cpp,
// frame_pmesh.cpp, frame_3ds.cpp).
#pragma once

#include <dx_thread.h>

#include "xfiledataobject.h"

// Visits the entries of frame that hold a live object, owned and referenced,
// in list order, while visit(entry, child) answers true. Before each entry the
// walk passes the job's pause and stop point: a stop request throws stopText,
// which the operation's GuardedCall (or its own handler) reports.
template <class Visit>
void WalkChildEntries(CXFileDataObject* frame, CDXThread* thread, const char* stopText, Visit&& visit) {
  CChildObjectList& children = frame->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    if (thread && !thread->WaitForThreadPlayingEvent()) throw stopText;
    CChildObject* entry = children.GetNext(pos);
    CXFileDataObject* child = entry->GetXfileDataObject();
    if (child && !child->IsDeleted() && !visit(entry, child)) return;
  }
}
