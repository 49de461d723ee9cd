// The document's settings file and the two option records spread from it.
#include <materialpresets.h>
#include <simpleshape.h>
#include <tracelog.h>

#include <cstring>

#include "dx_doc.h"

bool CDXDoc::ReadConfigFile(CONFIGFILE& config) { return ::ReadConfigFile(config); }
// A failed write is shown as a failure to create the document.
bool CDXDoc::CreateDefaultConfigFile(CONFIGFILE& config) {
  std::memset(&config, 0, sizeof config);
  SetDefaultConfigData(config);
  return ::SaveConfigFile(config);
}
bool CDXDoc::SaveConfigFile(CONFIGFILE& config) { return ::SaveConfigFile(config); }
bool CDXDoc::SaveConfigFile() { return ::SaveConfigFile(m_Config); }

bool CDXDoc::GetConfigData(CONFIGFILE& config) {
  try {
    if (ReadConfigFile(config)) {
      if (!SaveConfigFile(config)) throw "\nCannot save the config file.";
    } else if (!CreateDefaultConfigFile(config)) {
      throw "\nCannot create the config file.";
    }
    return true;
  } catch (const char* message) {
    WriteTrace(message);
    return false;
  }
}

void CDXDoc::SetConfig(CONFIGFILE* config) {
  if (config != &m_Config) m_Config = *config;
  SpreadConfig();
  SaveConfigFile(m_Config);
}

void CDXDoc::SpreadConfig() {
  REDUCTIONOPTIONS& reduction = m_ReductionOptions;
  reduction.reductionPercent = m_Config.fReductionPercent;
  // The forms write the switch as a byte: the three bytes after it are
  // padding and say nothing.
  reduction.allowMidpoint = m_Config.bAllowMidpoint != 0 ? 1 : 0;
  reduction.maxNormalAngle = m_Config.fMaxNormalAngle;
  reduction.maxAreaChangePercent = m_Config.fMaxAreaChangePercent;
  reduction.faceAreaFactor = m_Config.fFaceAreaFactor;
  reduction.reductionMethod = m_Config.dwReductionMethod;
  reduction.pmeshDisplayPercent = m_Config.fPMeshPercent;
  reduction.pmeshByVertices = m_Config.dwPMeshByVertices;
  reduction.pmeshBoundaryWeight = m_Config.fWeightBoundary;
  reduction.pmeshDiffuseWeight = m_Config.fWeightDiffuse;
  reduction.pmeshNormalWeight = m_Config.fWeightNormal;
  reduction.pmeshPositionWeight = m_Config.fWeightPosition;
  reduction.pmeshSpecularWeight = m_Config.fWeightSpecular;
  reduction.pmeshTextureWeight = m_Config.fWeightTexture;

  DISPLAYOPTIONS& display = m_DisplayOptions;
  display.showActiveEdges = m_Config.bShowActiveEdges;
  display.showActiveVertices = m_Config.bShowActiveVertices;
  display.showRemovedVertices = m_Config.bShowRemovedVertices;
  display.colorNewFaces = m_Config.bColorCreatedTriangles;
  display.activeEdgesMaterial = GetDefaultMaterial(m_Config.cvActiveEdges);
  display.activeVerticesMaterial = GetDefaultMaterial(m_Config.cvActiveVertices);
  display.removedVerticesMaterial = GetDefaultMaterial(m_Config.cvRemovedVertices);
  display.newFacesMaterial = GetDefaultMaterial(m_Config.cvCreatedTriangles);
}

void CDXDoc::SetReductionOptions(FORMREDUCTIONOPTIONS& form) {
  REDUCTIONOPTIONS& reduction = m_ReductionOptions;
  reduction.removeCompletelySurroundedVertices = form.removeCompletelySurroundedVertices;
  reduction.completelySurroundedValue = form.completelySurroundedValue;
  reduction.removePartiallySurroundedVertices = form.removePartiallySurroundedVertices;
  reduction.partiallySurroundedValue = form.partiallySurroundedValue;
  std::memcpy(reduction.partiallySurroundedOptions, form.partiallySurroundedOptions,
              sizeof reduction.partiallySurroundedOptions);
  reduction.desiredNumberOfEdges = form.desiredNumberOfEdges;
  std::memcpy(reduction.desiredNumberOfEdgesOptions, form.desiredNumberOfEdgesOptions,
              sizeof reduction.desiredNumberOfEdgesOptions);
  reduction.removedVerticesMaterial = GetDefaultMaterial(form.removedVerticesColor);
  reduction.reductionOption1 = form.reductionOption1;
  reduction.allowMidpoint = form.allowMidpoint;
  reduction.reductionOption2 = form.reductionOption2;
  reduction.maxNormalAngle = form.maxNormalAngle;
  reduction.maxAreaChangePercent = form.maxAreaChangePercent;
  reduction.faceAreaFactor = form.faceAreaFactor;

  DISPLAYOPTIONS& display = m_DisplayOptions;
  display.displayOption1 = form.displayOption1;
  display.vertexHandlePickMode = form.vertexHandlePickMode;
  std::memcpy(display.displayOptions2, form.displayOptions2, sizeof display.displayOptions2);
  display.vertexHandleMaterial = GetDefaultMaterial(form.vertexHandleColor);
  display.displayOption3 = form.displayOption3;
  display.newFacesMaterial = GetDefaultMaterial(form.createdTrianglesColor);
}

bool CDXDoc::InitializeReductionOptions() {
  const bool hadLock = m_hDisplayOptionsMutex != NULL;
  DestroyReductionOptions();
  // The release closes the display-options lock; a reset document keeps one.
  if (hadLock) m_hDisplayOptionsMutex = CreateMutexA(NULL, FALSE, NULL);
  REDUCTIONOPTIONS& reduction = m_ReductionOptions;
  DISPLAYOPTIONS& display = m_DisplayOptions;
  const float completelySurrounded = 12.0f;
  const float partiallySurrounded = 60.0f;
  reduction.allowMidpoint = 1;
  reduction.maxNormalAngle = 12.0f;
  reduction.maxAreaChangePercent = 4.0f;
  reduction.faceAreaFactor = 10.0f;
  reduction.removeCompletelySurroundedVertices = 1;
  std::memcpy(&reduction.completelySurroundedValue, &completelySurrounded, sizeof(DWORD));
  std::memcpy(&reduction.partiallySurroundedValue, &partiallySurrounded, sizeof(DWORD));
  reduction.partiallySurroundedOptions[0] = reduction.partiallySurroundedOptions[1] = 1;
  reduction.desiredNumberOfEdgesOptions[0] = reduction.desiredNumberOfEdgesOptions[1] = 1;
  reduction.removedVerticesMaterial = RedMaterial();
  reduction.reductionOption1 = 1;
  display.newFacesMaterial = GreenMaterial();
  display.displayOption1 = 2;
  display.vertexHandlePickMode = 2;
  display.displayOptions2[0] = display.displayOptions2[1] = display.displayOptions2[2] = 1;
  display.vertexHandleMaterial = RedMaterial();
  reduction.handleMaterials[0] = InvisibleMaterial();
  reduction.handleMaterials[1] = display.vertexHandleMaterial;
  reduction.handleMaterials[2] = InvisibleMaterial();
  reduction.handleMaterials[3] = display.vertexHandleMaterial;

  auto* sphere = new CSphere;
  if (FAILED(sphere->Initialize(1.0f, &display.vertexHandleMaterial, NULL, 0))) {
    WriteTrace("Error: CSimpleShape::Initialize() failed in CDXDoc::InitializeReductionOptions().");
    delete sphere;
    return false;
  }
  reduction.vertexHandleShape = sphere;
  return true;
}

void CDXDoc::DestroyReductionOptions() {
  if (m_hDisplayOptionsMutex != NULL) {
    LockDisplayOptions();
    CloseHandle(m_hDisplayOptionsMutex);
    m_hDisplayOptionsMutex = NULL;
  }
  delete m_ReductionOptions.vertexHandleShape;
  std::memset(&m_ReductionOptions, 0, sizeof m_ReductionOptions);
  std::memset(&m_DisplayOptions, 0, sizeof m_DisplayOptions);
}

void CDXDoc::LockDisplayOptions() {
  if (m_hDisplayOptionsMutex != NULL) WaitForSingleObject(m_hDisplayOptionsMutex, INFINITE);
}

void CDXDoc::UnlockDisplayOptions() {
  if (m_hDisplayOptionsMutex != NULL) ReleaseMutex(m_hDisplayOptionsMutex);
}

bool CDXDoc::TryLockDisplayOptions() {
  return m_hDisplayOptionsMutex != NULL && WaitForSingleObject(m_hDisplayOptionsMutex, 0) == WAIT_OBJECT_0;
}

bool CDXDoc::TryGetDisplayOptions(DISPLAYOPTIONS& options) {
  std::memset(&options, 0, sizeof options);
  if (!TryLockDisplayOptions()) return false;
  options = m_DisplayOptions;
  UnlockDisplayOptions();
  return true;
}

void CDXDoc::SetDisplayOptions(DISPLAYOPTIONS& options) {
  LockDisplayOptions();
  m_DisplayOptions = options;
  UnlockDisplayOptions();
}
