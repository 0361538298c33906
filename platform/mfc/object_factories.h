// The list of class factories that RegisterAll, RevokeAll and UpdateRegistryAll
// walk (platform-internal).
#pragma once

#include <afxdisp.h>

#include <vector>

namespace afx_detail {

// Every COleObjectFactory alive, in construction order.
std::vector<COleObjectFactory*>& ObjectFactories();

}  // namespace afx_detail
