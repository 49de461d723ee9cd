// CAdvertisingManager: where the browser view's start page would come from.
// The program has none to offer.
#pragma once

#include <afx.h>

class CAdvertisingManager {
 public:
  CAdvertisingManager() = default;
  ~CAdvertisingManager() = default;
  // The page to show; false (url emptied) when there is none.
  bool GetAdvertisingURL(CString& url);
};
