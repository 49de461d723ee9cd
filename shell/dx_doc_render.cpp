// The document's list of 3D views and their rendering, once a frame, from
// the frame loop (main thread). A busy view list never blocks a frame: the
// views repaint from their last image and the next frame tries again.
#include <mmsystem.h>
#include <tracelog.h>

#include "dx_doc.h"
#include "dx_file_3dview.h"
#include "dx_splitter_frame.h"

namespace {

// Taken at the first rendering of any document.
DWORD g_dwRenderStartTime = 0;
bool g_bRenderStarted = false;

// The view list's lock for one walk: with tryLock a busy lock throws.
class CViewListWalk {
 public:
  CViewListWalk(CMutex& lock, bool tryLock) : m_lock(lock), m_held(lock.Lock(tryLock, false)) {}
  ~CViewListWalk() {
    if (m_held) m_lock.Unlock();
  }
  CViewListWalk(const CViewListWalk&) = delete;
  CViewListWalk& operator=(const CViewListWalk&) = delete;

 private:
  CMutex& m_lock;
  bool m_held;
};

}  // namespace

void CDXDoc::AddView(CDXFile3DView* view) {
  const bool held = m_ViewListMutex.Trylock();
  m_ViewList.AddTail(view);
  view->SetFlagInViewList(true);
  if (held) m_ViewListMutex.Unlock();
}

bool CDXDoc::RemoveView(CDXFile3DView* view) {
  const bool held = m_ViewListMutex.Trylock();
  POSITION at = m_ViewList.Find(view);
  if (at != NULL) {
    m_ViewList.RemoveAt(at);
    view->SetFlagInViewList(false);
  }
  if (held) m_ViewListMutex.Unlock();
  return at != NULL;
}

CDXFile3DView* CDXDoc::ZoomedView() {
  if (m_pSplitterFrame == NULL || m_pSplitterFrame->GetSafeHwnd() == NULL || !m_pSplitterFrame->IsZoomed()) {
    return NULL;
  }
  return m_pSplitterFrame->GetActive3DView();
}

template <class Treat>
void CDXDoc::ForEach3DView(bool tryLock, Treat treat) {
  CViewListWalk walk(m_ViewListMutex, tryLock);
  if (CDXFile3DView* zoomed = ZoomedView()) {
    treat(zoomed);
    return;
  }
  for (POSITION at = m_ViewList.GetHeadPosition(); at != NULL;) treat(m_ViewList.GetNext(at));
}

// The views keep their own frame clocks; elapsed is the frame loop's.
bool CDXDoc::Render3DViews(DWORD, bool tryLock) {
  ForEach3DView(tryLock, [&](CDXFile3DView* view) { view->Render(tryLock); });
  return true;
}

bool CDXDoc::UpdateAll3DViews(bool tryLock) {
  ForEach3DView(tryLock, [](CDXFile3DView* view) {
    view->Invalidate(TRUE);
    view->UpdateWindow();
  });
  return true;
}

bool CDXDoc::Refresh3DViews(bool tryLock) {
  ForEach3DView(tryLock, [tryLock](CDXFile3DView* view) { view->RefreshDXview(tryLock); });
  return true;
}

bool CDXDoc::Is3DViewVisible(bool tryLock) {
  if (m_pSplitterFrame == NULL || m_pSplitterFrame->GetSafeHwnd() == NULL) return false;
  CViewListWalk walk(m_ViewListMutex, tryLock);
  if (m_pSplitterFrame->IsZoomed()) return true;
  for (POSITION at = m_ViewList.GetHeadPosition(); at != NULL;) {
    if (m_ViewList.GetNext(at)->Is3DViewVisible(tryLock)) return true;
  }
  return false;
}

bool CDXDoc::RenderDocumentScene(bool tryLock) {
  if (!g_bRenderStarted) {
    g_dwRenderStartTime = timeGetTime();
    g_bRenderStarted = true;
  }
  const DWORD elapsed = timeGetTime() - g_dwRenderStartTime;
  try {
    if (Is3DViewVisible(tryLock)) {
      if (!m_ThreadsManager.ActiveThread() && !m_xFileTopLevelObjects.ProcessSkinnedMesh(this, tryLock)) {
        WriteTrace("\nError: m_xFileTopLevelObjects.ProcessSkinnedMesh() failed.");
      }
      if (!Render3DViews(elapsed, tryLock)) WriteTrace("\nError: Render3DViews() failed.");
    }
  } catch (const char* message) {
    // A lock was busy on the way: show the last images, try again next frame.
    WriteTrace(message);
    try {
      Refresh3DViews(true);
    } catch (const char* again) {
      WriteTrace(again);
    }
  } catch (CException* exception) {
    WriteTrace("\nCException() raised.");
    exception->Delete();
  }
  return true;
}

void CDXDoc::UpdateViews() {
  CWinApp* app = AfxGetApp();
  if (app == NULL || GetCurrentThreadId() != app->m_nThreadID) return;
  for (POSITION at = GetFirstViewPosition(); at != NULL;) UpdateSharedObjectsOf(GetNextView(at));
}
