// The .x animation templates: an AnimationSet groups animations and holds the
// clock of one animation (play, stop, pause, rate, current time); an
// Animation binds its keys to one frame and writes the frame's transform for
// a time; AnimationOptions holds the template's two option words.
#pragma once

#include <afxtempl.h>
#include <d3dx8math.h>
#include <dx_mutex.h>

#include <cstdint>

#include "xfiledataobject.h"

class CAnimationKey;
class CAnimationOptions;
class CBaseMesh;
class CCameraFrame;
class CDXDoc;
class CFrame;
struct IDirect3DDevice8;

class CAnimation : public CXFileDataObject {
 public:
  CAnimation() { ClearContent(); }
  ~CAnimation() override {
    BeginTeardown();
    DestroyContent();
  }

  bool DestroyContent();
  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;
  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;

  // Takes the animated frame, the keys and the options from the children.
  void SetOptionalMembers();
  // The largest last-key time of the keys; 0 without keys.
  DWORD GetAnimationTime();
  // Keeps the frame-space centre of the skinned mesh that the animated frame
  // moves as a bone, looked up by the frame's name; failures are swallowed.
  void SetMeshCenterFS(CTypedPtrMap<CMapStringToPtr, CString, CBaseMesh*>& meshesByBoneName);
  const D3DXVECTOR3& GetMeshCenterFS() const { return m_meshCenter; }
  void AnimateTL(float time, bool tryLock) { SetTransformTL(time, tryLock); }
  // Replaces the frame's transform by the keys' combined transform at time
  // (matrix key × scaling, rotation, translation) and updates the bounds of
  // the frame's ancestors. Failures are thrown after unlocking.
  void SetTransformTL(float time, bool tryLock);
  // Show and hide the animated frame; failures are swallowed.
  void Show();
  void Hide();
  // Draws the animated frame below parentWorld, taking locks with a try;
  // S_OK without a frame.
  virtual HRESULT Render(IDirect3DDevice8* device, D3DXMATRIX* parentWorld, int opaque, int blended,
                         CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc);

  CFrame* GetFrame() const { return m_frame; }
  INT_PTR GetKeysCount() const { return m_keys.GetSize(); }
  INT_PTR GetOptionsCount() const { return m_options.GetSize(); }
  CMutex& GetKeysMutex() { return m_keysLock; }

 protected:
  void ClearContent();

 private:
  CFrame* m_frame;
  CTypedPtrArray<CPtrArray, CAnimationKey*> m_keys;
  CMutex m_keysLock;
  CTypedPtrArray<CPtrArray, CAnimationOptions*> m_options;
  D3DXVECTOR3 m_meshCenter;
};

class CAnimationSet : public CXFileDataObject {
 public:
  enum EAnimationSetState : std::int32_t { eStopped = 0, ePlaying = 1, ePaused = 2 };

  CAnimationSet() : m_animations(10) { ClearContent(); }
  ~CAnimationSet() override {
    BeginTeardown();
    DestroyContent();
  }

  bool DestroyContent();
  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;
  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;

  // Lists the Animation children; the rate becomes the largest key time, so
  // that the set runs through its keys once a second.
  void FillAnimationList();
  void Play();
  void Stop();
  // Playing ↔ paused; a stopped set stays stopped.
  void Pause();
  void SetAnimationTime(float t);
  void IncreaseAnimationTime(LONG delta);
  // Advances a playing set by the time elapsed since the last step, then
  // applies the current time to every animation. Failures are thrown.
  void AnimateTL(CDXDoc* document, bool tryLock);
  // Show and hide every animation's frame.
  void Show();
  void Hide();
  // Only while playing: every animation's Render in list order; the first
  // failure ends the walk and is returned.
  virtual HRESULT Render(IDirect3DDevice8* device, D3DXMATRIX* parentWorld, int opaque, int blended,
                         CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc);

  CMutex& GetAnimationListMutex() { return m_listLock; }
  CTypedPtrList<CPtrList, CAnimation*>& GetAnimationList() { return m_animations; }
  float GetAnimationTime() const { return m_time; }
  DWORD GetMaxAnimationTime() const { return m_maxTime; }
  EAnimationSetState GetAnimationSetState() const { return m_state; }
  DWORD GetFPS() const { return m_fps; }
  void SetFPS(DWORD fps) { m_fps = fps; }

 protected:
  void ClearContent();

 private:
  // The time wrapped into [0, maximum); unwrapped when the maximum is 0.
  float Wrap(float t) const;

  CTypedPtrList<CPtrList, CAnimation*> m_animations;
  CMutex m_listLock;
  DWORD m_fps;
  EAnimationSetState m_state;
  DWORD m_stamp;
  float m_timeAtStamp;
  DWORD m_maxTime;
  float m_time;
};

class CAnimationOptions : public CXFileDataObject {
 public:
  CAnimationOptions() { ClearContent(); }
  ~CAnimationOptions() override {
    BeginTeardown();
    DestroyContent();
  }

  bool DestroyContent();
  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;
  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;

  DWORD GetOpenClosed() const { return m_openClosed; }
  DWORD GetPositionQuality() const { return m_positionQuality; }

 protected:
  void ClearContent() {
    m_openClosed = 0;
    m_positionQuality = 0;
  }

 private:
  DWORD m_openClosed;
  DWORD m_positionQuality;
};
