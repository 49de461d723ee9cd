// CDXFile3DView: a 3D view of a document: its own swap chain on the one
// device, presented into its window.
#pragma once

#include <afxwin.h>

class CDXWRenderSurface;

class CDXFile3DView : public CView {
  DECLARE_DYNCREATE(CDXFile3DView)

 public:
  CDXFile3DView();
  ~CDXFile3DView() override;

  // Rebuilds the render surface at the window's size; false when it cannot.
  bool Resize();
  // Draws one frame and presents it; false when nothing was drawn.
  bool Render(bool bTryLock);
  // Frames presented so far.
  unsigned GetPresentedFrames() const { return m_presented; }

 protected:
  int OnCreate(LPCREATESTRUCT create);
  void OnDestroy();
  void OnSize(UINT type, int cx, int cy);

  DECLARE_MESSAGE_MAP()

 private:
  CDXWRenderSurface* m_pSurface;
  unsigned m_presented;
};
