// The FrameTransformMatrix data object: the local transform of a frame.
#pragma once

#include <d3dx8math.h>

#include "xfiledataobject.h"

class CFrameTransformMatrix : public CXFileDataObject {
 public:
  CFrameTransformMatrix();
  // mirrored: the matrix is held with the z axis flipped with respect to the file.
  explicit CFrameTransformMatrix(bool mirrored);
  ~CFrameTransformMatrix() override;

  bool DestroyContent(bool tryLock);
  HRESULT Initialize(D3DXMATRIX* matrix, bool mirrored, char* name, bool tryLock);

  void SetFrameMatrix(D3DXMATRIX* matrix, bool tryLock);
  // A deleted object answers the identity.
  D3DXMATRIX GetFrameMatrix(bool tryLock);
  bool IsMirrored() const { return m_mirrored; }
  bool IsLoaded() const { return m_loaded; }

  void LockFrameTransform();
  void UnlockFrameTransform();

  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;
  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;

  // Flips the z axis of a matrix; applying it twice restores the matrix.
  static void Mirror(D3DXMATRIX* matrix);

 protected:
  void ClearContent();

 private:
  void CreateTransformLock();

  D3DXMATRIX m_matrix;
  bool m_mirrored;
  D3DXMATRIX m_loadedMatrix;
  bool m_loaded;
  HANDLE m_transformLock;
  bool m_transformLockValid;
  int m_lockCount;
};
