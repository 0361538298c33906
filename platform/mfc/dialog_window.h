// The Qt widgets behind a dialog: the window and the multi-line edit (platform-internal).
#pragma once

#include "framework_window.h"

#include <QPlainTextEdit>
#include <QWidget>

namespace afx_detail {

// A dialog's top-level widget: keys, close box, painting and the system menu go
// through the dialog's message handling.
class DialogWindow : public QWidget {
public:
    DialogWindow(Window* record, QWidget* parent, Qt::WindowFlags flags);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    Window* record_;
};

// An edit with ES_MULTILINE. Without ES_WANTRETURN, Enter belongs to the dialog
// and Ctrl+Enter makes the line break, as in Windows dialogs.
class MultiLineEdit : public QPlainTextEdit {
public:
    MultiLineEdit(bool wantReturn, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool wantReturn_;
};

// The dialog's handling of Enter: the focused push button's command, else the
// default button's (when enabled).
void DialogEnter(Window* dialog);

}  // namespace afx_detail
