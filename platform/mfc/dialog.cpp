#include "dialog_builder.h"
#include "qt_text.h"
#include "active_test_hooks.h"
#include "framework_window.h"

#include <varnel/debug_channel.h>

#include <QEventLoop>
#include <QTimer>

#include <cstdio>

using namespace afx_detail;

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

namespace {

Window* DialogOf(const CWnd* wnd)
{
    Window* window = WindowFromHandle(wnd->m_hWnd);
    return window && window->dialog ? window : nullptr;
}

// The first control that Tab reaches: a tab stop, shown and enabled.
Window* FirstTabStop(Window* dialog)
{
    for (auto& control : dialog->controls) {
        QWidget* widget = control->widget;
        if (widget && (control->style & WS_TABSTOP) && (widget->focusPolicy() & Qt::TabFocus) && !widget->isHidden()
            && widget->isEnabled())
            return control.get();
    }
    return nullptr;
}

// Queues the next test step (if any) to run inside the loop; without one on a
// platform nobody can answer, the dialog ends at once.
void ArrangeScriptStep(CDialog* owner, Window* dialog)
{
    afxtest::ModalScript* script = CurrentModalScript();
    std::optional<std::function<void(CDialog&)>> step;
    if (script) step = script->TakeNext();
    if (!step) {
        if (IsOffscreen()) {
            std::fprintf(stderr, "mfc: modal dialog with no test step on the offscreen platform; ended with IDABORT\n");
            owner->EndDialog(IDABORT);
        }
        return;
    }
    const HWND handle = dialog->handle();
    QTimer::singleShot(0, dialog->widget.data(), [owner, handle, step = std::move(*step)] {
        step(*owner);
        if (Window* still = WindowFromHandle(handle); still && still->dialog && !still->dialog->ended) owner->EndDialog(IDABORT);
    });
}

}  // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDHelp(nIDTemplate), m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal()
{
    const AFX_DLGTEMPLATE* dialogTemplate = AfxFindDialogTemplate(m_nIDTemplate);
    if (!dialogTemplate || m_hWnd) return -1;
    EnsureApplication();

    Window* parentRecord = m_pParentWnd ? WindowFromHandle(m_pParentWnd->m_hWnd) : ActiveModalDialog();
    QWidget* parent = parentRecord && parentRecord->widget ? parentRecord->widget->window() : nullptr;
    std::unique_ptr<Window> dialog = BuildDialog(*dialogTemplate, this, parent);
    Window* record = dialog.get();
    VARNEL_TRACE(Mfc, "dialog %u created", m_nIDTemplate);

    const BOOL focusFirst = static_cast<BOOL>(CallWindowProc(this, WM_INITDIALOG, 0, 0));
    if (WindowFromHandle(record->handle()) && !record->dialog->ended) {
        if (focusFirst)
            if (Window* first = FirstTabStop(record)) first->widget->setFocus(Qt::TabFocusReason);
        CenterWindow();
        record->widget->show();
        record->widget->activateWindow();
        PushModal(record);
        ArrangeScriptStep(this, record);
        if (!record->dialog->ended) {
            QEventLoop loop;
            record->dialog->loop = &loop;
            loop.exec(QEventLoop::DialogExec);
            record->dialog->loop = nullptr;
        }
        PopModal(record);
    }
    const int result = record->dialog->result;
    CallWindowProc(this, WM_DESTROY, 0, 0);
    DestroyDialog(std::move(dialog));
    m_hWnd = nullptr;
    VARNEL_TRACE(Mfc, "dialog %u destroyed, result %d", m_nIDTemplate, result);
    return result;
}

void CDialog::EndDialog(int nResult)
{
    Window* dialog = DialogOf(this);
    if (!dialog) return;
    dialog->dialog->result = nResult;
    dialog->dialog->ended = true;
    if (dialog->widget) dialog->widget->hide();
    if (dialog->dialog->loop) dialog->dialog->loop->exit(nResult);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::OnCmdMsg(UINT nID, int nCode)
{
    if (CWnd::OnCmdMsg(nID, nCode)) return TRUE;
    if (nCode != 0) return FALSE;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(nID, nCode);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_CLOSE: {
        // As the system's dialog handling: Cancel, unless the Cancel button is disabled.
        CWnd* cancel = GetDlgItem(IDCANCEL);
        if (cancel && !cancel->IsWindowEnabled()) return 0;
        return SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel ? cancel->m_hWnd : nullptr));
    }
    default: return CWnd::DefWindowProc(message, wParam, lParam);
    }
}

void CDialog::GotoDlgCtrl(CWnd* control)
{
    if (!control) return;
    control->SetFocus();
    if (Window* window = WindowFromHandle(control->m_hWnd);
        window && (window->kind == ControlKind::Edit || window->kind == ControlKind::MultiLineEdit))
        ::SendMessageA(window->handle(), EM_SETSEL, 0, -1);
}

void CDialog::NextDlgCtrl() const
{
    if (Window* dialog = DialogOf(this); dialog && dialog->widget)
        if (QWidget* focus = dialog->widget->focusWidget()) focus->nextInFocusChain()->setFocus(Qt::TabFocusReason);
}

void CDialog::PrevDlgCtrl() const
{
    if (Window* dialog = DialogOf(this); dialog && dialog->widget)
        if (QWidget* focus = dialog->widget->focusWidget()) focus->previousInFocusChain()->setFocus(Qt::BacktabFocusReason);
}

void CDialog::SetDefID(UINT nID)
{
    if (Window* dialog = DialogOf(this)) dialog->dialog->defaultId = nID;
}

DWORD CDialog::GetDefID() const
{
    Window* dialog = DialogOf(this);
    return dialog ? (0x534B0000u | (dialog->dialog->defaultId & 0xFFFF)) : 0;
}

