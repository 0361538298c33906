// Part of the framework's headers that programs include; all of it lives in afxwin.h here.
#pragma once

#include <afxwin.h>
