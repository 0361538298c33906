#include "version_info.h"

const VarnelVersionInfo& GetVarnelVersionInfo()
{
    static const VarnelVersionInfo info = {
        {1, 0, 0, 1},
        {1, 0, 0, 1},
        0x0804,
        1200,
        "1, 0, 0, 1",
        "1, 0, 0, 1",
        "Varnel",
        "Varnel.EXE",
        "Varnel 应用程序",
        "Varnel Microsoft 基础类应用程序",
        "",
        "",
    };
    return info;
}
