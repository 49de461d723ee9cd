#include <frame.h>
#include <garbagelist.h>
#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <thread>

#include "math_expect.h"
#include "scene_probe.h"

namespace {

using scene_test::CProbe;

// A data object that is always built at the same address, as an allocator
// that reuses freed memory would do.
class CReused : public CProbe {
 public:
  explicit CReused(int* destroyed) : CProbe("reused", destroyed) {}
  static void* operator new(size_t size) {
    EXPECT_LE(size, sizeof(s_storage));
    return s_storage;
  }
  static void operator delete(void*) {}

 private:
  alignas(std::max_align_t) static unsigned char s_storage[512];
};
alignas(std::max_align_t) unsigned char CReused::s_storage[512];

TEST(GarbageListTest, QueuedObjectsAreFreedOnceWithTheirChildren) {
  int destroyed = 0;
  CFDOGarbageList list;
  CProbe* a = new CProbe("a", &destroyed);
  a->AddChildObject(eOwnedChild, new CProbe("child", &destroyed), false);
  a->DeleteContent(false);
  CProbe* b = new CProbe("b", &destroyed);
  list.AddObject(a);
  list.AddObject(nullptr);
  list.AddObject(b);
  EXPECT_TRUE(list.NotDeleted(a));

  list.TryDestroyGarbageList();
  EXPECT_EQ(destroyed, 3);
  EXPECT_TRUE(list.IsDeleted(a));
  EXPECT_FALSE(list.NotDeleted(b));
  list.TryDestroyGarbageList();
  list.DestroyGarbageList();
  EXPECT_EQ(destroyed, 3);
}

TEST(GarbageListTest, DestroyGarbageListRecordsWhatItFreed) {
  int destroyed = 0;
  CFDOGarbageList list;
  CProbe* a = new CProbe("a", &destroyed);
  list.AddObject(a);
  list.DestroyGarbageList();
  EXPECT_EQ(destroyed, 1);
  EXPECT_TRUE(list.IsDeleted(a));
  // An empty queue leaves the record as it is.
  list.DestroyGarbageList();
  EXPECT_TRUE(list.IsDeleted(a));
}

TEST(GarbageListTest, ABusyListFreesNothingWithoutWaiting) {
  int destroyed = 0;
  CFDOGarbageList list;
  CProbe* a = new CProbe("a", &destroyed);
  list.AddObject(a);
  std::atomic<bool> held{false}, release{false};
  std::thread job([&] {
    list.LockGarbageList(false);
    held = true;
    while (!release) std::this_thread::yield();
    list.UnlockGarbageList();
  });
  while (!held) std::this_thread::yield();
  list.TryDestroyGarbageList();
  EXPECT_EQ(destroyed, 0);
  EXPECT_TRUE(list.NotDeleted(a));
  EXPECT_THROW(list.LockGarbageList(true), const char*);
  release = true;
  job.join();
  list.TryDestroyGarbageList();
  EXPECT_EQ(destroyed, 1);
}

TEST(GarbageListTest, TheListFreesWhatIsLeftWhenItGoes) {
  int destroyed = 0;
  {
    CFDOGarbageList list;
    list.AddObject(new CProbe("a", &destroyed));
  }
  EXPECT_EQ(destroyed, 1);
}

// The check compares addresses only: a freed object reads as freed without
// its memory being read, and a new object at the same address does not.
TEST(GarbageListTest, ANewObjectAtAFreedAddressIsNotDeleted) {
  int destroyed = 0;
  CXFileDataObject* first = new CReused(&destroyed);
  g_FDOGarbageList.AddObject(first);
  g_FDOGarbageList.TryDestroyGarbageList();
  ASSERT_EQ(destroyed, 1);
  EXPECT_FALSE(g_FDOGarbageList.NotDeleted(first));

  CXFileDataObject* second = new CReused(&destroyed);
  ASSERT_EQ(second, first);
  EXPECT_TRUE(g_FDOGarbageList.NotDeleted(second));
  delete second;
}

TEST(NewFrameListTest, AFrameWithoutParentIsNotQueued) {
  CNewFrameList queue;
  CFrame frame;
  queue.AddObject(&frame, nullptr, eOwnedChild);
  EXPECT_EQ(queue.GetCount(), 0);
}

TEST(NewFrameListTest, ProcessListAttachesEachFrameToItsParent) {
  CFrame parent;
  ASSERT_EQ(parent.Initialize(const_cast<char*>("parent")), S_OK);
  D3DXMATRIX parentWorld, local;
  D3DXMatrixTranslation(&parentWorld, 10, 0, 0);
  parent.SetWorldTransform(&parentWorld, false);

  auto* frame = new CFrame;
  ASSERT_EQ(frame->Initialize(const_cast<char*>("child")), S_OK);
  D3DXMatrixScaling(&local, 2, 2, 2);
  frame->SetTransformMatrix(&local, false, CFrame::eReplace, false, false);

  CNewFrameList queue;
  queue.AddObject(frame, &parent, eOwnedChild);
  ASSERT_EQ(queue.GetCount(), 1);
  queue.ProcessList();
  EXPECT_EQ(queue.GetCount(), 0);
  EXPECT_EQ(parent.GetAtChild(1), frame);  // after its transform
  EXPECT_EQ(frame->GetParentRenderFrame(), &parent);
  D3DXMATRIX expected;
  D3DXMatrixMultiply(&expected, &local, &parentWorld);
  EXPECT_TRUE(math_expect::Near(*frame->GetWorldTransform(), expected));
}

TEST(NewFrameListTest, AFrameWhoseParentIsBusyStaysQueued) {
  CFrame parent;
  ASSERT_EQ(parent.Initialize(const_cast<char*>("parent")), S_OK);
  auto* frame = new CFrame;
  ASSERT_EQ(frame->Initialize(const_cast<char*>("child")), S_OK);
  CNewFrameList queue;
  queue.AddObject(frame, &parent, eOwnedChild);

  std::atomic<bool> held{false}, release{false};
  std::thread job([&] {
    parent.Lock();
    held = true;
    while (!release) std::this_thread::yield();
    parent.Unlock();
  });
  while (!held) std::this_thread::yield();
  EXPECT_THROW(queue.ProcessList(), const char*);
  EXPECT_EQ(queue.GetCount(), 1);
  release = true;
  job.join();

  queue.ProcessList();
  EXPECT_EQ(queue.GetCount(), 0);
  EXPECT_EQ(parent.GetAtChild(1), frame);  // after its transform
}

}  // namespace
