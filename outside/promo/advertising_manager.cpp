#include "advertising_manager.h"

bool CAdvertisingManager::GetAdvertisingURL(CString& url) {
  url.Empty();
  return false;
}
