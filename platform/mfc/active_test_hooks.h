// The test hooks in force (platform-internal).
#pragma once

#include <varnel/test_hooks.h>

namespace afx_detail {

afxtest::MessageBoxHook* CurrentMessageBoxHook();
afxtest::FileDialogHook* CurrentFileDialogHook();
afxtest::ModalScript* CurrentModalScript();

}  // namespace afx_detail
