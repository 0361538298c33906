// The string table.
#include <afxwin.h>

#include "resource.h"
#include "resources.h"

void RegisterStringTable()
{
    AfxRegisterString(IDP_OLE_INIT_FAILED, "OLE 程序初始化失败。请确认 OLE 库程序是正确的版本。");
    AfxRegisterString(IDS_ABOUTBOX, "关于 Varnel(&A)...");
}
