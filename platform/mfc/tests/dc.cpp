#include "gui_fixture.h"

#include <scratch_dir.h>

using namespace mfc_test;

namespace {

// Paints the icon centred, as a minimised dialog's WM_PAINT handler does.
class CPaintingDlg : public CDialog {
public:
    CPaintingDlg() : CDialog(kSmallDialog) {}
    int paints = 0;
    BOOL drawn = FALSE;
    HCURSOR dragIcon = nullptr;

protected:
    afx_msg void OnPaint()
    {
        ++paints;
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        CRect rect;
        GetClientRect(&rect);
        const int x = (rect.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (rect.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2;
        drawn = dc.DrawIcon(x, y, AfxLoadIcon(9128));
    }
    afx_msg HCURSOR OnQueryDragIcon() { return static_cast<HCURSOR>(AfxLoadIcon(9128)); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CPaintingDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()

class PaintTest : public GuiTest {};

}  // namespace

TEST_F(PaintTest, PaintHandlersDrawOnlyWhileTheWindowPaints)
{
    testing_support::ScratchDir folder;
    afxtest::ModalScript script;
    CPaintingDlg dialog;
    LRESULT dragIcon = 0;
    BOOL outside = TRUE;
    script.Then([&](CDialog& dlg) {
        ASSERT_TRUE(afxtest::GrabWindow(&dlg, (folder / "shot.png").c_str()));  // renders: WM_PAINT
        EXPECT_GE(dialog.paints, 1);
        EXPECT_TRUE(dialog.drawn);
        CPaintDC dc(&dlg);  // not painting now: draws nothing, breaks nothing
        outside = dc.DrawIcon(0, 0, AfxLoadIcon(9128));
        dragIcon = dlg.SendMessage(WM_QUERYDRAGICON);
    });
    dialog.DoModal();
    EXPECT_FALSE(outside);
    EXPECT_EQ(reinterpret_cast<HICON>(dragIcon), AfxLoadIcon(9128));
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), 16);
}
