// Start-up of the main dialog: from the start of the process (framework, COM,
// engine, voice list) to the dialog shown with its voice list filled, then the
// same for later dialogs in the same process. Prints figures; not a test.
#include <varnel/speech_classes.h>
#include <varnel/test_hooks.h>
#include <afxwin.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <scratch_dir.h>

#include "VarnelDlg.h"
#include "res/resource.h"
#include "res/resources.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Runs one dialog; the time until its step sees the list filled, and the rows.
double ShowOnce(Clock::time_point start, int& rows)
{
    double shown = -1;
    afxtest::ModalScript script;
    script.Then([&](CDialog& dialog) {
        rows = static_cast<CVarnelDlg&>(dialog).m_voiceCombo.GetCount();
        if (dialog.IsWindowVisible() && rows > 0) shown = Milliseconds(Clock::now() - start);
        afxtest::Click(&dialog, IDCANCEL);
    });
    CVarnelDlg dialog;
    dialog.DoModal();
    return shown;
}

}  // namespace

int main()
{
    Clock::time_point processStart = Clock::now();
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing_support::IsolatedEnvironment env;
    afxtest::EnsureGuiApplication();
    RegisterVarnelResources();
    RegisterSpeechClasses();
    if (FAILED(CoInitialize(nullptr))) return 1;

    int rows = 0;
    double first = ShowOnce(processStart, rows);
    std::vector<double> later;
    for (int i = 0; i < 20; ++i) later.push_back(ShowOnce(Clock::now(), rows));
    std::sort(later.begin(), later.end());
    CoUninitialize();

    std::printf("voices listed: %d\n", rows);
    std::printf("first dialog, from process start to shown with the list filled: %.1f ms (goal < 500 ms)\n", first);
    std::printf("later dialogs in the same process: median %.1f ms, max %.1f ms\n", later[later.size() / 2],
                later.back());
    return first >= 0 && first < 500 ? 0 : 2;
}
