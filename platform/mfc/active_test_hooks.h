// The test hooks in force (platform-internal).
#pragma once

#include <varnel/test_hooks.h>

namespace afx_detail {

// The newest hook of each kind; the test-support library pushes and pops them.
afxtest::MessageBoxHook*& MessageBoxHookTop();
afxtest::FileDialogHook*& FileDialogHookTop();
afxtest::ModalScript*& ModalScriptTop();

afxtest::MessageBoxHook* CurrentMessageBoxHook();
afxtest::FileDialogHook* CurrentFileDialogHook();
afxtest::ModalScript* CurrentModalScript();

}  // namespace afx_detail
