// Light frames: scene frames of type 13 that carry one Direct3D light and
// the device light index under which it is set in the process's device.
// The lights manager makes, owns and destroys them; they hang below the
// world's root render frame as references.
#pragma once

#include <d3d8.h>
#include <frame.h>

#include <cstdint>

class CLightFrame : public CFrame {
 public:
  // Callers tell lights apart by this value, never by run-time type.
  enum ELightFrameType : std::int32_t {
    eBaseLightFrame = 0,
    eAmbientLightFrame = 1,
    eDirectLightFrame = 2,
    eDirectionalLightFrame = 3,
    ePointLightFrame = 4,
  };

  CLightFrame();
  ~CLightFrame() override;

  // Sets the light in the device; false when that cannot be done.
  virtual bool SetLightInDevice() { return false; }
  virtual ELightFrameType GetLightFrameType() const { return eBaseLightFrame; }
  // Takes what the kind of light keeps of the given light; false when it
  // keeps nothing. The device is not touched.
  virtual bool SetProperties(D3DLIGHT8* /*light*/) { return false; }

  // A frame of type 13, not pickable, with a copy of the light and the
  // index. A failure is thrown on to the caller.
  bool Initialize(D3DLIGHT8* light, long index, char* name, bool tryLock);
  bool DestroyContent(bool tryLock);

  // The frame's own light: callers may change it and then set it in the
  // device again.
  D3DLIGHT8* GetD3DLight() { return &m_light; }
  long GetLightIndex() const { return m_index; }
  void SetLightIndex(long index) { m_index = index; }
  bool IsInitialized() const { return m_initialized; }

 protected:
  void ClearContent();
  void SetInitialized() { m_initialized = true; }

 private:
  D3DLIGHT8 m_light;
  long m_index;
  bool m_initialized;
};

// A light that shines from a direction or a place: it takes a device light
// index and is switched on and off there.
class CDirectLightFrame : public CLightFrame {
 public:
  CDirectLightFrame() = default;
  ~CDirectLightFrame() override;

  bool SetLightInDevice() override;
  ELightFrameType GetLightFrameType() const override { return eDirectLightFrame; }
  // Neither touches the device.
  virtual bool SetColor(const D3DCOLORVALUE& diffuse, const D3DCOLORVALUE& specular, const D3DCOLORVALUE& ambient);
  virtual bool SetDirectionWS(D3DXVECTOR3* direction);

  // NULL name: a unique "DirectLightFrame". Pickable. Failures are thrown on.
  bool Initialize(D3DLIGHT8* light, long index, char* name, bool tryLock);
  bool DestroyContent(bool tryLock);
  bool EnableLight();
  bool DisableLight();
  BOOL IsLightEnabled();
};

class CDirectionalLightFrame : public CDirectLightFrame {
 public:
  CDirectionalLightFrame() = default;
  ~CDirectionalLightFrame() override;

  ELightFrameType GetLightFrameType() const override { return eDirectionalLightFrame; }
  // Colours and direction; type, position, range and the rest stay.
  bool SetProperties(D3DLIGHT8* light) override;

  // NULL name: "DirectionalLightFrame". Not pickable. Failures are thrown on.
  bool Initialize(D3DLIGHT8* light, long index, char* name, bool tryLock);
  bool DestroyContent(bool tryLock);
};

// The ambient light of a world: index -1, no device light; its colour is the
// device's ambient render state.
class CAmbientLight : public CLightFrame {
 public:
  CAmbientLight() = default;
  ~CAmbientLight() override;

  bool SetLightInDevice() override;
  ELightFrameType GetLightFrameType() const override { return eAmbientLightFrame; }
  bool SetProperties(D3DLIGHT8* light) override;
  // The ambient render state on the given device.
  virtual bool SetLightInDevice(IDirect3DDevice8* device);

  // NULL name: a unique "AmbientLightFrame". False on failure.
  bool Initialize(D3DCOLORVALUE colour, char* name, bool tryLock);
  bool DestroyContent(bool tryLock);
};

// The colour as a D3DCOLOR: each of a, r, g, b times 255, truncated, low
// eight bits.
D3DCOLOR PackColourValue(const D3DCOLORVALUE& colour);
