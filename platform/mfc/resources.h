// The program's registered resources (platform-internal).
#pragma once

#include <afxwin.h>

#include <vector>

namespace afx_detail {

struct IconImage {
    int width;
    int height;
    std::vector<DWORD> argb;
};

// What an HICON points at. Lives as long as the process.
struct IconResource {
    UINT id;
    std::vector<IconImage> images;
};

inline const IconResource* IconFromHandle(HICON icon) { return reinterpret_cast<const IconResource*>(icon); }

// Parses "#128" (or a MAKEINTRESOURCE value) into an id; 0 when it is neither.
UINT ResourceIdFromName(LPCTSTR name);

}  // namespace afx_detail
