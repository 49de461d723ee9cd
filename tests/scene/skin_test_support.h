// Shared by the tests of skinned Direct3D meshes: loading a file with its
// meshes as Direct3D meshes, finding its objects, posing it at a key time,
// and reading a skinned mesh's weights by vertex position.
#pragma once

#include <animation.h>
#include <dxmesh.h>
#include <frame.h>
#include <skinweights.h>
#include <xfiletemplates.h>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "xfile_test_support.h"

namespace skin_test {

// Calls visit for object and every object below it, depth first.
inline void Walk(CXFileDataObject* object, const std::function<void(CXFileDataObject*)>& visit) {
  visit(object);
  CChildObjectList& children = object->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) Walk(children.GetNext(pos)->GetXfileDataObject(), visit);
}

inline std::vector<CDXMesh*> DXMeshes(CXFileDataObject* root) {
  std::vector<CDXMesh*> meshes;
  Walk(root, [&](CXFileDataObject* o) {
    if (o->IsATemplateGUID(&GUID_BaseMesh) && static_cast<CBaseMesh*>(o)->GetMeshType() == eBaseMeshTypeDXMesh &&
        std::find(meshes.begin(), meshes.end(), o) == meshes.end())
      meshes.push_back(static_cast<CDXMesh*>(o));
  });
  return meshes;
}

// The animation sets below root and in the world's list.
inline std::vector<CAnimationSet*> AnimationSets(CXFileDataObject* root, CXFileDataList& world) {
  std::vector<CAnimationSet*> sets;
  auto visit = [&](CXFileDataObject* o) {
    if (o->IsATemplateGUID(&TID_D3DRMAnimationSet) && std::find(sets.begin(), sets.end(), o) == sets.end())
      sets.push_back(static_cast<CAnimationSet*>(o));
  };
  Walk(root, visit);
  for (POSITION pos = world.GetHeadPosition(); pos;) Walk(world.GetNext(pos), visit);
  return sets;
}

// The world transform of every frame below frame, as the world's pass sets
// them before it refreshes the bounds.
inline void SetWorldTransforms(CFrame* frame, const D3DXMATRIX& parent) {
  D3DXMATRIX world = frame->GetTransformMatrix(false) * parent;
  frame->SetWorldTransform(&world, false);
  CChildObjectList& children = frame->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CXFileDataObject* child = children.GetNext(pos)->GetXfileDataObject();
    if (child->IsAFrame()) SetWorldTransforms(static_cast<CFrame*>(child), world);
  }
}

// Sets every animation of the sets to time t, then the world transforms and
// the skinned bounds below root.
inline void Pose(CFrame* root, const std::vector<CAnimationSet*>& sets, float t) {
  for (CAnimationSet* set : sets) {
    CTypedPtrList<CPtrList, CAnimation*>& animations = set->GetAnimationList();
    for (POSITION pos = animations.GetHeadPosition(); pos;) animations.GetNext(pos)->AnimateTL(t, false);
  }
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  SetWorldTransforms(root, identity);
  ASSERT_TRUE(root->ComputeBoundingObjectsHierarchy(&identity, false, false, false));
}

using Position = std::array<float, 3>;

// The position of each vertex of a mesh.
inline std::vector<Position> Positions(ID3DXMesh* mesh) {
  std::vector<Position> out(mesh->GetNumVertices());
  BYTE* data = nullptr;
  if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) return {};
  const UINT stride = DecodeFvf(mesh->GetFVF()).stride;
  for (size_t v = 0; v < out.size(); ++v) std::memcpy(out[v].data(), data + v * stride, 12);
  mesh->UnlockVertexBuffer();
  return out;
}

// Each bone's non-zero weights by the position of the vertex they move (one
// weight a place: copies of a vertex carry the same weights).
using Weights = std::map<std::string, std::map<Position, float>>;

inline Weights WeightsByPosition(CDXMesh& mesh) {
  Weights out;
  const std::vector<Position> positions = Positions(mesh.GetMesh());
  for (DWORD i = 0; i < mesh.GetSkinWeightsCount(); ++i) {
    CSkinWeights* weights = mesh.GetSkinWeights(i);
    auto& bone = out[std::string(weights->GetTransformNodeName())];
    for (DWORD k = 0; k < weights->GetWeightsCount(); ++k) {
      const float w = weights->GetWeights()[k];
      const DWORD v = weights->GetVertexIndices()[k];
      EXPECT_LT(v, positions.size());
      if (w != 0.0f && v < positions.size()) bone[positions[v]] = w;
    }
  }
  return out;
}

// The weighted bone matrices applied to the vertex's unposed position: where
// the bones say the vertex goes.
inline D3DXVECTOR3 WhereBonesPut(CDXMesh& mesh, const D3DXVECTOR3& p, const Weights& weights) {
  D3DXVECTOR3 sum(0, 0, 0);
  for (DWORD i = 0; i < mesh.GetSkinWeightsCount(); ++i) {
    CSkinWeights* bone = mesh.GetSkinWeights(i);
    auto found = weights.find(std::string(bone->GetTransformNodeName()));
    if (found == weights.end()) continue;
    auto w = found->second.find({p.x, p.y, p.z});
    if (w == found->second.end()) continue;
    D3DXMATRIX m = *bone->GetMatOffset();
    if (bone->GetBoneWorldTransform()) m = m * *bone->GetBoneWorldTransform();
    D3DXVECTOR3 q;
    D3DXVec3TransformCoord(&q, &p, &m);
    sum += q * w->second;
  }
  return sum;
}

}  // namespace skin_test
