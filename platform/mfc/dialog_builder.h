// Builds a dialog's widgets from its template (platform-internal).
#pragma once

#include "framework_window.h"

#include <QFont>

namespace afx_detail {

// The dialog font: the named face when installed, else the CJK fallback.
QFont DialogFont(const char* typeFace, int pointSize);
// Dialog units to pixels, rounded as MulDiv does.
int DialogUnitsToPixels(int units, int base, int divisor);

// The dialog window with its controls, registered; owner is attached to it.
std::unique_ptr<Window> BuildDialog(const AFX_DLGTEMPLATE& dialog, CWnd* owner, QWidget* parent);
// Detaches every object, unregisters and deletes the widgets.
void DestroyDialog(std::unique_ptr<Window> dialog);

}  // namespace afx_detail
