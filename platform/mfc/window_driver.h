// The framework's windows in the window system's handle space, and the pump of
// the thread's message queue inside every Qt event loop (platform-internal).
#pragma once

#include <varnel/user32_driver.h>

class QWidget;

namespace afx_detail {

win32::user::WindowDriver& QtWindows();
// Installs the pump and the display metrics once a QApplication exists.
void EnsureMessagePump();
// ShowWindow's commands on a widget; whether it was visible before.
bool ShowWidget(QWidget* widget, int showCommand);

}  // namespace afx_detail
