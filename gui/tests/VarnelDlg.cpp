// The main dialog driven through its controls: start-up, the voice list, the
// steps, input modes, browsing, help, the About box, the hidden buttons, closing
// and the missing speech runtime.
#include "VarnelDlg.h"

#include <gtest/gtest.h>

#include "VarnelDlgAutoProxy.h"
#include "gui_fixture.h"
#include "res/resource.h"

using gui_test::ControlText;
using gui_test::FakeVoice;
using gui_test::IsEnabled;
using gui_test::Selection;

namespace {

class MainDialog : public gui_test::DialogTest {};

CString Ansi(const char16_t* text) { return CString(text); }

TEST(MainDialogWithEngine, StartUpListsTheEnginesVoicesAndShowsTheStartState)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    afxtest::EnsureGuiApplication();
    RegisterVarnelResources();
    RegisterSpeechClasses();
    testing_support::IsolatedEnvironment env;
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    std::vector<CString> engineVoices;
    {
        SpVoiceDispatch voice;
        ASSERT_TRUE(voice.CreateDispatch("SAPI.SpVoice"));
        SpObjectTokensDispatch voices(voice.GetVoices(nullptr, nullptr));
        for (long i = 0; i < voices.GetCount(); ++i) {
            SpObjectTokenDispatch token(voices.Item(i));
            engineVoices.push_back(token.GetDescription(0));
        }
    }
    ASSERT_FALSE(engineVoices.empty());
    afxtest::MessageBoxHook boxes;
    afxtest::ModalScript script;
    script.Then([&](CDialog& d) {
        auto& dialog = static_cast<CVarnelDlg&>(d);
        ASSERT_EQ(dialog.m_voiceCombo.GetCount(), static_cast<int>(engineVoices.size()));
        for (int i = 0; i < dialog.m_voiceCombo.GetCount(); ++i) {
            CString row;
            dialog.m_voiceCombo.GetLBText(i, row);
            EXPECT_EQ(row, engineVoices[static_cast<std::size_t>(i)]) << "row " << i << " is voice " << i;
        }
        EXPECT_EQ(Selection(&dialog, IDC_VOICE), 0) << "no preferred voice installed: row 0";
        EXPECT_EQ(dialog.m_voice.GetRate(), 0);
        EXPECT_EQ(dialog.m_voice.GetVolume(), 100);
        EXPECT_EQ(ControlText(&dialog, IDC_RATE), "0");
        EXPECT_EQ(ControlText(&dialog, IDC_VOLUME), "100");
        EXPECT_EQ(ControlText(&dialog, IDC_LOOP), "1");
        EXPECT_EQ(ControlText(&dialog, IDC_INPUT_TEXT), "Please Input Text to be Read by TTS.");
        EXPECT_EQ(ControlText(&dialog, IDC_VOICE_NAMES), "Mary,\t\tMike,\t\tSam,\t\tChinese");
        EXPECT_TRUE(IsEnabled(&dialog, IDC_INPUT_TEXT));
        EXPECT_FALSE(IsEnabled(&dialog, IDC_INPUT_FILE));
        EXPECT_EQ(afxtest::FocusedControlId(&dialog), IDC_READ);
        afxtest::Click(&dialog, IDCANCEL);
    });
    {
        CVarnelDlg dialog;
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    }
    EXPECT_TRUE(boxes.Calls().empty());
    CoUninitialize();
    EXPECT_EQ(afxtest::TopLevelWindowCount(), 0);
}

TEST_F(MainDialog, TheLastVoiceNamedKyokoIsPreferred)
{
    gui_test::ResetFakeVoice({"A", "ScanSoft Kyoko_Full_22kHz", "B", "ScanSoft Kyoko_Full_22kHz", "scansoft kyoko_full_22khz"});
    Run([](CVarnelDlg& dialog) {
        EXPECT_EQ(Selection(&dialog, IDC_VOICE), 3);
        EXPECT_EQ(FakeVoice().voice, "ScanSoft Kyoko_Full_22kHz");
        EXPECT_EQ(dialog.m_voiceCombo.GetCount(), 5);
    });
}

TEST_F(MainDialog, TemplateLayoutHiddenControlsAndTabOrder)
{
    Run([](CVarnelDlg& dialog) {
        for (int hidden : {IDOK, IDC_SPEAK_ENGLISH, IDC_VOICE_NAMES, IDC_ENGLISH, IDC_CHINESE, IDC_SPEAK_CHINESE})
            EXPECT_FALSE(afxtest::IsControlShown(&dialog, hidden)) << hidden;
        for (int shown : {IDC_READ, IDCANCEL, IDC_INPUT_TEXT, IDC_STOP, IDC_RATE, IDC_VOLUME, IDC_VOICE,
                          IDC_INPUT_FILE_CHECK, IDC_INPUT_FILE, IDC_LOOP, IDC_EXPORT_WAV, IDC_BROWSE, IDC_HELP_INFO})
            EXPECT_TRUE(afxtest::IsControlShown(&dialog, shown)) << shown;
        EXPECT_TRUE(afxtest::IsDefaultButton(&dialog, IDC_READ));
        std::vector<int> expected = {IDC_READ,       IDCANCEL,        IDC_INPUT_TEXT, IDC_STOP,  IDC_RATE_UP,
                                     IDC_RATE_DOWN,  IDC_VOLUME_UP,   IDC_VOLUME_DOWN, IDC_RATE, IDC_VOLUME,
                                     IDC_VOICE,      IDC_INPUT_FILE_CHECK, IDC_LOOP, IDC_EXPORT_WAV, IDC_BROWSE,
                                     IDC_HELP_INFO};
        EXPECT_EQ(afxtest::TabOrder(&dialog), expected);
        CString caption;
        dialog.GetWindowText(caption);
        EXPECT_EQ(caption, "Tesorin");
        EXPECT_NE(dialog.m_hIcon, nullptr);
        EXPECT_EQ(dialog.GetIcon(TRUE), dialog.m_hIcon);
        EXPECT_EQ(dialog.GetIcon(FALSE), dialog.m_hIcon);
        EXPECT_EQ(dialog.SendMessage(WM_QUERYDRAGICON), reinterpret_cast<LRESULT>(dialog.m_hIcon));
    });
}

TEST_F(MainDialog, ReadQueuesTheTypedTextLoopCountTimesWithTheShownRateAndVolume)
{
    Run([](CVarnelDlg& dialog) {
        afxtest::Type(&dialog, IDC_INPUT_TEXT, "hello there");
        afxtest::Type(&dialog, IDC_LOOP, "3");
        afxtest::Type(&dialog, IDC_RATE, "-4");
        afxtest::Type(&dialog, IDC_VOLUME, "70");
        afxtest::Click(&dialog, IDC_READ);
        ASSERT_EQ(FakeVoice().spoken.size(), 3u);
        for (const auto& request : FakeVoice().spoken) {
            EXPECT_EQ(request.text, "hello there");
            EXPECT_EQ(request.flags, 1);
            EXPECT_EQ(request.rate, -4);
            EXPECT_EQ(request.volume, 70);
            EXPECT_EQ(request.voice, "Alpha");
        }
        afxtest::Click(&dialog, IDC_STOP);
        ASSERT_EQ(FakeVoice().spoken.size(), 4u);
        EXPECT_EQ(FakeVoice().spoken.back().text, "");
        EXPECT_EQ(FakeVoice().spoken.back().flags, 2);
    });
}

TEST_F(MainDialog, EnterReadsAndEscapeCloses)
{
    EXPECT_EQ(Run([](CVarnelDlg& dialog) {
                  afxtest::Focus(&dialog, IDC_LOOP);
                  afxtest::PressKey(&dialog, afxtest::Key::Enter);
                  EXPECT_EQ(FakeVoice().spoken.size(), 1u) << "Enter issued Read";
                  afxtest::PressKey(&dialog, afxtest::Key::Escape);
              }),
              IDCANCEL);
}

TEST_F(MainDialog, ReadWithAFileSpeaksItsFilteredTextEachTime)
{
    gui_test::WriteFile(env_.cwd() / "words.txt", "a.b,c$d");
    std::string path = (env_.cwd() / "words.txt").string();
    Run([&](CVarnelDlg& dialog) {
        afxtest::Click(&dialog, IDC_INPUT_FILE_CHECK);
        afxtest::Type(&dialog, IDC_INPUT_FILE, path.c_str());
        afxtest::Type(&dialog, IDC_LOOP, "2");
        afxtest::Click(&dialog, IDC_READ);
        ASSERT_EQ(FakeVoice().spoken.size(), 2u);
        EXPECT_EQ(FakeVoice().spoken[0].text, "abcd");
        EXPECT_EQ(FakeVoice().spoken[1].text, "abcd");

        // A missing file is spoken as empty text, with no message.
        afxtest::MessageBoxHook boxes;
        afxtest::Type(&dialog, IDC_INPUT_FILE, (path + ".missing").c_str());
        afxtest::Type(&dialog, IDC_LOOP, "1");
        afxtest::Click(&dialog, IDC_READ);
        ASSERT_EQ(FakeVoice().spoken.size(), 3u);
        EXPECT_EQ(FakeVoice().spoken[2].text, "");
        EXPECT_TRUE(boxes.Calls().empty());
    });
}

TEST_F(MainDialog, ReadWithADocumentSpeaksItsTextWithItsPunctuationAndABadOneSaysWhy)
{
    gui_test::WriteFile(env_.cwd() / "book.md", "# One\n\nIt was late, and cold.\n\n# Two\n\nThe end.\n");
    gui_test::WriteFile(env_.cwd() / "broken.pdf", "%PDF-1.7\nnot really a PDF at all\n");
    Run([&](CVarnelDlg& dialog) {
        afxtest::Click(&dialog, IDC_INPUT_FILE_CHECK);
        afxtest::Type(&dialog, IDC_INPUT_FILE, (env_.cwd() / "book.md").c_str());
        afxtest::Type(&dialog, IDC_LOOP, "2");
        afxtest::Click(&dialog, IDC_READ);
        ASSERT_EQ(FakeVoice().spoken.size(), 2u);
        EXPECT_EQ(FakeVoice().spoken[0].text, "One\n\nIt was late, and cold.\n\nTwo\n\nThe end.");
        EXPECT_EQ(FakeVoice().spoken[1].text, FakeVoice().spoken[0].text);

        afxtest::MessageBoxHook boxes;
        afxtest::Type(&dialog, IDC_INPUT_FILE, (env_.cwd() / "broken.pdf").c_str());
        afxtest::Click(&dialog, IDC_READ);
        EXPECT_EQ(FakeVoice().spoken.size(), 2u) << "nothing more is spoken";
        ASSERT_EQ(boxes.Calls().size(), 1u);
        EXPECT_NE(boxes.Calls()[0].text.Find("broken.pdf is a damaged PDF"), -1) << boxes.Calls()[0].text.GetString();
        EXPECT_NE(boxes.Calls()[0].text.Find("so nothing was read aloud"), -1);
    });
}

TEST_F(MainDialog, AFailedTakeStopsReadWithOneMessage)
{
    for (const char* loop : {"0", "1000", "ten"}) {
        afxtest::MessageBoxHook boxes;
        Run([&](CVarnelDlg& dialog) {
            afxtest::Type(&dialog, IDC_LOOP, loop);
            afxtest::Click(&dialog, IDC_READ);
            EXPECT_EQ(boxes.Calls().size(), 1u) << loop;
            EXPECT_EQ(afxtest::FocusedControlId(&dialog), IDC_LOOP) << loop;
        });
        EXPECT_TRUE(FakeVoice().spoken.empty()) << loop;
        EXPECT_FALSE(std::filesystem::exists(env_.cwd() / "set.ini")) << "nothing saved for " << loop;
    }
}

TEST_F(MainDialog, ANonNumberKeepsTheMemberAndMovesTheFocus)
{
    afxtest::MessageBoxHook boxes;
    Run([&](CVarnelDlg& dialog) {
        afxtest::Type(&dialog, IDC_RATE, "fast");
        EXPECT_FALSE(dialog.UpdateData(TRUE));
        EXPECT_EQ(dialog.m_rate, 0);
        EXPECT_EQ(afxtest::FocusedControlId(&dialog), IDC_RATE);
        ASSERT_EQ(boxes.Calls().size(), 1u);
        EXPECT_EQ(boxes.Calls()[0].text, "Please enter an integer.");

        afxtest::Type(&dialog, IDC_RATE, "11");
        EXPECT_FALSE(dialog.UpdateData(TRUE));
        EXPECT_EQ(dialog.m_rate, 11) << "an out-of-range number is stored all the same";
        EXPECT_EQ(boxes.Calls().back().text, "Please enter an integer between -10 and 10.");
    });
}

TEST_F(MainDialog, RateStepsStopAtTheirBounds)
{
    Run([](CVarnelDlg& dialog) {
        for (int i = 0; i < 12; ++i) afxtest::Click(&dialog, IDC_RATE_UP);
        EXPECT_EQ(FakeVoice().rate, 10);
        EXPECT_EQ(ControlText(&dialog, IDC_RATE), "10");
        for (int i = 0; i < 25; ++i) afxtest::Click(&dialog, IDC_RATE_DOWN);
        EXPECT_EQ(FakeVoice().rate, -10);
        EXPECT_EQ(ControlText(&dialog, IDC_RATE), "-10");
    });
}

TEST_F(MainDialog, VolumeStepsStopAtTheirBounds)
{
    Run([](CVarnelDlg& dialog) {
        afxtest::Click(&dialog, IDC_VOLUME_UP);
        EXPECT_EQ(FakeVoice().volume, 100);
        for (int i = 0; i < 12; ++i) afxtest::Click(&dialog, IDC_VOLUME_DOWN);
        EXPECT_EQ(FakeVoice().volume, 0);
        EXPECT_EQ(ControlText(&dialog, IDC_VOLUME), "0");
        afxtest::Click(&dialog, IDC_VOLUME_UP);
        EXPECT_EQ(ControlText(&dialog, IDC_VOLUME), "10");
    });
}

TEST_F(MainDialog, AStepShowsTheMembersAndDiscardsUntakenTyping)
{
    Run([](CVarnelDlg& dialog) {
        afxtest::Click(&dialog, IDC_RATE_UP);
        afxtest::Type(&dialog, IDC_INPUT_TEXT, "typed but not taken");
        for (int i = 0; i < 10; ++i) afxtest::Click(&dialog, IDC_RATE_UP);
        EXPECT_EQ(ControlText(&dialog, IDC_INPUT_TEXT), "Please Input Text to be Read by TTS.");
    });
}

TEST_F(MainDialog, PickingARowSetsThatVoice)
{
    Run([](CVarnelDlg& dialog) {
        afxtest::PickComboItem(&dialog, IDC_VOICE, 2);
        EXPECT_EQ(FakeVoice().voice, "Charlie");
        afxtest::Click(&dialog, IDC_READ);
        EXPECT_EQ(FakeVoice().spoken.back().voice, "Charlie");
    });
}

TEST_F(MainDialog, TheCheckBoxSwitchesBetweenTextAndFile)
{
    Run([](CVarnelDlg& dialog) {
        afxtest::Click(&dialog, IDC_INPUT_FILE_CHECK);
        EXPECT_EQ(dialog.m_useInputFile, 1);
        EXPECT_TRUE(IsEnabled(&dialog, IDC_INPUT_FILE));
        EXPECT_FALSE(IsEnabled(&dialog, IDC_INPUT_TEXT));
        EXPECT_EQ(afxtest::FocusedControlId(&dialog), IDC_INPUT_FILE);
        afxtest::Click(&dialog, IDC_INPUT_FILE_CHECK);
        EXPECT_EQ(dialog.m_useInputFile, 0);
        EXPECT_FALSE(IsEnabled(&dialog, IDC_INPUT_FILE));
        EXPECT_TRUE(IsEnabled(&dialog, IDC_INPUT_TEXT));
        EXPECT_EQ(afxtest::FocusedControlId(&dialog), IDC_INPUT_TEXT);
    });
}

TEST_F(MainDialog, BrowseFillsThePathOrChangesNothing)
{
    std::vector<afxtest::FileDialogCall> calls;
    afxtest::FileDialogHook files([&](const afxtest::FileDialogCall& call) -> std::optional<CString> {
        calls.push_back(call);
        if (calls.size() == 1) return std::nullopt;
        return CString("/tmp/some folder/story.txt");
    });
    Run([](CVarnelDlg& dialog) {
        afxtest::Click(&dialog, IDC_BROWSE);
        EXPECT_EQ(ControlText(&dialog, IDC_INPUT_FILE), "");
        afxtest::Click(&dialog, IDC_BROWSE);
        EXPECT_EQ(ControlText(&dialog, IDC_INPUT_FILE), "/tmp/some folder/story.txt");
        EXPECT_EQ(dialog.m_useInputFile, 0) << "the check box is left alone";
    });
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[0].open);
    EXPECT_EQ(calls[0].defExt, "*.txt");
    EXPECT_EQ(calls[0].filter,
              "Texts and books|*.txt;*.epub;*.pdf;*.html;*.htm;*.xhtml;*.docx;*.odt;*.fb2;*.md;*.markdown|"
              "txt File|*.txt|All files|*||");
    EXPECT_TRUE(calls[0].flags & OFN_HIDEREADONLY);
    EXPECT_EQ(calls[0].initialDir, CString(gui_test::BuildDir().string().c_str()));
}

TEST_F(MainDialog, HelpShowsTheDownloadNote)
{
    afxtest::MessageBoxHook boxes;
    Run([](CVarnelDlg& dialog) { afxtest::Click(&dialog, IDC_HELP_INFO); });
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0].caption, "Info");
    EXPECT_EQ(boxes.Calls()[0].type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
    EXPECT_EQ(boxes.Calls()[0].text,
              "For Supporting Chinese/Japanese Speech, Please Download and \nInstall TTS Library of: \n\n"
              "Microsoft - speechsdk51.exe and speechsdk51LangPack.exe.\n\n"
              "NeoSpeech - Text-To-Speech.Tts.Chinese.Mandarin.China.-.Wang.16Khz.");
}

TEST_F(MainDialog, TheSystemMenuOpensTheAboutBox)
{
    afxtest::ModalScript script;
    bool aboutShown = false;
    script
        .Then([](CDialog& dialog) {
            EXPECT_EQ(afxtest::FocusedControlId(&dialog), IDC_READ);
            afxtest::PressKey(&dialog, afxtest::Key::AltSpace);
            EXPECT_TRUE(afxtest::IsSystemMenuOpen(&dialog)) << "Alt+Space opens the system menu";
            EXPECT_TRUE(afxtest::RightClickBackground(&dialog)) << "so does a right click on the background";
            auto items = afxtest::SystemMenuItems(&dialog);
            ASSERT_GE(items.size(), 2u);
            EXPECT_TRUE(items[items.size() - 2].separator);
            EXPECT_EQ(items.back().id, static_cast<UINT>(IDM_ABOUTBOX));
            EXPECT_EQ(items.back().text, Ansi(u"关于 Varnel(&A)..."));
            afxtest::ChooseSystemMenuItem(&dialog, IDM_ABOUTBOX);
            EXPECT_TRUE(dialog.IsWindowVisible()) << "back to the main dialog";
            afxtest::Click(&dialog, IDCANCEL);
        })
        .Then([&](CDialog& about) {
            aboutShown = true;
            CString caption;
            about.GetWindowText(caption);
            EXPECT_EQ(caption, Ansi(u"关于 Varnel"));
            EXPECT_EQ(ControlText(&about, IDOK), Ansi(u"确定"));
            afxtest::PressKey(&about, afxtest::Key::Enter);
            EXPECT_FALSE(about.GetSafeHwnd() && about.IsWindowVisible());
        });
    CVarnelDlg dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(aboutShown);
}

TEST_F(MainDialog, HiddenTestButtonsSetTextVoiceAndSpeak)
{
    gui_test::ResetFakeVoice({"v0", "v1", "v2", "v3", "v4", "v5"});
    Run([](CVarnelDlg& dialog) {
        auto press = [&](int id) { dialog.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); };
        press(IDC_CHINESE);
        EXPECT_EQ(ControlText(&dialog, IDC_INPUT_TEXT), Ansi(u"白日依山尽，黄河入海流，欲穷千里目，更上一层楼。"));
        EXPECT_EQ(Selection(&dialog, IDC_VOICE), 5);
        EXPECT_EQ(FakeVoice().voice, "v5");
        EXPECT_TRUE(FakeVoice().spoken.empty());
        press(IDC_ENGLISH);
        EXPECT_EQ(ControlText(&dialog, IDC_INPUT_TEXT), "Fortune favors the brave.");
        EXPECT_EQ(Selection(&dialog, IDC_VOICE), 0);
        press(IDC_SPEAK_CHINESE);
        ASSERT_EQ(FakeVoice().spoken.size(), 1u);
        EXPECT_EQ(FakeVoice().spoken[0].text, "苹果");
        EXPECT_EQ(FakeVoice().spoken[0].voice, "v5");
        press(IDC_SPEAK_ENGLISH);
        ASSERT_EQ(FakeVoice().spoken.size(), 2u);
        EXPECT_EQ(FakeVoice().spoken[1].text, "Apple");
        EXPECT_EQ(FakeVoice().spoken[1].voice, "v0");
        EXPECT_EQ(ControlText(&dialog, IDC_INPUT_TEXT), "Fortune favors the brave.");
    });
}

TEST_F(MainDialog, AVoiceRowTheCollectionLacksIsReportedAndChangesNothing)
{
    afxtest::MessageBoxHook boxes;
    Run([&](CVarnelDlg& dialog) {
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHINESE, BN_CLICKED), 0);
        EXPECT_EQ(boxes.Calls().size(), 1u) << "the failed Item is shown";
        EXPECT_EQ(Selection(&dialog, IDC_VOICE), 0);
        EXPECT_TRUE(dialog.IsWindowVisible()) << "the dialog stays open";
    });
}

TEST_F(MainDialog, ClosingRoutes)
{
    EXPECT_EQ(Run([](CVarnelDlg& dialog) { afxtest::Click(&dialog, IDCANCEL); }), IDCANCEL);
    EXPECT_EQ(Run([](CVarnelDlg& dialog) { afxtest::CloseWindow(&dialog); }), IDCANCEL);
    EXPECT_EQ(Run([](CVarnelDlg& dialog) { afxtest::PressKey(&dialog, afxtest::Key::AltF4); }), IDCANCEL);
    EXPECT_EQ(Run([](CVarnelDlg& dialog) { dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }),
              IDOK);
    afxtest::MessageBoxHook boxes;
    EXPECT_EQ(Run([](CVarnelDlg& dialog) {
                  afxtest::Type(&dialog, IDC_VOLUME, "101");
                  dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                  EXPECT_TRUE(dialog.IsWindowVisible()) << "OK with a failed take stays open";
              }),
              IDABORT);
    EXPECT_EQ(boxes.Calls().size(), 1u);
}

TEST_F(MainDialog, WhileAnAutomationProxyIsBoundClosingOnlyHides)
{
    CVarnelDlgAutoProxy proxy;
    afxtest::ModalScript script;
    script.Then([&](CDialog& d) {
        auto& dialog = static_cast<CVarnelDlg&>(d);
        dialog.m_pAutoProxy = &proxy;
        proxy.m_pDialog = &dialog;
        afxtest::CloseWindow(&dialog);
        EXPECT_FALSE(dialog.IsWindowVisible());
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_TRUE(IsWindow(dialog.GetSafeHwnd())) << "still running";
        dialog.m_pAutoProxy = nullptr;
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    {
        CVarnelDlg dialog;
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        dialog.m_pAutoProxy = &proxy;
    }
    EXPECT_EQ(proxy.m_pDialog, nullptr) << "the destroyed dialog cleared the link";
}

TEST_F(MainDialog, WithoutTheSpeechRuntimeTheDialogOpensWithOneMessage)
{
    CVarnelDlg::s_voiceProgId = "Varnel.NoSuchVoice";
    WriteSettings("InputText=restored text\r\nLoop=4\r\n");
    afxtest::MessageBoxHook boxes;
    Run([](CVarnelDlg& dialog) {
        EXPECT_EQ(ControlText(&dialog, IDC_INPUT_TEXT), "restored text");
        EXPECT_EQ(ControlText(&dialog, IDC_LOOP), "4");
        for (int id : {IDC_READ, IDC_STOP, IDC_RATE_UP, IDC_RATE_DOWN, IDC_VOLUME_UP, IDC_VOLUME_DOWN, IDC_VOICE,
                       IDC_EXPORT_WAV})
            EXPECT_FALSE(IsEnabled(&dialog, id)) << id;
        EXPECT_TRUE(IsEnabled(&dialog, IDC_HELP_INFO));
        for (int hidden : {IDC_SPEAK_ENGLISH, IDC_ENGLISH, IDC_CHINESE, IDC_SPEAK_CHINESE, IDC_READ, IDC_RATE_UP})
            dialog.SendMessage(WM_COMMAND, MAKEWPARAM(hidden, BN_CLICKED), 0);
    });
    ASSERT_EQ(boxes.Calls().size(), 1u) << "one message, and the commands sent anyway do nothing";
    EXPECT_NE(boxes.Calls()[0].text.Find("speech engine"), -1);
}

TEST_F(MainDialog, WithNoVoiceInstalledTheDialogOpensWithOneMessage)
{
    gui_test::ResetFakeVoice({});
    afxtest::MessageBoxHook boxes;
    Run([](CVarnelDlg& dialog) {
        EXPECT_EQ(dialog.m_voiceCombo.GetCount(), 0);
        EXPECT_FALSE(IsEnabled(&dialog, IDC_READ));
        EXPECT_EQ(ControlText(&dialog, IDC_LOOP), "1") << "settings loaded and shown";
    });
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_NE(boxes.Calls()[0].text.Find("No speech voice"), -1);
}

}  // namespace

namespace {

TEST_F(MainDialog, AMinimisedDialogPaintsItsIconAndRestores)
{
    Run([](CVarnelDlg& dialog) {
        dialog.ShowWindow(SW_MINIMIZE);
        EXPECT_TRUE(dialog.IsIconic());
        dialog.SendMessage(WM_PAINT);
        dialog.ShowWindow(SW_RESTORE);
        EXPECT_FALSE(dialog.IsIconic());
        dialog.SendMessage(WM_PAINT);
        EXPECT_TRUE(dialog.IsWindowVisible());
    });
}

}  // namespace
