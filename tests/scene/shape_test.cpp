// Simple shapes: their meshes, bounds, names and drawing.
#include <simpleshape.h>

#include <cstring>

#include "mesh_test_support.h"
#include "test_mesh.h"

namespace {

class ShapeTest : public MeshDeviceTest {};

D3DMATERIAL8 Material(float alpha) {
  D3DMATERIAL8 material{};
  material.Diffuse = {1.0f, 0.0f, 0.0f, alpha};
  return material;
}

TEST_F(ShapeTest, ShapesHaveTheirCountsAndBounds) {
  D3DMATERIAL8 red = Material(1.0f);
  CBox box;
  CSphere sphere;
  CCylinder cylinder;
  ASSERT_EQ(box.Initialize(2, 4, 6, &red, nullptr, 0, false), S_OK);
  ASSERT_EQ(sphere.Initialize(2, &red, nullptr, 0), S_OK);
  ASSERT_EQ(cylinder.Initialize(1, 0.5f, 4, &red, 0), S_OK);
  struct Case {
    CSimpleShape& shape;
    DWORD vertices, faces;
    D3DXVECTOR3 max;
  } cases[] = {
      {box, 24, 12, {1, 2, 3}},
      {sphere, 58, 112, {2, 2, 2}},
      {cylinder, 90, 144, {1, 1, 2}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.shape.GetName());
    EXPECT_TRUE(c.shape.IsInitialized());
    EXPECT_TRUE(c.shape.MeshCreated());
    EXPECT_EQ(c.shape.GetSimpleShapeMesh()->GetNumVertices(), c.vertices);
    EXPECT_EQ(c.shape.GetSimpleShapeMesh()->GetNumFaces(), c.faces);
    const D3DXVECTOR3* max = c.shape.GetBoundingBox()->GetMaxFS();
    const D3DXVECTOR3* min = c.shape.GetBoundingBox()->GetMinFS();
    EXPECT_NEAR(max->x, c.max.x, 1e-5f);
    EXPECT_NEAR(max->y, c.max.y, 1e-5f);
    EXPECT_NEAR(max->z, c.max.z, 1e-5f);
    EXPECT_NEAR(min->z, -c.max.z, 1e-5f);
    EXPECT_NEAR(c.shape.GetCenterFS()->z, 0.0f, 1e-5f);
    EXPECT_GE(c.shape.GetRadiusFS(), c.max.z);
    EXPECT_TRUE(c.shape.IsOpaque());
    EXPECT_EQ(c.shape.Draw(Device()), S_OK);
  }
  EXPECT_STREQ(box.GetName(), "Box");
  EXPECT_STREQ(cylinder.GetName(), "Cylinder");
  EXPECT_EQ(box.GetDepth(), 6.0f);
  EXPECT_EQ(cylinder.GetTopRadius(), 0.5f);
}

TEST_F(ShapeTest, AShapeWithoutAMeshDrawsNothing) {
  CBox box;
  ASSERT_EQ(box.Initialize(0, 0, 0, nullptr, const_cast<char*>("Handle"), 0, false), S_OK);
  EXPECT_TRUE(box.IsInitialized());
  EXPECT_EQ(box.GetSimpleShapeMesh(), nullptr);
  EXPECT_TRUE(box.GetBoundingBox()->IsZeroSizeBox());
  EXPECT_EQ(box.GetRadiusFS(), 0.0f);
  EXPECT_EQ(box.Draw(Device()), S_OK);
}

TEST_F(ShapeTest, SpheresAreNamedAsAskedOrUniquely) {
  CSphere named, first, second;
  ASSERT_EQ(named.Initialize(1, nullptr, const_cast<char*>("LightSphereShape"), 0), S_OK);
  ASSERT_EQ(first.Initialize(1, nullptr, nullptr, 0), S_OK);
  ASSERT_EQ(second.Initialize(1, nullptr, nullptr, 0), S_OK);
  EXPECT_STREQ(named.GetName(), "LightSphereShape");
  EXPECT_EQ(std::strncmp(first.GetName(), "Sphere", 6), 0);
  EXPECT_STRNE(first.GetName(), second.GetName());
}

TEST_F(ShapeTest, DrawUsesTheReferencedMaterialAndKeepsTheCallersMesh) {
  ComRef<ID3DXMesh> mesh;
  mesh.Attach(MakeMesh(Device(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}));
  ASSERT_TRUE(mesh);
  D3DMATERIAL8 referenced = Material(0.5f);
  const ULONG references = mesh.Count();
  {
    CSimpleShape shape;
    ASSERT_TRUE(shape.Initialize(mesh.get(), &referenced, nullptr, 7));
    EXPECT_EQ(shape.GetShapeType(), 7u);
    EXPECT_FALSE(shape.MeshCreated());
    EXPECT_EQ(shape.GetBoundingBox()->GetMaxFS()->y, 1.0f);
    D3DMATERIAL8 own = Material(1.0f);
    shape.SetMaterial(&own);
    ASSERT_EQ(shape.Draw(Device()), S_OK);
    D3DMATERIAL8 drawn{};
    Device()->GetMaterial(&drawn);
    EXPECT_EQ(drawn.Diffuse.a, 0.5f);
    EXPECT_TRUE(shape.IsOpaque());
  }
  EXPECT_EQ(mesh.Count(), references);
}

}  // namespace
