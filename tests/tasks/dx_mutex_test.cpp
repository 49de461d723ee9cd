#include <dx_mutex.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

// Holds a lock on a worker thread from Hold() until Release().
class Holder {
 public:
  explicit Holder(CMutex& lock) : m_lock(lock) {}
  void Hold() {
    m_thread = std::thread([this] {
      EXPECT_TRUE(m_lock.Trylock());
      SetEvent(m_held);
      WaitForSingleObject(m_release, INFINITE);
      released = true;
      m_lock.Unlock();
    });
    WaitForSingleObject(m_held, INFINITE);
  }
  void Release() {
    SetEvent(m_release);
    m_thread.join();
  }
  ~Holder() {
    CloseHandle(m_held);
    CloseHandle(m_release);
  }
  std::atomic<bool> released{false};

 private:
  CMutex& m_lock;
  std::thread m_thread;
  HANDLE m_held = CreateEventA(NULL, TRUE, FALSE, NULL);
  HANDLE m_release = CreateEventA(NULL, TRUE, FALSE, NULL);
};

std::string ThrownBy(CMutex& lock) {
  try {
    lock.Lock(true, false);
  } catch (const char* text) {
    return text;
  }
  return "";
}

TEST(CMutexTest, TheTestRunsOnTheMainThread) { EXPECT_TRUE(IsMainThread()); }

TEST(CMutexTest, NeverInitialisedLockHoldsNothing) {
  CMutex lock;
  EXPECT_FALSE(lock.Trylock());
  lock.Lock();
  lock.Unlock();
  EXPECT_FALSE(lock.Lock(true, true));
  EXPECT_EQ(ThrownBy(lock), "Info: Cannot lock the CMutex object.");
  bool workerGotIt = true;
  std::thread([&] { workerGotIt = lock.Trylock(); }).join();
  EXPECT_FALSE(workerGotIt);
}

TEST(CMutexTest, MainThreadTryFailsWhileAJobHoldsTheLockAndAJobWaits) {
  CMutex lock;
  lock.Initialize();
  Holder job(lock);
  job.Hold();
  EXPECT_FALSE(lock.Trylock());
  EXPECT_FALSE(lock.Lock(true, true));
  EXPECT_EQ(ThrownBy(lock), "Info: Cannot lock the CMutex object.");

  bool releasedFirst = false;
  std::thread waiter([&] {
    EXPECT_TRUE(lock.Trylock());
    releasedFirst = job.released;
    lock.Unlock();
  });
  job.Release();
  waiter.join();
  EXPECT_TRUE(releasedFirst);
  EXPECT_TRUE(lock.Trylock());
  lock.Unlock();
}

TEST(CMutexTest, OwnerReentersAndUnlocksOncePerLock) {
  CMutex lock;
  lock.Initialize();
  ASSERT_TRUE(lock.Trylock());
  ASSERT_TRUE(lock.Lock(true, false));
  lock.Lock();
  std::atomic<int> unlocks{0};
  int unlocksSeen = -1;
  std::thread waiter([&] {
    lock.Lock();
    unlocksSeen = unlocks;
    lock.Unlock();
  });
  for (int i = 0; i < 3; ++i) {
    ++unlocks;
    lock.Unlock();
  }
  waiter.join();
  EXPECT_EQ(unlocksSeen, 3);
}

TEST(CMutexTest, InitializeAgainMakesAFreshLock) {
  CMutex lock;
  lock.Initialize();
  lock.Initialize();
  EXPECT_TRUE(lock.Trylock());
  lock.Unlock();
}

TEST(CMutexTest, ACopyNamesTheSameLock) {
  CMutex lock;
  lock.Initialize();
  CMutex copy(lock);
  Holder job(copy);
  job.Hold();
  EXPECT_FALSE(lock.Trylock());
  job.Release();
  EXPECT_TRUE(lock.Trylock());
  lock.Unlock();
}

}  // namespace
