#include "active_test_hooks.h"

// The hooks' stacks and the calls the framework makes on them live in the
// framework; installing hooks and driving dialogs is the test-support library's.
namespace afx_detail {

afxtest::MessageBoxHook*& MessageBoxHookTop()
{
    static afxtest::MessageBoxHook* top = nullptr;
    return top;
}

afxtest::FileDialogHook*& FileDialogHookTop()
{
    static afxtest::FileDialogHook* top = nullptr;
    return top;
}

afxtest::ModalScript*& ModalScriptTop()
{
    static afxtest::ModalScript* top = nullptr;
    return top;
}

afxtest::MessageBoxHook* CurrentMessageBoxHook() { return MessageBoxHookTop(); }
afxtest::FileDialogHook* CurrentFileDialogHook() { return FileDialogHookTop(); }
afxtest::ModalScript* CurrentModalScript() { return ModalScriptTop(); }

}  // namespace afx_detail

namespace afxtest {

int MessageBoxHook::Answer(const MessageBoxCall& call)
{
    calls_.push_back(call);
    return answer_(calls_.back());
}

std::optional<FileDialogChoice> FileDialogHook::Choose(const FileDialogCall& call)
{
    calls_.push_back(call);
    return choose_(calls_.back());
}

std::optional<std::function<void(CDialog&)>> ModalScript::TakeNext()
{
    if (next_ >= steps_.size()) return std::nullopt;
    return steps_[next_++];
}

}  // namespace afxtest
