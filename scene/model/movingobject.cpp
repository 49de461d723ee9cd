#include "movingobject.h"

#include <appfiles.h>
#include <mmsystem.h>
#include <xfiletemplates.h>

namespace {

// Advances a velocity by one step of elapsed milliseconds.
float StepVelocity(float velocity, EAccelerationStatus status, float acceleration, float maximum, DWORD elapsed) {
  float dv = static_cast<float>(elapsed) * acceleration / 1000.0f;
  switch (status) {
    case eAccelerating:
      return velocity + dv >= maximum ? maximum : velocity + dv;
    case eDecelerating:
      return velocity - dv > 0 ? velocity - dv : 0.0f;
    case eNoAcceleration:
      break;
  }
  return velocity;
}

// Milliseconds since *stamp, which becomes now.
DWORD Elapsed(DWORD* stamp) {
  DWORD now = timeGetTime();
  DWORD elapsed = now - *stamp;
  *stamp = now;
  return elapsed;
}

}  // namespace

CMovingObject::CMovingObject() { ClearContent(); }

CMovingObject::~CMovingObject() {
  BeginTeardown();
  DestroyContent(false);
}

void CMovingObject::ClearContent() {
  m_orientation = D3DXVECTOR3(0, 0, 0);
  m_rotationAxis = D3DXVECTOR3(0, 0, 0);
  m_moving = eNotMoving;
  m_rotating = eNotRotating;
  m_linearStatus = eNoAcceleration;
  m_rotationStatus = eNoAcceleration;
  m_linearTimeStamp = 0;
  m_rotationTimeStamp = 0;
  m_maxLinearVelocity = 0;
  m_linearVelocity = 0;
  m_linearAcceleration = 0;
  m_maxRotationVelocity = 0;
  m_rotationVelocity = 0;
  m_rotationAcceleration = 0;
  m_initialized = false;
  m_movingMode = eUpDown;
}

bool CMovingObject::DestroyContent(bool tryLock) {
  CXFileDataObject::DestroyContent(tryLock);
  ClearContent();
  return true;
}

bool CMovingObject::Initialize(D3DXVECTOR3* orientation, const D3DXVECTOR3* rotationAxis, float maxLinearVelocity,
                               float linearAcceleration, float maxRotationVelocity, float rotationAcceleration,
                               bool tryLock) {
  Lock(tryLock, false);
  try {
    DestroyContent(tryLock);
    CString name = "MovingObject";
    SetUniqueName(name);
    if (FAILED(CXFileDataObject::Initialize(const_cast<char*>(static_cast<const char*>(name)), &GUID_MovingObject,
                                            tryLock)))
      throw "\nError: CXFileDataObject::Initialize() failed.";
  } catch (...) {
    Unlock();
    throw;
  }
  m_orientation = *orientation;
  m_rotationAxis = *rotationAxis;
  m_maxLinearVelocity = maxLinearVelocity;
  m_linearAcceleration = linearAcceleration;
  m_maxRotationVelocity = maxRotationVelocity;
  m_rotationAcceleration = rotationAcceleration;
  m_initialized = true;
  Unlock();
  return true;
}

EMoving CMovingObject::StartMoving(EMoving direction) {
  if (m_moving != eNotMoving) return m_moving;
  m_linearTimeStamp = timeGetTime();
  m_linearVelocity = 0;
  m_linearStatus = eAccelerating;
  m_moving = direction;
  return m_moving;
}

ERotating CMovingObject::StartRotating(ERotating direction) {
  if (m_rotating != eNotRotating) return m_rotating;
  m_rotationTimeStamp = timeGetTime();
  m_rotationVelocity = 0;
  m_rotationStatus = eAccelerating;
  m_rotating = direction;
  return m_rotating;
}

EMoving CMovingObject::StopMoving() {
  if (m_moving != eNotMoving) {
    m_moving = eNotMoving;
    m_linearStatus = eNoAcceleration;
    m_linearVelocity = 0;
  }
  return eNotMoving;
}

ERotating CMovingObject::StopRotating() {
  if (m_rotating != eNotRotating) {
    m_rotating = eNotRotating;
    m_rotationStatus = eNoAcceleration;
    m_rotationVelocity = 0;
  }
  return eNotRotating;
}

void CMovingObject::Move(D3DXMATRIX* out, D3DXMATRIX* current) {
  if (m_moving == eNotMoving) return;
  DWORD elapsed = Elapsed(&m_linearTimeStamp);
  m_linearVelocity = StepVelocity(m_linearVelocity, m_linearStatus, m_linearAcceleration, m_maxLinearVelocity, elapsed);
  float distance = static_cast<float>(elapsed) * m_linearVelocity / 1000.0f;
  if (m_moving == eMovingBackward) distance = -distance;
  // A zero orientation gives no direction to travel in.
  float length = D3DXVec3Length(&m_orientation);
  D3DXVECTOR3 offset = length > 0 ? m_orientation * (distance / length) : D3DXVECTOR3(0, 0, 0);
  D3DXMATRIX translation;
  D3DXMatrixTranslation(&translation, offset.x, offset.y, offset.z);
  D3DXMatrixMultiply(out, current, &translation);
}

void CMovingObject::Rotate(D3DXMATRIX* out, D3DXMATRIX* current, D3DXVECTOR3* centre) {
  if (m_rotating == eNotRotating) return;
  DWORD elapsed = Elapsed(&m_rotationTimeStamp);
  m_rotationVelocity =
      StepVelocity(m_rotationVelocity, m_rotationStatus, m_rotationAcceleration, m_maxRotationVelocity, elapsed);
  float angle = static_cast<float>(elapsed) * m_rotationVelocity / 1000.0f;
  if (m_rotating == eRotatingCounterclockwise) angle = -angle;
  D3DXMATRIX rotation, toOrigin, back;
  D3DXMatrixRotationAxis(&rotation, &m_rotationAxis, angle);
  D3DXMatrixTranslation(&toOrigin, -centre->x, -centre->y, -centre->z);
  D3DXMatrixTranslation(&back, centre->x, centre->y, centre->z);
  D3DXMATRIX result;
  D3DXMatrixMultiply(&result, current, &toOrigin);
  D3DXMatrixMultiply(&result, &result, &rotation);
  D3DXMatrixMultiply(out, &result, &back);
  D3DXVec3TransformCoord(&m_orientation, &m_orientation, &rotation);
}
