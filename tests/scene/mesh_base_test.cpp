// The mesh base: kind, names, bounds and the mesh-buffer lock.
#include <basemesh.h>
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

TEST(BaseMeshTest, DrawsNothingAndDoesNotClone) {
  CBaseMesh mesh;
  ASSERT_TRUE(mesh.Initialize(nullptr));
  EXPECT_EQ(mesh.GetMeshType(), eBaseMeshTypeBase);
  EXPECT_EQ(mesh.Render(nullptr, nullptr, 1, 0, nullptr, nullptr, nullptr, false), S_OK);
  CBaseMesh* clone = &mesh;
  EXPECT_FALSE(mesh.Clone(&clone, nullptr));
  EXPECT_EQ(clone, &mesh);
}

TEST(BaseMeshTest, InitializeNamesAndResetsBounds) {
  CBaseMesh first, second;
  ASSERT_TRUE(first.Initialize(nullptr));
  ASSERT_TRUE(second.Initialize(nullptr));
  EXPECT_EQ(std::strncmp(first.GetName(), "BaseMesh", 8), 0);
  EXPECT_STRNE(first.GetName(), second.GetName());
  EXPECT_TRUE(first.IsInitialized());
  EXPECT_TRUE(first.GetBoundingBox()->IsZeroSizeBox());

  CGBox box;
  const D3DXVECTOR3 min(-1, -1, -1), max(1, 1, 1);
  box.Initialize(&min, &max, false);
  CGSphere sphere;
  const D3DXVECTOR3 center(0, 0, 2);
  sphere.Initialize(3, &center);
  first.SetBoundingObjects(box, sphere);
  EXPECT_EQ(first.GetRadiusFS(), 3.0f);
  EXPECT_EQ(first.GetCenterFS()->z, 2.0f);

  ASSERT_TRUE(first.Initialize(const_cast<char*>("again")));
  EXPECT_STREQ(first.GetName(), "again");
  EXPECT_EQ(first.GetRadiusFS(), 0.0f);
}

TEST(BaseMeshTest, ADeletedMeshHasNoBoundsAndRefusesItsBuffers) {
  CBaseMesh mesh;
  ASSERT_TRUE(mesh.Initialize(nullptr));
  mesh.DeleteContent(false);
  EXPECT_TRUE(mesh.IsDeleted());
  EXPECT_EQ(mesh.GetCenterFS(), nullptr);
  EXPECT_EQ(mesh.GetRadiusFS(), 0.0f);
  EXPECT_FALSE(mesh.LockMeshBuffers(false));
}

TEST(BaseMeshTest, TheMeshBufferLockIsHeldOnceAtATime) {
  CBaseMesh mesh;
  ASSERT_TRUE(mesh.Initialize(nullptr));
  ASSERT_TRUE(mesh.LockMeshBuffers(false));
  // Not again on the same thread, nor on another while it is held.
  EXPECT_FALSE(mesh.TryLockMeshBuffers());
  bool tried = true;
  const char* thrown = nullptr;
  std::thread([&] {
    tried = mesh.TryLockMeshBuffers();
    try {
      mesh.LockMeshBuffers(true);
    } catch (const char* message) {
      thrown = message;
    }
  }).join();
  EXPECT_FALSE(tried);
  EXPECT_STREQ(thrown, "Info: Cannot lock the mesh buffer mutex.");
  mesh.UnlockMeshBuffers();

  std::thread([&] {
    tried = mesh.TryLockMeshBuffers();
    if (tried) mesh.UnlockMeshBuffers();
  }).join();
  EXPECT_TRUE(tried);
}
