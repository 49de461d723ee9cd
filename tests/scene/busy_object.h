// A job thread that holds a data object's lock until released, for the tests
// of what the main thread does with a busy object.
#pragma once

#include <xfiledataobject.h>

#include <atomic>
#include <thread>

namespace scene_test {

class CBusyObject {
 public:
  explicit CBusyObject(CXFileDataObject* object)
      : m_thread([this, object] {
          object->Lock();
          m_held = true;
          while (!m_release) std::this_thread::yield();
          object->Unlock();
        }) {
    while (!m_held) std::this_thread::yield();
  }
  ~CBusyObject() { Release(); }
  CBusyObject(const CBusyObject&) = delete;
  CBusyObject& operator=(const CBusyObject&) = delete;

  void Release() {
    m_release = true;
    if (m_thread.joinable()) m_thread.join();
  }

 private:
  std::atomic<bool> m_held{false};
  std::atomic<bool> m_release{false};
  std::thread m_thread;
};

}  // namespace scene_test
