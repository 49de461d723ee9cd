#include <gtest/gtest.h>
#include <rmxfguid.h>
#include <xfiledataobject.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "busy_object.h"
#include "scene_probe.h"

namespace {

using scene_test::CProbe;
using scene_test::CBusyObject;

TEST(DataObjectTest, OwnedAndBinaryChildrenGoWithTheirParentReferencesDoNot) {
  int destroyed = 0;
  auto* parent = new CProbe("parent", &destroyed);
  CProbe* owned = new CProbe("owned", &destroyed);
  CProbe* binary = new CProbe("binary", &destroyed);
  CProbe elsewhere("elsewhere", &destroyed);
  ASSERT_TRUE(parent->AddChildObject(eOwnedChild, owned, false));
  ASSERT_TRUE(parent->AddChildObject(eReferenceChild, &elsewhere, false));
  ASSERT_TRUE(parent->AddChildObject(eBinaryChild, binary, false));
  EXPECT_EQ(parent->GetAtChild(0), owned);
  EXPECT_EQ(parent->GetAtChild(1), &elsewhere);
  EXPECT_EQ(parent->GetAtChild(2), binary);
  EXPECT_EQ(parent->GetAtChild(3), nullptr);

  const char* types[3] = {};
  int i = 0;
  for (POSITION pos = parent->GetChildHeadPosition(); pos;)
    types[i++] = parent->GetChildObjectList().GetNext(pos)->GetObjectTypeName();
  EXPECT_STREQ(types[0], "");
  EXPECT_STREQ(types[1], "(reference)");
  EXPECT_STREQ(types[2], "(binay object)");

  delete parent;
  EXPECT_EQ(destroyed, 3);
  EXPECT_FALSE(elsewhere.IsDeleted());
}

TEST(DataObjectTest, DeleteContentMarksOwnedDescendantsOnly) {
  CProbe root("root"), shared("shared");
  CProbe* child = new CProbe("child");
  CProbe* grandchild = new CProbe("grandchild");
  root.AddChildObject(eOwnedChild, child, false);
  child->AddChildObject(eOwnedChild, grandchild, false);
  child->AddChildObject(eReferenceChild, &shared, false);

  root.DeleteContent(false);
  EXPECT_TRUE(root.IsDeleted());
  EXPECT_TRUE(child->IsDeleted());
  EXPECT_TRUE(grandchild->IsDeleted());
  EXPECT_FALSE(shared.IsDeleted());
  // Marking frees nothing.
  EXPECT_EQ(root.GetAtChild(0), child);

  // A marked object takes no children and hands none out.
  CChildObject* entry = reinterpret_cast<CChildObject*>(1);
  CProbe extra("extra");
  EXPECT_TRUE(root.AddChildObject(&entry, eReferenceChild, &extra));
  EXPECT_EQ(entry, nullptr);
  EXPECT_TRUE(root.AddChildObject(eReferenceChild, &extra, false));
  EXPECT_EQ(root.GetChildObjectList().GetCount(), 1);
  EXPECT_EQ(root.GetChildXfileDataObject(&scene_test::kProbeGuid, false, false), nullptr);
  EXPECT_TRUE(root.IsDeletedTL());

  // Initialize clears the mark.
  root.Initialize(const_cast<char*>("root"), &scene_test::kProbeGuid, false);
  EXPECT_FALSE(root.IsDeleted());
}

TEST(DataObjectTest, GetNextChildSkipsMarkedAndOtherTemplates) {
  CProbe root("root");
  CProbe* first = new CProbe("first");
  CProbe* marked = new CProbe("marked");
  CProbe* frame = new CProbe("frame", nullptr, &TID_D3DRMFrame);
  CProbe* last = new CProbe("last");
  for (CProbe* p : {first, marked, frame, last}) root.AddChildObject(eOwnedChild, p, false);
  marked->DeleteContent(false);

  POSITION pos = root.GetChildHeadPosition();
  EXPECT_EQ(root.GetNextChild(pos, &scene_test::kProbeGuid, false, false), first);
  EXPECT_EQ(root.GetNextChild(pos, &scene_test::kProbeGuid, false, false), last);
  EXPECT_EQ(root.GetNextChild(pos, &scene_test::kProbeGuid, false, false), nullptr);
  EXPECT_EQ(root.GetChildXfileDataObject(&TID_D3DRMFrame, false, false), frame);
}

TEST(DataObjectTest, DetachAndDeleteEntries) {
  int destroyed = 0;
  CProbe root("root", &destroyed);
  CProbe* a = new CProbe("a", &destroyed);
  CProbe* b = new CProbe("b", &destroyed);
  root.AddChildObject(eOwnedChild, a, false);
  root.AddChildObject(eOwnedChild, b, false);
  root.AddChildObject(eReferenceChild, b, false);

  EXPECT_FALSE(root.DetachChild(const_cast<char*>("A"), &scene_test::kProbeGuid));
  EXPECT_TRUE(root.DetachChild(const_cast<char*>("a"), &scene_test::kProbeGuid));
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(root.GetChildObjectList().GetCount(), 2);

  EChildObjectType type = eOwnedChild;
  root.AddChildObject(eBinaryChild, a, false);
  EXPECT_TRUE(root.DetachChild(&type, a, false));
  EXPECT_EQ(type, eBinaryChild);
  EXPECT_EQ(destroyed, 0);
  delete a;
  EXPECT_EQ(destroyed, 1);

  // The reference goes; the owned entry stays.
  EXPECT_EQ(root.DeleteChildObjectReferences(b), 1u);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(root.GetAtChild(0), b);
  EXPECT_EQ(root.DeleteDirectChildObject(b, false), 1u);
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(root.GetChildObjectList().GetCount(), 0);
}

TEST(DataObjectTest, DeleteChildObjectFindsAnEntryAnywhereBelow) {
  int destroyed = 0;
  CProbe root("root", &destroyed);
  CProbe* child = new CProbe("child", &destroyed);
  CProbe* grandchild = new CProbe("grandchild", &destroyed);
  root.AddChildObject(eOwnedChild, child, false);
  CChildObject* entry = nullptr;
  ASSERT_TRUE(child->AddChildObject(&entry, eOwnedChild, grandchild));
  ASSERT_NE(entry, nullptr);
  EXPECT_TRUE(root.DeleteChildObject(entry));
  EXPECT_EQ(destroyed, 1);
  EXPECT_FALSE(root.DeleteChildObject(entry));
}

TEST(DataObjectTest, DeleteChildObjectsRemovesEveryEntryOfTheObject) {
  int destroyed = 0;
  CProbe root("root", &destroyed);
  CProbe* child = new CProbe("child", &destroyed);
  CProbe* target = new CProbe("target", &destroyed);
  root.AddChildObject(eOwnedChild, child, false);
  child->AddChildObject(eOwnedChild, target, false);
  root.AddChildObject(eReferenceChild, target, false);
  EXPECT_EQ(root.DeleteChildObjects(target), 2u);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(root.GetChildObjectList().GetCount(), 1);
  EXPECT_EQ(child->GetChildObjectList().GetCount(), 0);
}

TEST(DataObjectTest, AcquireChildObjectListMovesEntriesInOrder) {
  int destroyed = 0;
  CProbe target("target"), source("source"), shared("shared");
  CProbe* kept = new CProbe("kept", &destroyed);
  CProbe* moved = new CProbe("moved", &destroyed);
  target.AddChildObject(eOwnedChild, kept, false);
  source.AddChildObject(eOwnedChild, moved, false);
  source.AddChildObject(eReferenceChild, &shared, false);
  target.AcquireChildObjectList(&source);
  EXPECT_EQ(source.GetChildObjectList().GetCount(), 0);
  EXPECT_EQ(target.GetAtChild(1), moved);
  EXPECT_EQ(target.GetAtChild(2), &shared);
  EXPECT_EQ(target.GetChildObjectList().GetTail()->GetChildObjectType(), eReferenceChild);
}

// top owns middle, middle owns bottom; bottom and top refer to shared, so
// shared is reached twice, which is no cycle.
TEST(DataObjectTest, AChildThatHoldsItsNewParentIsRefused) {
  CProbe top("top"), shared("shared"), holder("holder");
  CProbe* middle = new CProbe("middle");
  CProbe* bottom = new CProbe("bottom");
  ASSERT_TRUE(top.AddChildObject(eOwnedChild, middle, false));
  ASSERT_TRUE(middle->AddChildObject(eOwnedChild, bottom, false));
  ASSERT_TRUE(bottom->AddChildObject(eReferenceChild, &shared, false));
  ASSERT_TRUE(top.AddChildObject(eReferenceChild, &shared, false));

  struct {
    CXFileDataObject* parent;
    CXFileDataObject* child;
  } refused[] = {{&top, &top}, {middle, &top}, {bottom, &top}, {bottom, middle}, {bottom, bottom}, {&shared, &top}};
  for (const auto& c : refused) {
    SCOPED_TRACE(std::string(c.child->GetName()) + " below " + c.parent->GetName());
    const INT_PTR entries = c.parent->GetChildObjectList().GetCount();
    for (EChildObjectType type : {eReferenceChild, eOwnedChild}) {
      EXPECT_FALSE(c.parent->AddChildObject(type, c.child, false));
      CChildObject* entry = reinterpret_cast<CChildObject*>(1);
      EXPECT_FALSE(c.parent->AddChildObject(&entry, type, c.child));
      EXPECT_EQ(entry, nullptr);
    }
    EXPECT_EQ(c.parent->GetChildObjectList().GetCount(), entries);
  }

  // Taking over the entries of an object that refers to the taker.
  ASSERT_TRUE(holder.AddChildObject(eReferenceChild, bottom, false));
  bottom->AcquireChildObjectList(&holder);
  EXPECT_EQ(holder.GetAtChild(0), bottom);
  EXPECT_EQ(bottom->GetChildObjectList().GetCount(), 1);

  // Objects that do not hold the parent are taken.
  CProbe other("other");
  EXPECT_TRUE(shared.AddChildObject(eReferenceChild, &other, false));
  EXPECT_TRUE(middle->AddChildObject(eReferenceChild, &holder, false));
  EXPECT_EQ(middle->GetChildObjectList().GetCount(), 2);
}

TEST(DataObjectTest, SubstituteReferencesFollowsTheCloneMap) {
  CProbe root("root"), material("material"), materialCopy("material copy"), unmapped("unmapped");
  CProbe* mesh = new CProbe("mesh");
  root.AddChildObject(eOwnedChild, mesh, false);
  root.AddChildObject(eReferenceChild, &material, false);
  mesh->AddChildObject(eReferenceChild, &material, false);
  mesh->AddChildObject(eReferenceChild, &unmapped, false);

  CDataObjectMap clones;
  clones.SetAt(&material, &materialCopy);
  clones.SetAt(mesh, &unmapped);  // owned entries are never replaced
  root.SubstituteReferences(clones, nullptr);
  EXPECT_EQ(root.GetAtChild(0), mesh);
  EXPECT_EQ(root.GetAtChild(1), &materialCopy);
  EXPECT_EQ(mesh->GetAtChild(0), &materialCopy);
  EXPECT_EQ(mesh->GetAtChild(1), &unmapped);
}

TEST(DataObjectTest, TemplateNames) {
  struct {
    const GUID* guid;
    const char* name;
  } cases[] = {
      {&TID_D3DRMFrame, "Frame"},
      {&TID_D3DRMMaterial, "Material"},
      {&TID_D3DRMAnimationSet, "AnimationSet"},
      {&TID_D3DRMMeshVertexColors, "Unknown"},
  };
  for (const auto& c : cases) {
    CProbe probe("probe", nullptr, c.guid);
    EXPECT_STREQ(probe.GetTemplateName(), c.name);
  }
  CXFileDataObject fresh;
  EXPECT_STREQ(fresh.GetTemplateName(), "NotInitialized");
  EXPECT_EQ(fresh.GetName(), nullptr);
}

TEST(DataObjectTest, DisplayNames) {
  CProbe root("root", nullptr, &TID_D3DRMFrame);
  CProbe* child = new CProbe("wheel", nullptr, &TID_D3DRMFrame);
  root.AddChildObject(eOwnedChild, child, false);
  root.AddChildObject(eReferenceChild, child, false);
  EXPECT_STREQ(root.GetDisplayNameTL(nullptr), "Frame : root");
  POSITION pos = root.GetChildHeadPosition();
  EXPECT_STREQ(root.GetChildObjectList().GetNext(pos)->GetDisplayNameTL(nullptr), "Frame : wheel ");
  EXPECT_STREQ(root.GetChildObjectList().GetNext(pos)->GetDisplayNameTL(nullptr), "Frame : wheel (reference)");
  CProbe unnamed("", nullptr, &TID_D3DRMMaterial);
  EXPECT_STREQ(unnamed.GetDisplayNameTL(nullptr), "Material");
}

TEST(DataObjectTest, IdentifiersAreUniqueAndNamesAreCopies) {
  CXFileDataObject a, b;
  EXPECT_NE(a.GetUniqueID(), b.GetUniqueID());
  char name[] = "original";
  a.Initialize(name, &TID_D3DRMFrame, false);
  name[0] = 'X';
  EXPECT_STREQ(a.GetName(), "original");
  a.SetName(nullptr, false);
  EXPECT_STREQ(a.GetName(), "");
  EXPECT_TRUE(a.IsAFrame());
  EXPECT_GT(a.GetDataObjectHierarchySize(), b.GetDataObjectSize());
}

TEST(DataObjectLockTest, TheMainThreadGivesUpOnABusyObject) {
  CProbe object("busy");
  CBusyObject holder(&object);
  try {
    object.Lock(true, false);
    FAIL() << "a busy object was locked";
  } catch (const char* message) {
    EXPECT_STREQ(message, "Info: Cannot lock the dx file object.");
  }
  EXPECT_FALSE(object.Lock(true, true));
  EXPECT_FALSE(object.Trylock());
  // quiet counts only when trying.
  EXPECT_THROW(object.Lock(false, true), const char*);
  EXPECT_THROW(object.IsDeletedTL(), const char*);
  EXPECT_THROW(object.DeleteContent(true), const char*);
  CProbe child("child");
  CChildObject* entry = nullptr;
  EXPECT_FALSE(object.AddChildObject(&entry, eReferenceChild, &child));
  EXPECT_EQ(object.GetAtChild(0), nullptr);
  POSITION pos = object.GetChildHeadPosition();
  EXPECT_EQ(object.GetNextChild(pos, &scene_test::kProbeGuid, true, true), nullptr);
  holder.Release();
  EXPECT_TRUE(object.Lock(true, false));
  object.Unlock();
}

TEST(DataObjectLockTest, AJobThreadWaitsForABusyObject) {
  CProbe object("busy");
  std::atomic<int> order{0};
  int seenByJob = -1;
  bool locked = false;
  object.Lock();
  std::thread job([&] {
    locked = object.Lock(true, false);  // on a job thread a try waits
    seenByJob = order.load();
    object.Unlock();
  });
  order = 1;
  object.Unlock();
  job.join();
  EXPECT_TRUE(locked);
  EXPECT_EQ(seenByJob, 1);
}

TEST(DataObjectLockTest, DestructionFreesChildrenWhateverTheLock) {
  int destroyed = 0;
  auto* object = new CProbe("parent", &destroyed);
  object->AddChildObject(eOwnedChild, new CProbe("child", &destroyed), false);
  // A job that ended while holding the lock.
  std::thread([object] { object->Lock(); }).join();
  EXPECT_NO_THROW(delete object);
  EXPECT_EQ(destroyed, 2);

  // A job, being stopped, lets go a moment after the main thread started
  // tearing the object down: the main thread waits instead of giving up.
  object = new CProbe("parent", &destroyed);
  object->AddChildObject(eOwnedChild, new CProbe("child", &destroyed), false);
  std::atomic<bool> held{false}, deleting{false};
  std::thread job([&] {
    object->Lock();
    held = true;
    while (!deleting) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    object->Unlock();
  });
  while (!held) std::this_thread::yield();
  deleting = true;
  EXPECT_NO_THROW(delete object);
  job.join();
  EXPECT_EQ(destroyed, 4);
}

}  // namespace
