#include "animation.h"

#include <dx_doc.h>

#include <qorcommon.h>
#include <rmxfguid.h>

#include <cmath>
#include <cstring>

#include "animationkey.h"
#include "basemesh.h"
#include "frame.h"
#include "objectlock.h"

// ---------------------------------------------------------------------------
// CAnimation

void CAnimation::ClearContent() {
  m_frame = nullptr;
  m_meshCenter = D3DXVECTOR3(0, 0, 0);
}

bool CAnimation::DestroyContent() {
  m_keysLock.Lock();
  m_keys.RemoveAll();
  m_keysLock.Unlock();
  m_options.RemoveAll();
  if (!CXFileDataObject::DestroyContent(false)) return false;
  ClearContent();
  return true;
}

bool CAnimation::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) {
  if (!CXFileDataObject::Load(data, size, block, fileDirectory, thread)) return false;
  try {
    m_keysLock.Initialize();
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  return true;
}

HRESULT CAnimation::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread*) {
  *out = nullptr;
  try {
    *out = CreateSaveData(saveObject, 0, nullptr, "\nError: IDirectXFileSaveObject::CreateDataObject() failed.");
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return S_OK;
}

void CAnimation::SetOptionalMembers() {
  CChildObjectList& children = GetChildObjectList();
  if (children.IsEmpty()) return;
  m_keysLock.Lock();
  m_keys.RemoveAll();
  m_options.RemoveAll();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CXFileDataObject* child = children.GetNext(pos)->GetXfileDataObject();
    if (!child) continue;
    if (child->IsAFrame())
      m_frame = static_cast<CFrame*>(child);
    else if (child->IsATemplateGUID(&TID_D3DRMAnimationKey))
      m_keys.Add(static_cast<CAnimationKey*>(child));
    else if (child->IsATemplateGUID(&TID_D3DRMAnimationOptions))
      m_options.Add(static_cast<CAnimationOptions*>(child));
  }
  m_keys.FreeExtra();
  m_options.FreeExtra();
  m_keysLock.Unlock();
}

void CAnimation::SetMeshCenterFS(CTypedPtrMap<CMapStringToPtr, CString, CBaseMesh*>& meshesByBoneName) {
  if (!m_frame) return;
  try {
    CBaseMesh* mesh = nullptr;
    if (!meshesByBoneName.Lookup(m_frame->GetName() ? m_frame->GetName() : "", mesh) || !mesh) return;
    if (const D3DXVECTOR3* centre = mesh->GetCenterFS()) m_meshCenter = *centre;
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
  }
}

DWORD CAnimation::GetAnimationTime() {
  DWORD time = 0;
  for (INT_PTR i = 0; i < m_keys.GetSize(); ++i) time = std::max(time, m_keys[i]->GetAnimationTime());
  return time;
}

void CAnimation::SetTransformTL(float time, bool tryLock) {
  if (!m_frame) return;
  CObjectLock frameLock(m_frame, tryLock, true);
  if (!frameLock.IsHeld()) throw "\nInfo: Failed to lock the frame.";
  if (!m_keysLock.Lock(tryLock, true)) throw "\nInfo: Failed to lock the animation key array.";
  try {
    D3DXMATRIX rotation, scale, position, matrix;
    D3DXMatrixIdentity(&rotation);
    D3DXMatrixIdentity(&scale);
    D3DXMatrixIdentity(&position);
    D3DXMatrixIdentity(&matrix);
    for (INT_PTR i = 0; i < m_keys.GetSize(); ++i) {
      CAnimationKey* key = m_keys[i];
      CObjectLock keyLock(key, tryLock, true);
      if (!keyLock.IsHeld()) throw "\nInfo: Failed to lock the animation key.";
      switch (key->GetKeyType()) {
        case CAnimationKey::eRotationKey:
          rotation = key->GetTransform(time);
          break;
        case CAnimationKey::eScaleKey:
          scale = key->GetTransform(time);
          break;
        case CAnimationKey::ePositionKey:
          position = key->GetTransform(time);
          break;
        case CAnimationKey::eMatrixKey:
          matrix = key->GetTransform(time);
          break;
        default:
          break;
      }
    }
    D3DXVECTOR3 scaling(scale._11, scale._22, scale._33);
    D3DXQUATERNION turn;
    D3DXQuaternionRotationMatrix(&turn, &rotation);
    D3DXVECTOR3 translation(position._41, position._42, position._43);
    m_meshCenter = D3DXVECTOR3(0, 0, 0);
    D3DXMATRIX combined;
    D3DXMatrixTransformation(&combined, &m_meshCenter, nullptr, &scaling, &m_meshCenter, &turn, &translation);
    D3DXMATRIX result = matrix * combined;
    m_frame->SetTransformMatrix(&result, false, CFrame::eReplace, true, tryLock);
  } catch (...) {
    m_keysLock.Unlock();
    throw;
  }
  m_keysLock.Unlock();
}

// ---------------------------------------------------------------------------
// CAnimationSet

void CAnimationSet::ClearContent() {
  m_fps = 30;
  m_state = eStopped;
  m_stamp = 0;
  m_timeAtStamp = 0;
  m_maxTime = 0;
  m_time = 0;
}

bool CAnimationSet::DestroyContent() {
  // Other holders keep the list briefly; teardown waits for it on every
  // thread rather than failing halfway.
  m_listLock.Lock();
  m_animations.RemoveAll();
  m_listLock.Unlock();
  if (!CXFileDataObject::DestroyContent(false)) return false;
  ClearContent();
  return true;
}

bool CAnimationSet::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) {
  if (!CXFileDataObject::Load(data, size, block, fileDirectory, thread)) return false;
  try {
    m_listLock.Initialize();
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  return true;
}

HRESULT CAnimationSet::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread*) {
  *out = nullptr;
  try {
    *out = CreateSaveData(saveObject, 0, nullptr, "\nError: IDirectXFileSaveObject::CreateDataObject() failed.");
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return S_OK;
}

void CAnimationSet::FillAnimationList() {
  CChildObjectList& children = GetChildObjectList();
  if (children.IsEmpty()) return;
  m_listLock.Lock();
  m_animations.RemoveAll();
  m_maxTime = 0;
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CXFileDataObject* child = children.GetNext(pos)->GetXfileDataObject();
    if (!child || !child->IsATemplateGUID(&TID_D3DRMAnimation)) continue;
    auto* animation = static_cast<CAnimation*>(child);
    m_animations.AddTail(animation);
    m_maxTime = std::max(m_maxTime, animation->GetAnimationTime());
  }
  m_listLock.Unlock();
  m_fps = m_maxTime;
}

void CAnimationSet::Play() {
  if (m_state != eStopped) return;
  m_state = ePlaying;
  m_stamp = timeGetTime();
  m_timeAtStamp = 0;
}

void CAnimationSet::Stop() { m_state = eStopped; }

void CAnimationSet::Pause() {
  if (m_state == ePlaying) {
    m_state = ePaused;
  } else if (m_state == ePaused) {
    m_state = ePlaying;
    m_stamp = timeGetTime();
  }
}

float CAnimationSet::Wrap(float t) const { return m_maxTime ? std::fmod(t, static_cast<float>(m_maxTime)) : t; }

void CAnimationSet::SetAnimationTime(float t) {
  m_time = Wrap(t);
  m_stamp = timeGetTime();
  m_timeAtStamp = m_time;
}

void CAnimationSet::IncreaseAnimationTime(LONG delta) {
  m_time = Wrap(m_time + static_cast<float>(delta));
  if (!(std::fabs(m_time) <= 1e15f)) m_time = 0;
  m_stamp = timeGetTime();
  m_timeAtStamp = m_time;
}

void CAnimationSet::AnimateTL(CDXDoc* document, bool tryLock) {
  if (m_state == ePlaying) {
    DWORD now = timeGetTime();
    float elapsed = static_cast<float>(static_cast<DWORD>((now - m_stamp) * m_fps)) / 1000.0f;
    float unwrapped = elapsed + m_timeAtStamp;
    if (unwrapped > 1e15f) {
      m_stamp = 0;
      m_timeAtStamp = 0;
      m_time = 0;
      return;
    }
    // Small steps add up: the stamp stays until a tenth of a unit passed.
    if (elapsed < 0.1f) return;
    m_time = Wrap(unwrapped);
    if (document) document->SetAnimationTime(this);
    m_stamp = now;
    m_timeAtStamp = unwrapped;
  }
  for (POSITION pos = m_animations.GetHeadPosition(); pos;) {
    CAnimation* animation = m_animations.GetNext(pos);
    CObjectLock lock(animation, tryLock);
    animation->AnimateTL(m_time, tryLock);
  }
}

// ---------------------------------------------------------------------------
// CAnimationOptions

bool CAnimationOptions::DestroyContent() {
  if (!CXFileDataObject::DestroyContent(false)) return false;
  ClearContent();
  return true;
}

bool CAnimationOptions::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) {
  if (!CXFileDataObject::Load(data, size, block, fileDirectory, thread)) return false;
  DWORD values[2];
  if (!block || size < sizeof(values)) return false;
  std::memcpy(values, block, sizeof(values));
  if (values[0] > 1 || values[1] > 1) {
    DEBUG_TRACE("Error: Wrong animation options.");
    return false;
  }
  m_openClosed = values[0];
  m_positionQuality = values[1];
  return true;
}

HRESULT CAnimationOptions::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread*) {
  *out = nullptr;
  DWORD values[2] = {m_openClosed, m_positionQuality};
  try {
    *out = CreateSaveData(saveObject, sizeof(values), values,
                          "\nError: IDirectXFileSaveObject::CreateDataObject() failed.");
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return S_OK;
}
