// The motion state of something steered with held keys: travel along a
// direction and turning about an axis, each with a top speed and an
// acceleration, stepped by the millisecond clock.
#pragma once

#include <d3dx8math.h>

#include "xfiledataobject.h"

enum EMoving : std::int32_t { eNotMoving = 0, eMovingForward = 1, eMovingBackward = 2 };
enum ERotating : std::int32_t { eNotRotating = 0, eRotatingClockwise = 1, eRotatingCounterclockwise = 2 };
enum EAccelerationStatus : std::int32_t { eNoAcceleration = 0, eAccelerating = 1, eDecelerating = 2 };

class CMovingObject : public CXFileDataObject {
 public:
  enum EMovingMode : std::int32_t { eForwardBackward = 0, eUpDown = 1 };

  CMovingObject();
  ~CMovingObject() override;

  bool DestroyContent(bool tryLock);
  bool Initialize(D3DXVECTOR3* orientation, const D3DXVECTOR3* rotationAxis, float maxLinearVelocity,
                  float linearAcceleration, float maxRotationVelocity, float rotationAcceleration, bool tryLock);

  void SetCurrentOrientation(D3DXVECTOR3* orientation) { m_orientation = *orientation; }
  void SetRotationAxis(const D3DXVECTOR3* axis) { m_rotationAxis = *axis; }
  void SetMaxLinearVelocity(float velocity) { m_maxLinearVelocity = velocity; }
  void SetLinearAcceleration(float acceleration) { m_linearAcceleration = acceleration; }
  void SetMaxRotationVelocity(float velocity) { m_maxRotationVelocity = velocity; }
  void SetRotationAcceleration(float acceleration) { m_rotationAcceleration = acceleration; }
  void SetLinearAccelerationStatus(EAccelerationStatus status) { m_linearStatus = status; }
  void SetRotationAccelerationStatus(EAccelerationStatus status) { m_rotationStatus = status; }
  void SetMovingMode(EMovingMode mode) { m_movingMode = mode; }
  EMovingMode GetMovingMode() const { return m_movingMode; }
  EMoving IsMoving() const { return m_moving; }
  ERotating IsRotating() const { return m_rotating; }
  bool IsInitialized() const { return m_initialized; }
  const D3DXVECTOR3* GetCurrentOrientation() const { return &m_orientation; }
  float GetLinearVelocity() const { return m_linearVelocity; }
  float GetRotationVelocity() const { return m_rotationVelocity; }

  EMoving StartMovingForward() { return StartMoving(eMovingForward); }
  EMoving StartMovingBackward() { return StartMoving(eMovingBackward); }
  ERotating StartRotatingClockwise() { return StartRotating(eRotatingClockwise); }
  ERotating StartRotatingCounterclockwise() { return StartRotating(eRotatingCounterclockwise); }
  EMoving StopMoving();
  ERotating StopRotating();

  // out := current moved by the travel since the previous step; untouched
  // when not moving.
  void Move(D3DXMATRIX* out, D3DXMATRIX* current);
  // out := current turned about centre by the turn since the previous step;
  // the orientation turns with it. Untouched when not rotating.
  void Rotate(D3DXMATRIX* out, D3DXMATRIX* current, D3DXVECTOR3* centre);

 protected:
  void ClearContent();

 private:
  EMoving StartMoving(EMoving direction);
  ERotating StartRotating(ERotating direction);

  D3DXVECTOR3 m_orientation;
  D3DXVECTOR3 m_rotationAxis;
  EMoving m_moving;
  ERotating m_rotating;
  EAccelerationStatus m_linearStatus;
  EAccelerationStatus m_rotationStatus;
  DWORD m_linearTimeStamp;
  DWORD m_rotationTimeStamp;
  float m_maxLinearVelocity;
  float m_linearVelocity;
  float m_linearAcceleration;
  float m_maxRotationVelocity;
  float m_rotationVelocity;
  float m_rotationAcceleration;
  bool m_initialized;
  EMovingMode m_movingMode;
};
