// The root render frame, the cage and grid frames, and the world boundary
// with its box, its cage and their show and hide.
#include <cageframe.h>
#include <dynamicworldboundaryframe.h>
#include <rootrenderframe.h>

#include <cmath>
#include <memory>
#include <set>

#include "stage_test_support.h"

namespace {

std::vector<CFrame*> ChildFrames(CFrame* frame) {
  std::vector<CFrame*> frames;
  POSITION pos = frame->GetChildHeadPosition();
  while (CFrame* child = frame->GetNextFrame(pos, false, false)) frames.push_back(child);
  return frames;
}

using CageAndBoundaryFrames = StageTest;

}  // namespace

TEST(RootRenderFrame, AnUnnamedOneGetsAUniqueNameAndKnowsNoWorldBeforeInitialize) {
  CRootRenderFrame root;
  EXPECT_EQ(root.GetRenderFrameWorldList(), nullptr);
  ASSERT_TRUE(root.Initialize(nullptr, nullptr, nullptr, false));
  EXPECT_EQ(root.GetFrameType(), CFrame::eRootRenderFrame);
  const std::string name = root.GetName();
  EXPECT_EQ(name.rfind("RootRenderFrame", 0), 0u) << name;
  EXPECT_GT(name.size(), std::string("RootRenderFrame").size());
}

TEST_F(CageAndBoundaryFrames, ACageOnTheUnitBoxHasSixGridsOfTenEdgesOnTwelveCylinders) {
  CGBox unit;
  const D3DXVECTOR3 min(-0.5f, -0.5f, -0.5f), max(0.5f, 0.5f, 0.5f);
  unit.Initialize(&min, &max, false);
  CCageFrame cage;
  ASSERT_TRUE(cage.Initialize(&unit, nullptr, 5, 5, 5, 0.01f));
  EXPECT_EQ(cage.GetFrameType(), CFrame::eCageFrame);
  const std::vector<CFrame*> grids = ChildFrames(&cage);
  ASSERT_EQ(grids.size(), 6u);
  std::set<CCylinder*> cylinders;
  for (CFrame* frame : grids) {
    auto* grid = static_cast<CGridFrame*>(frame);
    EXPECT_EQ(grid->GetFrameType(), CFrame::eGridFrame);
    EXPECT_FALSE(grid->IsPickable());
    const std::vector<CFrame*> edges = ChildFrames(grid);
    ASSERT_EQ(edges.size(), 10u);
    EXPECT_STREQ(edges[0]->GetName(), "GridWidthEdge0");
    EXPECT_STREQ(edges[4]->GetName(), "GridWidthEdge4");
    EXPECT_STREQ(edges[5]->GetName(), "GridHeightEdge0");
    EXPECT_STREQ(edges[9]->GetName(), "GridHeightEdge4");
    cylinders.insert(grid->GetWidthEdgeCylinder());
    cylinders.insert(grid->GetHeightEdgeCylinder());
  }
  EXPECT_EQ(cylinders.size(), 12u);
  // The cage encloses the unit box, its lines standing out by their radius.
  const CGBox box = cage.ConvertBoundingBoxPFS(nullptr, false);
  EXPECT_NEAR(box.GetWidthFS(), 1.02f, 0.005f);
  EXPECT_NEAR(box.GetHeightFS(), 1.02f, 0.005f);
  EXPECT_NEAR(box.GetDepthFS(), 1.02f, 0.005f);
}

TEST_F(CageAndBoundaryFrames, AGridWithoutRadiusTakesATenthOfTheSpacingOfItsNarrowerSide) {
  CGridFrame grid;
  D3DXVECTOR3 normal(0, 0, -1), up(0, 1, 0), corner(0, 0, 0);
  ASSERT_TRUE(grid.Initialize(4, 2, &normal, &up, &corner, nullptr, 5, 5, 0));
  EXPECT_FLOAT_EQ(grid.GetWidthEdgeCylinder()->GetBaseRadius(), 0.04f);
  EXPECT_FLOAT_EQ(grid.GetHeightEdgeCylinder()->GetHeight(), 2.0f);
}

TEST_F(CageAndBoundaryFrames, TheWorldBoundaryStandsBetweenTheWorldBoxAndTheContentWithATenTimesBox) {
  CDynamicWorldBoundaryFrame* boundary = m_world.GetWorldBoundaryFrame();
  ASSERT_NE(boundary, nullptr);
  EXPECT_STREQ(boundary->GetName(), "DynamicBoundaryFrame");
  EXPECT_EQ(boundary->GetFrameType(), CFrame::eDynamicWorldBoundaryFrame);
  EXPECT_EQ(boundary->GetParentRenderFrame(), m_world.GetWorldBoxFrame());
  EXPECT_EQ(m_world.GetWorldContentFrame()->GetParentRenderFrame(), boundary);
  EXPECT_EQ(m_world.GetWorldContentFrame()->GetRenderFrameWorldList(), &m_world);
  ASSERT_NE(boundary->GetBoxFrame(), nullptr);
  EXPECT_STREQ(boundary->GetBoxFrame()->GetName(), "DynamicCageBoxFrame");
  EXPECT_NEAR(boundary->GetBoxFrame()->ConvertBoundingBoxPFS(nullptr, false).GetWidthFS(), 10.0f, 1e-4f);

  // Content 2 wide, 1 high and 1 deep, off the origin: a 20 m cube on it.
  AddBox({3, 0, 0}, 2, 1, 1, GreenMaterial());
  const CGBox box = boundary->GetBoxFrame()->ConvertBoundingBoxPFS(nullptr, false);
  for (float size : {box.GetWidthFS(), box.GetHeightFS(), box.GetDepthFS()}) EXPECT_NEAR(size, 20.0f, 1e-3f);
  EXPECT_NEAR(box.GetCenterFS().x, 3.0f, 1e-4f);
  EXPECT_NEAR(boundary->GetRadiusFS(), 10.0f * std::sqrt(3.0f), 1e-3f);
}

TEST_F(CageAndBoundaryFrames, TheWorldCageIsVisibleThenHiddenThenShownAtTwiceTheScenesSize) {
  CDynamicWorldBoundaryFrame* boundary = m_world.GetWorldBoundaryFrame();
  AddBox({0, 1, 0}, 3, 1.5f, 0.5f, GreenMaterial());
  // Visible after the world is built, with no cage yet.
  EXPECT_TRUE(boundary->WorldBoundaryIsVisible());
  EXPECT_EQ(boundary->GetCageFrame(), nullptr);
  boundary->HideWorldBoundary();
  EXPECT_FALSE(boundary->WorldBoundaryIsVisible());
  EXPECT_EQ(boundary->GetCageFrame(), nullptr);

  ASSERT_TRUE(boundary->ShowWorldBoundary());
  EXPECT_TRUE(boundary->WorldBoundaryIsVisible());
  CCageFrame* first = boundary->GetCageFrame();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetParentRenderFrame(), boundary);
  // Twice the content where it measures at least 1; the unit size (and
  // the lines' radius) on the thinner depth.
  const CGBox cage = first->ConvertBoundingBoxPFS(nullptr, false);
  EXPECT_NEAR(cage.GetWidthFS(), 6.0f, 0.2f);
  EXPECT_NEAR(cage.GetHeightFS(), 3.0f, 0.1f);
  EXPECT_NEAR(cage.GetDepthFS(), 1.02f, 0.01f);
  EXPECT_NEAR(cage.GetCenterFS().y, 1.0f, 1e-3f);

  boundary->HideWorldBoundary();
  EXPECT_FALSE(boundary->WorldBoundaryIsVisible());
  EXPECT_EQ(boundary->GetCageFrame(), nullptr);
  ASSERT_TRUE(boundary->ShowWorldBoundary());
  EXPECT_NE(boundary->GetCageFrame(), nullptr);
  EXPECT_NE(boundary->GetBoxFrame(), nullptr) << "the box stays through show and hide";
}

TEST(WorldBoundaryWithoutDevice, ACageThatCannotBeBuiltLeavesTheBoundaryHidden) {
  CDXWindowedDevice notCreated;
  auto* content = new CFrame;
  content->Initialize(nullptr, const_cast<char*>("Content"), CFrame::ePlainFrame, false);
  CDynamicWorldBoundaryFrame boundary;
  ASSERT_TRUE(boundary.Initialize(content, false, false));
  EXPECT_EQ(content->GetParentRenderFrame(), &boundary);
  EXPECT_FALSE(boundary.ShowWorldBoundary());
  EXPECT_FALSE(boundary.WorldBoundaryIsVisible());
  EXPECT_EQ(boundary.GetCageFrame(), nullptr);
}
