// Identifiers shared by the framework and program resources.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define ID_HELP 0xE146
#define ID_CONTEXT_HELP 0xE145
#define ID_APP_ABOUT 0xE140
#define ID_APP_EXIT 0xE141

// Framework prompts (the texts are built in; a program may register its own strings
// under these ids to replace them).
#define AFX_IDP_PARSE_INT 0xF110
#define AFX_IDP_PARSE_INT_RANGE 0xF112
#define AFX_IDP_INTERNAL_FAILURE 0xF108
#define AFX_IDS_APP_TITLE 0xE000
