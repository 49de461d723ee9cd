#include "converter3ds.h"

#include <d3dx8.h>
#include <frame.h>
#include <scene3ds.h>
#include <xfile.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include <unistd.h>

bool C3DSFileConverter::Convert3DSFile(char* fileName, char* pathName, char* folder, CString& xPath,
                                       CDXThread* thread) {
  m_failure.Empty();
  xPath.Empty();
  if (pathName == nullptr) {
    m_failure = "No .3ds file to convert.";
    return false;
  }
  std::error_code error;
  const std::filesystem::path source(pathName);
  std::string stem = fileName != nullptr && *fileName != '\0' ? std::filesystem::path(fileName).stem().string()
                                                                : source.stem().string();
  const std::filesystem::path target = std::filesystem::temp_directory_path(error) /
                                       ("vorever-" + std::to_string(getpid()) + "-" + stem + ".x");
  if (error) {
    m_failure = "No temporary folder to write the converted file in.";
    return false;
  }

  auto root = std::make_unique<CFrame>();
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  try {
    root->Initialize(&identity, const_cast<char*>("Converted3ds"), CFrame::ePlainFrame, false);
    if (!Import3dsFile(pathName, folder, root.get(), thread)) {
      m_failure.Format("The file \"%s\" could not be read as a 3D Studio file.", pathName);
      return false;
    }
    CXFile file;
    std::string targetText = target.string();
    if (!file.SaveXFrame2(root.get(), targetText.data(), DXFILEFORMAT_TEXT, true, thread)) {
      m_failure.Format("The converted file \"%s\" could not be written: %s", targetText.c_str(),
                       static_cast<LPCSTR>(file.GetFailureText()));
      std::filesystem::remove(target, error);
      return false;
    }
  } catch (const char* message) {
    m_failure.Format("The file \"%s\" could not be converted: %s", pathName, message);
    std::filesystem::remove(target, error);
    return false;
  }
  xPath = target.string().c_str();
  return true;
}
