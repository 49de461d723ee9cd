#include "animationkey.h"

#include <dx_thread.h>
#include <qorcommon.h>

#include <cmath>
#include <cstring>

namespace {

// Floats of one key value, and bytes of one key record (time, value count,
// values) in the template's data block, by key type.
constexpr DWORD kValueCount[] = {4, 3, 3, 16};
constexpr DWORD kRecordSize[] = {24, 20, 20, 72};
constexpr DWORD kHeaderSize = 8;

// The file's key type codes: 3 is no kind this program knows, matrices are 4.
CAnimationKey::EKeyType FromFileKeyType(DWORD code) {
  switch (code) {
    case 0:
      return CAnimationKey::eRotationKey;
    case 1:
      return CAnimationKey::eScaleKey;
    case 2:
      return CAnimationKey::ePositionKey;
    case 4:
      return CAnimationKey::eMatrixKey;
    default:
      return CAnimationKey::eUnknownKey;
  }
}

DWORD ToFileKeyType(CAnimationKey::EKeyType type) { return type == CAnimationKey::eMatrixKey ? 4 : type; }

class CBlockReader {
 public:
  explicit CBlockReader(const BYTE* block) : m_at(block) {}
  DWORD Dword() { return Read<DWORD>(); }
  float Float() { return Read<float>(); }

 private:
  template <class T>
  T Read() {
    T value;
    std::memcpy(&value, m_at, sizeof(T));
    m_at += sizeof(T);
    return value;
  }
  const BYTE* m_at;
};

class CBlockWriter {
 public:
  explicit CBlockWriter(BYTE* block) : m_at(block) {}
  void Dword(DWORD value) { Write(value); }
  void Float(float value) { Write(value); }

 private:
  template <class T>
  void Write(T value) {
    std::memcpy(m_at, &value, sizeof(T));
    m_at += sizeof(T);
  }
  BYTE* m_at;
};

// A key whose value count is not the one of its type would be read, and
// written back, over the records that follow it.
template <class TKey>
void ReadKeyHead(CBlockReader& in, TKey& key, CAnimationKey::EKeyType type) {
  key.m_time = in.Dword();
  key.m_valueCount = in.Dword();
  if (key.m_valueCount != kValueCount[type]) throw "\nError: An animation key's value count does not match its key type.";
}

// The record layout is fixed by the type: its count is the type's.
template <class TKey>
void WriteKeyHead(CBlockWriter& out, const TKey& key, CAnimationKey::EKeyType type) {
  out.Dword(key.m_time);
  out.Dword(kValueCount[type]);
}

void ReadVector(CBlockReader& in, D3DXVECTOR3& v) {
  v.x = in.Float();
  v.y = in.Float();
  v.z = in.Float();
}

void WriteVector(CBlockWriter& out, const D3DXVECTOR3& v) {
  out.Float(v.x);
  out.Float(v.y);
  out.Float(v.z);
}

}  // namespace

void CAnimationKey::ClearContent() {
  m_keyType = eUnknownKey;
  m_keyCount = 0;
  m_rotateKeys.clear();
  m_scaleKeys.clear();
  m_positionKeys.clear();
  m_matrixKeys.clear();
}

bool CAnimationKey::DestroyContent() {
  ClearContent();
  return CXFileDataObject::DestroyContent(false);
}

DWORD CAnimationKey::KeyTime(DWORD index) const {
  switch (m_keyType) {
    case eRotationKey:
      return m_rotateKeys[index].m_time;
    case eScaleKey:
      return m_scaleKeys[index].m_time;
    case ePositionKey:
      return m_positionKeys[index].m_time;
    case eMatrixKey:
      return m_matrixKeys[index].m_time;
    default:
      return 0;
  }
}

DWORD CAnimationKey::GetAnimationTime() const { return m_keyCount ? KeyTime(m_keyCount - 1) : 0; }

bool CAnimationKey::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) {
  if (!CXFileDataObject::Load(data, size, block, fileDirectory, thread)) return false;
  try {
    if (!block || size < kHeaderSize) throw "\nError: Animation key data too short.";
    CBlockReader in(block);
    DWORD fileType = in.Dword();
    DWORD count = in.Dword();
    if (fileType > 4) throw "Error: Wrong animation key type.";
    EKeyType type = FromFileKeyType(fileType);
    if (type == eUnknownKey) throw "\nWarning: Unknown key type.";
    if (count > (size - kHeaderSize) / kRecordSize[type]) throw "\nError: Animation key data too short.";
    m_keyType = type;
    m_keyCount = count;
    switch (type) {
      case eRotationKey:
        m_rotateKeys.resize(count);
        for (CRotateKey& key : m_rotateKeys) {
          ReadKeyHead(in, key, type);
          key.m_rotation.w = in.Float();
          key.m_rotation.x = in.Float();
          key.m_rotation.y = in.Float();
          key.m_rotation.z = in.Float();
        }
        break;
      case eScaleKey:
        m_scaleKeys.resize(count);
        for (CScaleKey& key : m_scaleKeys) {
          ReadKeyHead(in, key, type);
          ReadVector(in, key.m_scale);
        }
        break;
      case ePositionKey:
        m_positionKeys.resize(count);
        for (CPositionKey& key : m_positionKeys) {
          ReadKeyHead(in, key, type);
          ReadVector(in, key.m_position);
        }
        break;
      default:
        m_matrixKeys.resize(count);
        for (CMatrixKey& key : m_matrixKeys) {
          ReadKeyHead(in, key, type);
          for (int i = 0; i < 16; ++i) key.m_matrix.m[i / 4][i % 4] = in.Float();
        }
        break;
    }
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    ClearContent();
    return false;
  }
  return true;
}

HRESULT CAnimationKey::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) {
  if (out) *out = nullptr;
  if (m_keyType == eUnknownKey) {
    DEBUG_TRACE("\nWarning: Unknown key type.");
    return E_FAIL;
  }
  std::vector<BYTE> block(kHeaderSize + m_keyCount * kRecordSize[m_keyType]);
  CBlockWriter write(block.data());
  write.Dword(ToFileKeyType(m_keyType));
  write.Dword(m_keyCount);
  for (DWORD i = 0; i < m_keyCount; ++i) {
    // A paused job pauses here; saving is never stopped halfway.
    if (thread) thread->WaitForThreadPlayingEvent();
    switch (m_keyType) {
      case eRotationKey: {
        const CRotateKey& key = m_rotateKeys[i];
        WriteKeyHead(write, key, m_keyType);
        write.Float(key.m_rotation.w);
        write.Float(key.m_rotation.x);
        write.Float(key.m_rotation.y);
        write.Float(key.m_rotation.z);
        break;
      }
      case eScaleKey:
        WriteKeyHead(write, m_scaleKeys[i], m_keyType);
        WriteVector(write, m_scaleKeys[i].m_scale);
        break;
      case ePositionKey:
        WriteKeyHead(write, m_positionKeys[i], m_keyType);
        WriteVector(write, m_positionKeys[i].m_position);
        break;
      default:
        WriteKeyHead(write, m_matrixKeys[i], m_keyType);
        for (int j = 0; j < 16; ++j) write.Float(m_matrixKeys[i].m_matrix.m[j / 4][j % 4]);
        break;
    }
  }
  try {
    IDirectXFileData* made = CreateSaveData(saveObject, static_cast<DWORD>(block.size()), block.data(),
                                            "\nError: IDirectXFileSaveObject::CreateDataObject() failed.");
    if (out) *out = made;
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return S_OK;
}

// ---------------------------------------------------------------------------
// Interpolation

void CAnimationKey::GetKeysInterval(DWORD& lower, DWORD& upper, float a) {
  lower = upper = 0;
  if (!m_keyCount || std::isnan(a) || a > static_cast<float>(GetAnimationTime())) return;
  bool found = false;
  for (DWORD i = 0; i < m_keyCount && static_cast<float>(KeyTime(i)) <= a; ++i) {
    lower = i;
    found = true;
  }
  if (!found) return;
  upper = lower;
  while (upper < m_keyCount - 1 && static_cast<float>(KeyTime(upper)) < a) ++upper;
}

float CAnimationKey::ComputeLerp(DWORD lower, DWORD upper, float a) {
  if (!(a <= static_cast<float>(GetAnimationTime()))) return 0;
  float lowerTime = static_cast<float>(KeyTime(lower));
  float upperTime = static_cast<float>(KeyTime(upper));
  return upperTime != lowerTime ? (a - lowerTime) / (upperTime - lowerTime) : 0;
}

D3DXMATRIXA16 CAnimationKey::GetTransform(float t) {
  D3DXMATRIXA16 result;
  D3DXMatrixIdentity(&result);
  if (!m_keyCount || m_keyType == eUnknownKey) return result;
  float a = std::fmod(t, static_cast<float>(GetAnimationTime()));
  DWORD lower = 0;
  DWORD upper = 0;
  GetKeysInterval(lower, upper, a);
  float f = ComputeLerp(lower, upper, a);
  switch (m_keyType) {
    case eRotationKey: {
      D3DXQUATERNION q;
      D3DXQuaternionSlerp(&q, &m_rotateKeys[lower].m_rotation, &m_rotateKeys[upper].m_rotation, f);
      // The file's quaternions turn the other way round.
      q.w = -q.w;
      D3DXMatrixRotationQuaternion(&result, &q);
      break;
    }
    case eScaleKey: {
      D3DXVECTOR3 v;
      D3DXVec3Lerp(&v, &m_scaleKeys[lower].m_scale, &m_scaleKeys[upper].m_scale, f);
      D3DXMatrixScaling(&result, v.x, v.y, v.z);
      break;
    }
    case ePositionKey: {
      D3DXVECTOR3 v;
      D3DXVec3Lerp(&v, &m_positionKeys[lower].m_position, &m_positionKeys[upper].m_position, f);
      D3DXMatrixTranslation(&result, v.x, v.y, v.z);
      break;
    }
    default:
      result = f > 0.5f ? m_matrixKeys[upper].m_matrix : m_matrixKeys[lower].m_matrix;
      break;
  }
  return result;
}
