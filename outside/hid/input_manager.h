// CInputManager: the keyboard and mouse state that the frame loop polls. The
// state is kept from the Qt key and mouse events of the window the devices
// were made on; tests inject key and button changes directly.
#pragma once

#include <windows.h>

#include <QtCore/QObject>
#include <QtCore/QPointer>

#include <array>
#include <mutex>

// The mouse state: motion since the last read and the four buttons (bit 7
// set while a button is down).
struct DIMOUSESTATE {
  LONG lX;
  LONG lY;
  LONG lZ;
  BYTE rgbButtons[4];
};

// The key codes that the frame loop examines.
inline constexpr BYTE DIK_ESCAPE = 0x01;
inline constexpr BYTE DIK_UP = 0xC8;
inline constexpr BYTE DIK_DOWN = 0xD0;
inline constexpr BYTE DIK_LEFT = 0xCB;
inline constexpr BYTE DIK_RIGHT = 0xCD;

// What the reads answer before the devices exist.
inline constexpr HRESULT DIERR_NOTINITIALIZED = static_cast<HRESULT>(0x80070015u);

class CInputManager {
 public:
  CInputManager();
  ~CInputManager();
  CInputManager(const CInputManager&) = delete;
  CInputManager& operator=(const CInputManager&) = delete;

  // Starts watching the key and mouse events of window and its children; false
  // when the window has no widget (no desktop).
  bool CreateInputDevices(HWND window);
  bool IsReady() const;
  // The devices follow the window's events from creation on: true when ready.
  bool AcquireDevices();
  // Forgets what is held: the window lost the activation, and keys released
  // meanwhile would otherwise stay down.
  void ForgetHeldInput();
  // Stops watching and forgets the state.
  void ReleaseDevices();

  // The 256 key bytes by key code; a negative result when not ready. The
  // array stays valid until the next call.
  HRESULT GetKeyboardDeviceState(BYTE** keys);
  // The mouse state; the motion is reset by each read.
  HRESULT GetMouseDeviceState(DIMOUSESTATE** mouse);

  // The state changes the events make, open to tests.
  void InjectKey(BYTE code, bool down);
  void InjectMouseButton(int button, bool down);
  void InjectMouseMotion(LONG dx, LONG dy, LONG dz);

 private:
  void Clear();

  mutable std::mutex m_lock;
  bool m_bReady = false;
  QPointer<QObject> m_pWatcher;
  std::array<BYTE, 256> m_keys{};
  std::array<BYTE, 256> m_keysRead{};
  DIMOUSESTATE m_mouse{};
  DIMOUSESTATE m_mouseRead{};
};

extern CInputManager* g_pInputManager;
