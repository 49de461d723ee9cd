// The AnimationKey data object: one kind of key (rotation, scale, position or
// whole matrix) with its timed values, and the transform it gives at a time
// by interpolating between the keys that enclose it.
#pragma once

#include <d3dx8math.h>

#include <vector>

#include "xfiledataobject.h"

class CTimedFloatKeys {
 public:
  virtual ~CTimedFloatKeys() = default;
  DWORD m_time = 0;
};

// Each value keeps the count of floats that the file gave for it, which is
// the count its key type holds: a key with any other count is not loaded.
class CRotateKey : public CTimedFloatKeys {
 public:
  DWORD m_valueCount = 0;
  D3DXQUATERNION m_rotation;  // w last in memory, first in the file
};

class CScaleKey : public CTimedFloatKeys {
 public:
  DWORD m_valueCount = 0;
  D3DXVECTOR3 m_scale;
};

class CPositionKey : public CTimedFloatKeys {
 public:
  DWORD m_valueCount = 0;
  D3DXVECTOR3 m_position;
};

class CMatrixKey : public CTimedFloatKeys {
 public:
  DWORD m_valueCount = 0;
  D3DXMATRIX m_matrix;
};

class CAnimationKey : public CXFileDataObject {
 public:
  enum EKeyType : std::int32_t {
    eRotationKey = 0,
    eScaleKey = 1,
    ePositionKey = 2,
    eMatrixKey = 3,
    eUnknownKey = 4,
  };

  CAnimationKey() { ClearContent(); }
  ~CAnimationKey() override {
    BeginTeardown();
    DestroyContent();
  }

  bool DestroyContent();
  EKeyType GetKeyType() const { return m_keyType; }
  DWORD GetKeysCount() const { return m_keyCount; }
  // The time of the last key; 0 without keys.
  DWORD GetAnimationTime() const;

  // block: the template's data; size: its length in bytes.
  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;
  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;

  // The keys' transform at time t, wrapped by the time of the last key; the
  // identity without keys.
  D3DXMATRIXA16 GetTransform(float t);

 protected:
  void ClearContent();

 private:
  DWORD KeyTime(DWORD index) const;
  // The last key at or before a and the first key at or after it; (0, 0)
  // outside the keys.
  void GetKeysInterval(DWORD& lower, DWORD& upper, float a);
  float ComputeLerp(DWORD lower, DWORD upper, float a);

  EKeyType m_keyType;
  DWORD m_keyCount;
  std::vector<CRotateKey> m_rotateKeys;
  std::vector<CScaleKey> m_scaleKeys;
  std::vector<CPositionKey> m_positionKeys;
  std::vector<CMatrixKey> m_matrixKeys;
};
