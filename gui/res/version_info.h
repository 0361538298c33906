// The program's version information.
#pragma once

#include <windef.h>

struct VarnelVersionInfo {
    WORD fileVersion[4];
    WORD productVersion[4];
    WORD language;   // 0x0804, Chinese (PRC)
    WORD codePage;   // 1200, UTF-16
    const char* fileVersionText;
    const char* productVersionText;
    const char* internalName;
    const char* originalFilename;
    const char* productName;
    const char* fileDescription;
    const char* companyName;
    const char* legalTrademarks;
};

// UTF-8 texts, as every resource text.
const VarnelVersionInfo& GetVarnelVersionInfo();
