// The names a save writes: a name that finds an object finds only it, the
// others are kept as they are.
#include <frame.h>
#include <gtest/gtest.h>
#include <material.h>
#include <savenames.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// One object of a save: a frame or a material, its name and what names it.
struct SObject {
  bool frame;
  const char* name;
  enum { eNone, eReferenced, eBone } namedBy;
  const char* written;
};

std::unique_ptr<CXFileDataObject> Make(const SObject& o) {
  if (o.frame) {
    auto frame = std::make_unique<CFrame>();
    frame->Initialize(nullptr, const_cast<char*>(o.name), CFrame::ePlainFrame, false);
    return frame;
  }
  auto material = std::make_unique<CMaterial>();
  D3DMATERIAL8 colour{};
  material->Initialize(&colour, nullptr, nullptr, const_cast<char*>(o.name), nullptr);
  return material;
}

TEST(SaveNames, ANameThatFindsAnObjectFindsOnlyIt) {
  struct {
    const char* what;
    bool text;
    std::vector<SObject> objects;
  } cases[] = {
      {"referenced names that text makes equal: the one held as it stands is kept",
       true,
       {{false, "Mat-1", SObject::eReferenced, "Mat_1_1"}, {false, "Mat_1", SObject::eReferenced, "Mat_1"}}},
      {"a suffix that another object has as its name is passed over",
       true,
       {{false, "Mat-1", SObject::eReferenced, "Mat_1_2"},
        {false, "Mat_1_1", SObject::eNone, "Mat_1_1"},
        {false, "Mat_1", SObject::eReferenced, "Mat_1"}}},
      {"the same referenced name twice: the second gets a suffix",
       false,
       {{false, "Twin", SObject::eReferenced, "Twin"}, {false, "Twin", SObject::eReferenced, "Twin_1"}}},
      {"names that nothing looks up stay as they are, repeated or not",
       true,
       {{false, "pos", SObject::eNone, "pos"},
        {false, "pos", SObject::eNone, "pos"},
        {false, "a b", SObject::eNone, "a_b"}}},
      {"a referenced object has its name to itself",
       false,
       {{true, "Shared", SObject::eNone, "Shared_1"}, {false, "Shared", SObject::eReferenced, "Shared"}}},
      {"a bone's name is its frame's among the frames only",
       false,
       {{true, "Cube", SObject::eBone, "Cube"},
        {false, "Cube", SObject::eNone, "Cube"},
        {true, "Cube", SObject::eNone, "Cube_1"}}},
      {"an unnamed object stays unnamed",
       true,
       {{false, "", SObject::eReferenced, ""}, {true, "", SObject::eNone, ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::unique_ptr<CXFileDataObject>> objects;
    CSaveNames names(c.text);
    for (const SObject& o : c.objects) {
      objects.push_back(Make(o));
      names.Add(objects.back().get());
      if (o.namedBy == SObject::eReferenced) names.AddReferenceTarget(objects.back().get());
      if (o.namedBy == SObject::eBone) names.AddBoneName(o.name);
    }
    names.Assign();
    for (size_t i = 0; i < objects.size(); ++i) {
      CString written;
      ASSERT_TRUE(names.Lookup(objects[i].get(), written));
      EXPECT_EQ(std::string(written), c.objects[i].written) << "object " << i;
    }
  }
}

TEST(SaveNames, BonesAndObjectsOutsideTheSaveAreNamedAsTheFileCanHoldThem) {
  CFrame bone;
  bone.Initialize(nullptr, const_cast<char*>("Arm-1"), CFrame::ePlainFrame, false);
  CFrame other;
  other.Initialize(nullptr, const_cast<char*>("Arm_1"), CFrame::ePlainFrame, false);
  CSaveNames names(true);
  names.Add(&other);
  names.Add(&bone);
  names.AddBoneName("Arm-1");
  names.Assign();
  EXPECT_EQ(std::string(names.GetFrameName("Arm-1")), "Arm_1_1");
  EXPECT_EQ(std::string(names.GetFrameName("Leg-1")), "Leg_1");
  CString written;
  CMaterial unsaved;
  EXPECT_FALSE(names.Lookup(&unsaved, written));
  // In use on this thread only while the scope lasts.
  EXPECT_EQ(CSaveNames::GetCurrent(), nullptr);
  {
    const CSaveNames::CInUse inUse(names);
    EXPECT_EQ(CSaveNames::GetCurrent(), &names);
    EXPECT_EQ(std::string(bone.GetSaveName()), "Arm_1_1");
  }
  EXPECT_EQ(CSaveNames::GetCurrent(), nullptr);
}

}  // namespace
