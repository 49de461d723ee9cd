#include "xfile_test_support.h"

#include <xfiletemplates.h>

#include <functional>

namespace xfile_test {
namespace {

void CountFileObject(IDirectXFileData* data, SCounts& counts) {
  const GUID* type = nullptr;
  ASSERT_EQ(data->GetType(&type), DXFILE_OK);
  if (*type == TID_D3DRMFrame) ++counts.frames;
  if (*type == TID_D3DRMMesh) {
    DWORD size = 0;
    void* block = nullptr;
    ASSERT_EQ(data->GetData(nullptr, &size, &block), DXFILE_OK);
    const DWORD* words = static_cast<const DWORD*>(block);
    const DWORD vertices = words[0];
    ++counts.meshes;
    counts.vertices += vertices;
    counts.faces += words[1 + 3 * vertices];
  }
  IDirectXFileObject* child = nullptr;
  while (SUCCEEDED(data->GetNextObject(&child))) {
    IDirectXFileData* nested = nullptr;
    if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&nested)))) {
      CountFileObject(nested, counts);
      nested->Release();
    }
    child->Release();
  }
}

// Visits every object below root once, references included.
void VisitTree(CXFileDataObject* root, const std::function<void(CXFileDataObject*)>& visit) {
  CChildObjectList& children = root->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CChildObject* entry = children.GetNext(pos);
    if (!entry->GetXfileDataObject() || entry->IsReference()) continue;
    visit(entry->GetXfileDataObject());
    VisitTree(entry->GetXfileDataObject(), visit);
  }
}

std::string NameOf(CXFileDataObject* object) { return object->GetName() ? object->GetName() : ""; }

void ExpectMatrix(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(a[i], b[i]) << "element " << i;
}

// Alpha only where the file holds it (a ColorRGBA).
void ExpectColor(const D3DCOLORVALUE& a, const D3DCOLORVALUE& b, bool alpha) {
  EXPECT_FLOAT_EQ(a.r, b.r);
  EXPECT_FLOAT_EQ(a.g, b.g);
  EXPECT_FLOAT_EQ(a.b, b.b);
  if (alpha) {
    EXPECT_FLOAT_EQ(a.a, b.a);
  }
}

void ExpectFaces(const CMeshFace* a, const CMeshFace* b, DWORD count) {
  for (DWORD i = 0; i < count; ++i) {
    ASSERT_EQ(a[i].GetFaceVertexCount(), b[i].GetFaceVertexCount()) << "face " << i;
    for (DWORD k = 0; k < a[i].GetFaceVertexCount(); ++k)
      EXPECT_EQ(a[i].GetFaceVertexIndices()[k], b[i].GetFaceVertexIndices()[k]) << "face " << i;
  }
}

void ExpectSameContent(CXFileDataObject* a, CXFileDataObject* b) {
  if (a->IsATemplateGUID(&TID_D3DRMFrameTransformMatrix)) {
    ExpectMatrix(static_cast<CFrameTransformMatrix*>(a)->GetFrameMatrix(false),
                 static_cast<CFrameTransformMatrix*>(b)->GetFrameMatrix(false));
  } else if (a->IsATemplateGUID(&TID_D3DRMMesh)) {
    auto* x = static_cast<CMesh*>(a);
    auto* y = static_cast<CMesh*>(b);
    ASSERT_EQ(x->GetVerticesCount(), y->GetVerticesCount());
    ASSERT_EQ(x->GetFacesCount(), y->GetFacesCount());
    const std::vector<D3DVERTEX> p = ReadVertices(x->GetVertexBuffer());
    const std::vector<D3DVERTEX> q = ReadVertices(y->GetVertexBuffer());
    for (size_t i = 0; i < p.size(); ++i) {
      EXPECT_FLOAT_EQ(p[i].x, q[i].x);
      EXPECT_FLOAT_EQ(p[i].y, q[i].y);
      EXPECT_FLOAT_EQ(p[i].z, q[i].z);
    }
    ExpectFaces(x->GetFaces(), y->GetFaces(), x->GetFacesCount());
  } else if (a->IsATemplateGUID(&TID_D3DRMMeshNormals)) {
    auto* x = static_cast<CMeshNormals*>(a);
    auto* y = static_cast<CMeshNormals*>(b);
    ASSERT_EQ(x->GetNormalsCount(), y->GetNormalsCount());
    ASSERT_EQ(x->GetFacesCount(), y->GetFacesCount());
    for (DWORD i = 0; i < x->GetNormalsCount(); ++i) {
      EXPECT_FLOAT_EQ(x->GetNormals()[i].x, y->GetNormals()[i].x);
      EXPECT_FLOAT_EQ(x->GetNormals()[i].y, y->GetNormals()[i].y);
      EXPECT_FLOAT_EQ(x->GetNormals()[i].z, y->GetNormals()[i].z);
    }
    ExpectFaces(x->GetMeshFaces(), y->GetMeshFaces(), x->GetFacesCount());
  } else if (a->IsATemplateGUID(&TID_D3DRMMeshTextureCoords)) {
    auto* x = static_cast<CMeshTextureCoords*>(a);
    auto* y = static_cast<CMeshTextureCoords*>(b);
    ASSERT_EQ(x->GetMeshVertexCount(), y->GetMeshVertexCount());
    for (DWORD i = 0; i < x->GetMeshVertexCount(); ++i) {
      EXPECT_FLOAT_EQ(x->GetTextureCoords()[i].GetU(), y->GetTextureCoords()[i].GetU());
      EXPECT_FLOAT_EQ(x->GetTextureCoords()[i].GetV(), y->GetTextureCoords()[i].GetV());
    }
  } else if (a->IsATemplateGUID(&TID_D3DRMMeshVertexColors)) {
    auto* x = static_cast<CMeshVertexColors*>(a);
    auto* y = static_cast<CMeshVertexColors*>(b);
    ASSERT_EQ(x->GetVertexColorsCount(), y->GetVertexColorsCount());
    for (DWORD i = 0; i < x->GetVertexColorsCount(); ++i) {
      EXPECT_EQ(x->GetIndexedColor()[i].GetVertexIndex(), y->GetIndexedColor()[i].GetVertexIndex());
      const D3DXCOLOR* c = x->GetIndexedColor()[i].GetVertexColor();
      const D3DXCOLOR* d = y->GetIndexedColor()[i].GetVertexColor();
      EXPECT_FLOAT_EQ(c->r, d->r);
      EXPECT_FLOAT_EQ(c->g, d->g);
      EXPECT_FLOAT_EQ(c->b, d->b);
      EXPECT_FLOAT_EQ(c->a, d->a);
    }
  } else if (a->IsATemplateGUID(&TID_D3DRMMeshFaceWraps)) {
    auto* x = static_cast<CMeshFaceWraps*>(a);
    auto* y = static_cast<CMeshFaceWraps*>(b);
    ASSERT_EQ(x->GetFaceWrapValuesCount(), y->GetFaceWrapValuesCount());
    for (DWORD i = 0; i < x->GetFaceWrapValuesCount(); ++i) {
      EXPECT_EQ(x->GetFaceWrapValues()[i].GetU(), y->GetFaceWrapValues()[i].GetU());
      EXPECT_EQ(x->GetFaceWrapValues()[i].GetV(), y->GetFaceWrapValues()[i].GetV());
    }
  } else if (a->IsATemplateGUID(&TID_D3DRMMeshMaterialList)) {
    auto* x = static_cast<CMeshMaterialList*>(a);
    auto* y = static_cast<CMeshMaterialList*>(b);
    EXPECT_EQ(x->GetMaterialsCount(), y->GetMaterialsCount());
    ASSERT_EQ(x->GetFacesCount(), y->GetFacesCount());
    for (DWORD i = 0; i < x->GetFacesCount() && x->GetFaceMaterialIndices(); ++i)
      EXPECT_EQ(x->GetFaceMaterialIndices()[i], y->GetFaceMaterialIndices()[i]);
  } else if (a->IsATemplateGUID(&TID_D3DRMMaterial)) {
    const D3DMATERIAL8* x = static_cast<CMaterial*>(a)->GetMaterial();
    const D3DMATERIAL8* y = static_cast<CMaterial*>(b)->GetMaterial();
    ExpectColor(x->Diffuse, y->Diffuse, true);
    ExpectColor(x->Specular, y->Specular, false);
    ExpectColor(x->Emissive, y->Emissive, false);
    EXPECT_FLOAT_EQ(x->Power, y->Power);
  } else if (a->IsATemplateGUID(&TID_D3DRMTextureFilename)) {
    EXPECT_STREQ(static_cast<CTextureFile*>(a)->GetFileName(), static_cast<CTextureFile*>(b)->GetFileName());
  } else if (a->IsATemplateGUID(&TID_D3DRMAnimationKey)) {
    auto* x = static_cast<CAnimationKey*>(a);
    auto* y = static_cast<CAnimationKey*>(b);
    EXPECT_EQ(x->GetKeyType(), y->GetKeyType());
    ASSERT_EQ(x->GetKeysCount(), y->GetKeysCount());
    const DWORD end = x->GetAnimationTime();
    EXPECT_EQ(end, y->GetAnimationTime());
    for (float t : {0.0f, end / 3.0f, end / 2.0f, static_cast<float>(end)}) {
      const D3DXMATRIX p = x->GetTransform(t), q = y->GetTransform(t);
      ExpectMatrix(p, q);
    }
  }
}

}  // namespace

size_t ForEachTopLevelObject(const std::string& path, const std::function<void(IDirectXFileData*)>& visit) {
  IDirectXFile* file = nullptr;
  EXPECT_EQ(DirectXFileCreate(&file), DXFILE_OK);
  EXPECT_EQ(RegisterXFileTemplates(file), DXFILE_OK);
  IDirectXFileEnumObject* enumObject = nullptr;
  EXPECT_EQ(file->CreateEnumObject(const_cast<char*>(path.c_str()), DXFILELOAD_FROMFILE, &enumObject), DXFILE_OK);
  size_t count = 0;
  IDirectXFileData* data = nullptr;
  while (enumObject && SUCCEEDED(enumObject->GetNextDataObject(&data))) {
    visit(data);
    data->Release();
    ++count;
  }
  if (enumObject) enumObject->Release();
  file->Release();
  return count;
}

SCounts CountFileContent(const std::string& path) {
  SCounts counts;
  ForEachTopLevelObject(path, [&](IDirectXFileData* data) { CountFileObject(data, counts); });
  return counts;
}

SCounts CountTree(CXFileDataObject* root) {
  SCounts counts;
  VisitTree(root, [&](CXFileDataObject* object) {
    if (object->IsAFrame()) ++counts.frames;
    if (object->IsATemplateGUID(&TID_D3DRMMesh)) {
      ++counts.meshes;
      counts.vertices += static_cast<CMesh*>(object)->GetVerticesCount();
      counts.faces += static_cast<CMesh*>(object)->GetFacesCount();
    }
  });
  return counts;
}

void ExpectSameTree(CXFileDataObject* expected, CXFileDataObject* actual) {
  SCOPED_TRACE("below " + NameOf(expected));
  CChildObjectList& a = expected->GetChildObjectList();
  CChildObjectList& b = actual->GetChildObjectList();
  ASSERT_EQ(a.GetCount(), b.GetCount());
  POSITION p = a.GetHeadPosition(), q = b.GetHeadPosition();
  while (p && q) {
    CChildObject* x = a.GetNext(p);
    CChildObject* y = b.GetNext(q);
    ASSERT_EQ(x->GetChildObjectType(), y->GetChildObjectType());
    CXFileDataObject* u = x->GetXfileDataObject();
    CXFileDataObject* v = y->GetXfileDataObject();
    ASSERT_TRUE(*u->GetTemplateGuid() == *v->GetTemplateGuid()) << u->GetTemplateName() << " vs " << v->GetTemplateName();
    EXPECT_EQ(NameOf(u), NameOf(v));
    if (x->IsReference()) continue;
    ExpectSameContent(u, v);
    ExpectSameTree(u, v);
  }
}

}  // namespace xfile_test
