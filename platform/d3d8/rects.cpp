#include <algorithm>
#include <cstring>

#include "d3d8device.h"

D3D8Rect D3D8ReadRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

HRESULT CDirect3DDevice8::CopyRects(IDirect3DSurface8* source, const RECT* sourceRects, UINT count,
                                    IDirect3DSurface8* dest, const POINT* destPoints) {
  if (!source || !dest || source == dest || (count > 0 && !sourceRects)) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC from{}, to{};
  if (FAILED(source->GetDesc(&from)) || FAILED(dest->GetDesc(&to))) return D3DERR_INVALIDCALL;
  if (from.Format != to.Format) return D3DERR_INVALIDCALL;
  // Render targets drawn on the device come back into memory first; the copy
  // into one goes up again at its next use.
  if (FAILED(SyncToMemory(source)) || FAILED(SyncToMemory(dest))) return D3DERR_INVALIDCALL;
  const LONG pixel = static_cast<LONG>(D3D8FormatSize(from.Format));
  // Check every rectangle before copying any.
  const RECT whole{0, 0, static_cast<LONG>(from.Width), static_cast<LONG>(from.Height)};
  const UINT n = count > 0 ? count : 1;
  for (UINT i = 0; i < n; ++i) {
    const RECT& r = count > 0 ? sourceRects[i] : whole;
    const LONG x = destPoints ? destPoints[i].x : r.left, y = destPoints ? destPoints[i].y : r.top;
    if (r.left < 0 || r.top < 0 || r.left >= r.right || r.top >= r.bottom || r.right > static_cast<LONG>(from.Width) ||
        r.bottom > static_cast<LONG>(from.Height) || x < 0 || y < 0 ||
        x + (r.right - r.left) > static_cast<LONG>(to.Width) || y + (r.bottom - r.top) > static_cast<LONG>(to.Height))
      return D3DERR_INVALIDCALL;
  }
  D3DLOCKED_RECT in{}, out{};
  if (FAILED(source->LockRect(&in, nullptr, D3DLOCK_READONLY))) return D3DERR_INVALIDCALL;
  if (FAILED(dest->LockRect(&out, nullptr, 0))) {
    source->UnlockRect();
    return D3DERR_INVALIDCALL;
  }
  for (UINT i = 0; i < n; ++i) {
    const RECT& r = count > 0 ? sourceRects[i] : whole;
    const LONG x = destPoints ? destPoints[i].x : r.left, y = destPoints ? destPoints[i].y : r.top;
    for (LONG row = 0; row < r.bottom - r.top; ++row)
      std::memcpy(static_cast<BYTE*>(out.pBits) + (y + row) * out.Pitch + x * pixel,
                  static_cast<const BYTE*>(in.pBits) + (r.top + row) * in.Pitch + r.left * pixel,
                  static_cast<size_t>((r.right - r.left) * pixel));
  }
  dest->UnlockRect();
  source->UnlockRect();
  return D3D_OK;
}
