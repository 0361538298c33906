#include <afxdlgs.h>

#include "gui_fixture.h"

#include <scratch_dir.h>

#include <fstream>

using namespace mfc_test;
namespace fs = std::filesystem;

namespace {

class FileDialogTest : public GuiTest {
protected:
    testing_support::IsolatedEnvironment environment_;
    testing_support::ScratchDir folder_;
    std::string InFolder(const char* name) const { return (folder_ / name).string(); }
};

constexpr DWORD kSaveFlags = OFN_EXPLORER | OFN_CREATEPROMPT | OFN_ENABLEHOOK | OFN_OVERWRITEPROMPT;

}  // namespace

TEST_F(FileDialogTest, TheHookSeesTheOptionsAndPicksThePath)
{
    const std::string dir = folder_.path().string();
    afxtest::FileDialogHook files([&](const afxtest::FileDialogCall&) { return std::optional<CString>(CString(InFolder("notes.txt").c_str())); });
    CFileDialog dialog(TRUE, "*.txt", nullptr, OFN_HIDEREADONLY, "txt File|*.txt");
    dialog.m_ofn.lpstrInitialDir = dir.c_str();
    EXPECT_EQ(dialog.DoModal(), IDOK);
    ASSERT_EQ(files.Calls().size(), 1u);
    const afxtest::FileDialogCall& call = files.Calls()[0];
    EXPECT_TRUE(call.open);
    EXPECT_EQ(call.filter, "txt File|*.txt");
    EXPECT_EQ(call.defExt, "*.txt");
    EXPECT_EQ(call.initialDir, dir.c_str());
    EXPECT_EQ(call.flags & OFN_HIDEREADONLY, static_cast<DWORD>(OFN_HIDEREADONLY));
    EXPECT_EQ(dialog.GetPathName(), InFolder("notes.txt").c_str());
    EXPECT_EQ(dialog.GetFileName(), "notes.txt");
    EXPECT_EQ(dialog.GetFileExt(), "txt");
    EXPECT_EQ(dialog.GetFileTitle(), "notes");
    EXPECT_EQ(fs::current_path(), folder_.path());  // Windows moves the current directory
}

TEST_F(FileDialogTest, CancelChangesNothing)
{
    const fs::path before = fs::current_path();
    afxtest::FileDialogHook files([](const afxtest::FileDialogCall&) { return std::optional<CString>(); });
    CFileDialog dialog(FALSE, nullptr, "*.wav", kSaveFlags, "wav File|*.wav");
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.GetPathName(), "");
    EXPECT_EQ(fs::current_path(), before);
    EXPECT_EQ(files.Calls()[0].fileName, "*.wav");
}

TEST_F(FileDialogTest, DecliningTheOverwritePromptKeepsTheDialogOpen)
{
    std::ofstream(InFolder("old.wav")) << "RIFF";
    afxtest::MessageBoxHook boxes([](const afxtest::MessageBoxCall& call) {
        return CString(call.text).Find("already exists") >= 0 && call.type == (MB_YESNO | MB_ICONEXCLAMATION) ? IDNO : IDYES;
    });
    afxtest::FileDialogHook files([&](const afxtest::FileDialogCall& call) {
        return std::optional<CString>(CString(InFolder(call.attempt == 1 ? "old.wav" : "new.wav").c_str()));
    });
    CFileDialog dialog(FALSE, nullptr, "*.wav", kSaveFlags, "wav File|*.wav");
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(files.Calls().size(), 2u);
    ASSERT_EQ(boxes.Calls().size(), 2u);  // replace? no; create? yes
    EXPECT_EQ(boxes.Calls()[0].text, (InFolder("old.wav") + " already exists.\nDo you want to replace it?").c_str());
    EXPECT_EQ(boxes.Calls()[0].caption, "Save As");
    EXPECT_NE(CString(boxes.Calls()[1].text).Find("does not exist"), -1);
    EXPECT_EQ(dialog.GetPathName(), InFolder("new.wav").c_str());
    EXPECT_FALSE(fs::exists(InFolder("new.wav")));  // the dialog only chooses
}

TEST_F(FileDialogTest, DecliningTheCreatePromptAsksAgainUntilCancel)
{
    afxtest::MessageBoxHook boxes([](const afxtest::MessageBoxCall&) { return IDNO; });
    afxtest::FileDialogHook files([&](const afxtest::FileDialogCall& call) {
        return call.attempt < 3 ? std::optional<CString>(CString(InFolder("x.wav").c_str())) : std::nullopt;
    });
    CFileDialog dialog(FALSE, nullptr, "*.wav", kSaveFlags, "wav File|*.wav");
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(files.Calls().size(), 3u);
    EXPECT_EQ(boxes.Calls().size(), 2u);
    EXPECT_EQ(files.Calls()[2].attempt, 3);
}

TEST_F(FileDialogTest, RelativeNamesDefaultExtensionAndNoChangeDir)
{
    const std::string dir = folder_.path().string();
    const fs::path before = fs::current_path();
    afxtest::FileDialogHook files([](const afxtest::FileDialogCall&) { return std::optional<CString>("out"); });
    CFileDialog dialog(FALSE, "wav", nullptr, OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR, nullptr);
    dialog.m_ofn.lpstrInitialDir = dir.c_str();
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetPathName(), InFolder("out.wav").c_str());
    EXPECT_STREQ(dialog.m_ofn.lpstrFile, InFolder("out.wav").c_str());
    EXPECT_EQ(fs::current_path(), before);  // a save dialog with OFN_NOCHANGEDIR keeps it
}

TEST_F(FileDialogTest, ANameWithoutExtensionTakesTheChosenFiltersExtension)
{
    const char* filter = "wav File|*.wav|Opus audio|*.opus|Texts|*.txt;*.md||";
    auto saveAs = [&](const char* defExt, DWORD shownFilter, DWORD chosenFilter) {
        afxtest::FileDialogHook files([&](const afxtest::FileDialogCall& call) {
            EXPECT_EQ(call.filterIndex, shownFilter);
            return std::optional<afxtest::FileDialogChoice>(afxtest::FileDialogChoice("book", chosenFilter));
        });
        CFileDialog dialog(FALSE, defExt, nullptr, OFN_NOCHANGEDIR, filter);
        dialog.m_ofn.lpstrInitialDir = folder_.path().c_str();
        dialog.m_ofn.nFilterIndex = shownFilter;
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_EQ(dialog.m_ofn.nFilterIndex, chosenFilter ? chosenFilter : shownFilter);
        return std::string(dialog.GetFileName().GetString());
    };
    EXPECT_EQ(saveAs("wav", 1, 2), "book.opus");
    EXPECT_EQ(saveAs("wav", 2, 0), "book.opus");  // the filter shown, when none was chosen
    EXPECT_EQ(saveAs("wav", 3, 0), "book.wav");   // a filter of several patterns: the default
    EXPECT_EQ(saveAs(nullptr, 2, 0), "book");     // no default extension: the name as typed
}

TEST_F(FileDialogTest, LongPathsAreNeverCut)
{
    const std::string dir = (folder_ / std::string(200, 'd')).string() + "/" + std::string(200, 'e');
    fs::create_directories(dir);
    afxtest::FileDialogHook files([&](const afxtest::FileDialogCall&) { return std::optional<CString>(CString((dir + "/f.wav").c_str())); });
    afxtest::MessageBoxHook boxes;
    CFileDialog dialog(FALSE, nullptr, nullptr, kSaveFlags, "wav File|*.wav");
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetPathName(), (dir + "/f.wav").c_str());
    EXPECT_LT(strlen(dialog.m_ofn.lpstrFile), static_cast<size_t>(MAX_PATH));  // the buffer is not overrun
}

TEST_F(FileDialogTest, OpenDialogsCanRequireAnExistingFile)
{
    std::ofstream(InFolder("there.txt")) << "x";
    afxtest::MessageBoxHook boxes;
    afxtest::FileDialogHook files([&](const afxtest::FileDialogCall& call) {
        return std::optional<CString>(CString(InFolder(call.attempt == 1 ? "missing.txt" : "there.txt").c_str()));
    });
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, nullptr);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_NE(CString(boxes.Calls()[0].text).Find("File not found."), -1);
    EXPECT_EQ(dialog.GetFileName(), "there.txt");
}

TEST_F(FileDialogTest, WithoutAHookTheDialogIsCancelledOffscreen)
{
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, "txt File|*.txt");
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}
