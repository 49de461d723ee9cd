#include <gtest/gtest.h>

#include "tracelog.h"

namespace {

// {6A0B1C2D-3E4F-4A5B-8C6D-7E8F9A0B1C2D}
DEFINE_GUID(IID_ITestThing, 0x6a0b1c2d, 0x3e4f, 0x4a5b, 0x8c, 0x6d, 0x7e, 0x8f, 0x9a, 0x0b, 0x1c, 0x2d);

struct ITestThing : IUnknown {};

// Counts how many were destroyed, so that a test sees an object go away.
int g_destroyed = 0;

class TestThing : public TComObject<ITestThing, &IID_ITestThing> {
 public:
  ~TestThing() override { ++g_destroyed; }
};

// An object held by `holders` references.
ITestThing* Held(int holders) {
  ITestThing* p = new TestThing;
  for (int i = 1; i < holders; ++i) p->AddRef();
  return p;
}

TEST(ComRelease, SafeReleaseDropsOnlyTheCallersReference) {
  g_destroyed = 0;
  ITestThing* other = Held(3);
  ITestThing* mine = other;
  EXPECT_EQ(SafeRelease(&mine), TRUE);
  EXPECT_EQ(mine, nullptr);
  EXPECT_EQ(GetReferencesCount(other), 2u);  // the other holders keep theirs
  EXPECT_EQ(g_destroyed, 0);

  IUnknown* asUnknown = other;
  EXPECT_EQ(SafeRelease(&asUnknown), TRUE);
  EXPECT_EQ(asUnknown, nullptr);
  EXPECT_EQ(GetReferencesCount(other), 1u);
  SafeRelease(&other);  // the last reference: the object goes
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(g_destroyed, 1);

  ITestThing* none = nullptr;
  EXPECT_EQ(SafeRelease(&none), TRUE);
  EXPECT_EQ(none, nullptr);
}

TEST(ComRelease, SafeRelease2ClearsThePointerOnlyWhenTheObjectIsGone) {
  g_destroyed = 0;
  ITestThing* p = Held(2);
  ITestThing* keep = p;
  EXPECT_EQ(SafeRelease2(&p), 1u);
  EXPECT_EQ(p, keep);  // still held by someone: the pointer stays
  EXPECT_EQ(SafeRelease2(&p), 0u);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(g_destroyed, 1);
  EXPECT_EQ(SafeRelease2(&p), 0u);  // NULL: no call
}

TEST(ComRelease, ReferencesCountLeavesTheCountAsItWas) {
  ITestThing* p = Held(4);
  EXPECT_EQ(GetReferencesCount(p), 4u);
  EXPECT_EQ(GetReferencesCount(p), 4u);
  for (int i = 0; i < 4; ++i) p->Release();
}

}  // namespace
