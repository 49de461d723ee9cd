// Shared declarations of the connectivity elements: the enumerations they
// store and the classes they point to.
#pragma once

#include <afx.h>
#include <d3d8types.h>
#include <d3dx8math.h>

class CDXThread;
struct REDUCTIONOPTIONS;
class CGeoVertex;
class CGeoEdge;
class CGeoHalfEdge;
class CGeoFace;

enum EVertexType : DWORD {
  eVertexTypeNone = 0,
  eVertexTypeSource = 1,    // made by the build from a source vertex
  eVertexTypeMidPoint = 2,  // made by a midpoint contraction
};

enum EFaceType : DWORD {
  eFaceTypeNone = 0,
  eFaceTypeSource = 1,      // made by the build from a source triangle
  eFaceTypeContraction = 2, // made by a contraction
};

enum EValidityStatus : DWORD {
  eValidityUnknown = 0,
  eValidityValid = 1,
  eValidityInvalid = 2,
};

enum EQualificationStatus : DWORD {
  eQualificationReset = 0,
  eQualificationSkip = 1,
  eQualificationOptimalMidPoint = 2,
  eQualificationRemoveSelectedVertex = 3,
  eQualificationRemoveOtherVertex = 4,
};

enum EMidPointCreationMethod : DWORD {
  eMidPointCreationNone = 0,
  eMidPointCreationMethod1 = 1,
  eMidPointCreationMethod2 = 2,
};


// An element's state of enumeration E held in one byte: the elements are
// many, and every value of these enumerations fits.
template <class E>
class CGeoByteEnum {
 public:
  CGeoByteEnum() = default;
  CGeoByteEnum(E e) : m_value(static_cast<BYTE>(e)) { ASSERT(static_cast<DWORD>(e) <= 0xFF); }
  operator E() const { return static_cast<E>(m_value); }

 private:
  BYTE m_value = 0;
};

// The vertex format of every buffer of the connectivity mesh: D3DVERTEX.
inline constexpr DWORD kGeoVertexFVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
