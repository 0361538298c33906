#include <afxdlgs.h>

#include "qt_text.h"
#include "active_test_hooks.h"
#include "framework_window.h"

#include <QFileDialog>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace afx_detail;
namespace fs = std::filesystem;

IMPLEMENT_DYNAMIC(CCommonDialog, CDialog)
IMPLEMENT_DYNAMIC(CFileDialog, CCommonDialog)

CCommonDialog::CCommonDialog(CWnd* pParentWnd) : CDialog(0, pParentWnd) {}

namespace {

bool HasWildcard(const CString& name) { return name.Find('*') >= 0 || name.Find('?') >= 0; }

// "label|pattern|label|pattern||" as Qt's "label (pattern pattern)" filters.
QStringList NameFilters(const CString& filter)
{
    QStringList filters;
    const QStringList parts = FromAnsi(filter).split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() && parts[i + 1].isEmpty()) break;
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters;
}

// An extension from "txt", ".txt" or "*.txt"; none from a pattern of several or a wildcard.
std::string ExtensionOf(const std::string& pattern)
{
    std::string ext = pattern;
    while (!ext.empty() && (ext.front() == '*' || ext.front() == '.')) ext.erase(ext.begin());
    return ext.find_first_of("*?;") == std::string::npos ? ext : std::string();
}

// The pattern of the `index`th filter (1-based) of "label|pattern|label|pattern||".
std::string FilterPattern(const CString& filter, DWORD index)
{
    std::vector<std::string> parts;
    std::string rest = filter.str();
    for (std::size_t bar; (bar = rest.find('|')) != std::string::npos; rest.erase(0, bar + 1))
        parts.push_back(rest.substr(0, bar));
    parts.push_back(rest);
    const std::size_t at = 2 * std::size_t{index} - 1;
    return index >= 1 && at < parts.size() ? parts[at] : std::string();
}

// The extension a name typed without one gets: as Windows does, the chosen
// filter's when the dialog has a default extension at all, else that default.
std::string DefaultExtension(const CString& defExt, const CString& filter, DWORD filterIndex)
{
    if (defExt.IsEmpty()) return {};
    const std::string chosen = ExtensionOf(FilterPattern(filter, filterIndex));
    return chosen.empty() ? ExtensionOf(defExt.str()) : chosen;
}

std::optional<afxtest::FileDialogChoice> AskPerson(const afxtest::FileDialogCall& call, const CString& lastChoice)
{
    if (IsOffscreen()) {
        std::fprintf(stderr, "mfc: file dialog with no test hook on the offscreen platform; cancelled\n");
        return std::nullopt;
    }
    Window* owner = WindowFromHandle(call.owner);
    QFileDialog dialog(owner && owner->widget ? owner->widget->window() : nullptr, FromAnsi(call.title),
                       FromAnsi(call.initialDir));
    dialog.setAcceptMode(call.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(call.open && (call.flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);  // the framework asks, as OFN_OVERWRITEPROMPT says
    const QStringList filters = NameFilters(call.filter);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (call.filterIndex >= 1 && call.filterIndex <= static_cast<DWORD>(filters.size()))
        dialog.selectNameFilter(filters[static_cast<qsizetype>(call.filterIndex - 1)]);
    const CString& name = lastChoice.IsEmpty() ? call.fileName : lastChoice;
    if (!name.IsEmpty() && !HasWildcard(name)) dialog.selectFile(FromAnsi(name));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const auto filter = static_cast<DWORD>(filters.indexOf(dialog.selectedNameFilter()) + 1);
    return afxtest::FileDialogChoice(CString(ToAnsi(dialog.selectedFiles().front()).c_str()), filter);
}

bool Confirm(const afxtest::FileDialogCall& call, const std::string& path, const char* question, UINT icon)
{
    const std::string text = path + question;
    return ShowMessageBox(call.owner, text.c_str(), call.title, MB_YESNO | icon) == IDYES;
}

}  // namespace

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd)
    : CCommonDialog(pParentWnd), m_bOpenFileDialog(bOpenFileDialog), m_strDefExt(lpszDefExt), m_strFilter(lpszFilter)
{
    m_filterZeros = m_strFilter.str();
    for (char& c : m_filterZeros)
        if (c == '|') c = '\0';
    m_filterZeros.push_back('\0');
    if (lpszFileName) std::snprintf(m_szFileName, sizeof m_szFileName, "%s", lpszFileName);
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.hwndOwner = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    m_ofn.lpstrFilter = lpszFilter ? m_filterZeros.c_str() : nullptr;
    m_ofn.nFilterIndex = 1;
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.lpstrDefExt = m_strDefExt.IsEmpty() ? nullptr : m_strDefExt.GetString();
    m_ofn.Flags = dwFlags | OFN_ENABLEHOOK | OFN_EXPLORER;
}

CFileDialog::~CFileDialog() = default;

INT_PTR CFileDialog::DoModal()
{
    std::error_code ec;
    const CString initialDir = m_ofn.lpstrInitialDir ? CString(m_ofn.lpstrInitialDir) : CString(fs::current_path(ec).c_str());
    afxtest::FileDialogCall call{m_bOpenFileDialog,
                                 m_ofn.Flags,
                                 m_ofn.lpstrDefExt,
                                 m_ofn.lpstrFile ? CString(m_ofn.lpstrFile) : CString(),
                                 m_strFilter,
                                 initialDir,
                                 m_ofn.lpstrTitle ? CString(m_ofn.lpstrTitle) : CString(m_bOpenFileDialog ? "Open" : "Save As"),
                                 m_ofn.hwndOwner ? m_ofn.hwndOwner : (ActiveModalDialog() ? ActiveModalDialog()->handle() : nullptr),
                                 0,
                                 m_ofn.nFilterIndex};
    CString lastChoice;
    for (;;) {
        ++call.attempt;
        afxtest::FileDialogHook* hook = CurrentFileDialogHook();
        if (hook && call.attempt > 100) {  // a hook that never settles must not hang its test
            std::fprintf(stderr, "mfc: file dialog hook gave no acceptable answer in 100 attempts; cancelled\n");
            return IDCANCEL;
        }
        if (!hook) EnsureApplication();
        const std::optional<afxtest::FileDialogChoice> choice = hook ? hook->Choose(call) : AskPerson(call, lastChoice);
        if (!choice || choice->path.IsEmpty()) return IDCANCEL;
        lastChoice = choice->path;
        if (choice->filterIndex) m_ofn.nFilterIndex = call.filterIndex = choice->filterIndex;

        fs::path path(choice->path.str());
        if (path.is_relative()) path = fs::path(initialDir.str()) / path;
        path = path.lexically_normal();
        const std::string ext = DefaultExtension(m_ofn.lpstrDefExt ? CString(m_ofn.lpstrDefExt) : CString(), m_strFilter,
                                                 m_ofn.nFilterIndex);
        if (!path.has_extension() && !ext.empty()) path += "." + ext;
        const std::string full = path.string();

        const bool exists = fs::exists(path, ec);
        if (fs::is_directory(path, ec)) continue;  // a folder is not a file: the dialog stays
        if ((m_ofn.Flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) && !fs::is_directory(path.parent_path(), ec)) {
            ShowMessageBox(call.owner, (full + "\nPath does not exist.\nCheck the path and try again.").c_str(), call.title,
                           MB_OK | MB_ICONEXCLAMATION);
            continue;
        }
        if (m_bOpenFileDialog && (m_ofn.Flags & OFN_FILEMUSTEXIST) && !exists) {
            ShowMessageBox(call.owner, (full + "\nFile not found.\nCheck the file name and try again.").c_str(), call.title,
                           MB_OK | MB_ICONEXCLAMATION);
            continue;
        }
        if (!m_bOpenFileDialog && exists && (m_ofn.Flags & OFN_OVERWRITEPROMPT)
            && !Confirm(call, full, " already exists.\nDo you want to replace it?", MB_ICONEXCLAMATION))
            continue;
        if (!exists && (m_ofn.Flags & OFN_CREATEPROMPT)
            && !Confirm(call, full, "\nThis file does not exist.\nDo you want to create the file?", MB_ICONQUESTION))
            continue;

        m_strPathName = full.c_str();
        if (m_ofn.lpstrFile && m_ofn.nMaxFile > 0) std::snprintf(m_ofn.lpstrFile, m_ofn.nMaxFile, "%s", full.c_str());
        const std::size_t slash = full.rfind('/');
        m_ofn.nFileOffset = static_cast<WORD>(slash == std::string::npos ? 0 : slash + 1);
        const std::size_t dot = full.rfind('.');
        m_ofn.nFileExtension = static_cast<WORD>(dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot + 1 : 0);
        // Windows moves the current directory to the chosen folder unless a save dialog asks not to.
        if (m_bOpenFileDialog || !(m_ofn.Flags & OFN_NOCHANGEDIR)) fs::current_path(path.parent_path(), ec);
        return IDOK;
    }
}

CString CFileDialog::GetPathName() const { return m_strPathName; }

CString CFileDialog::GetFileName() const
{
    const int slash = m_strPathName.ReverseFind('/');
    return m_strPathName.Mid(slash + 1);
}

CString CFileDialog::GetFileExt() const
{
    const CString name = GetFileName();
    const int dot = name.ReverseFind('.');
    return dot < 0 ? CString() : name.Mid(dot + 1);
}

CString CFileDialog::GetFileTitle() const
{
    const CString name = GetFileName();
    const int dot = name.ReverseFind('.');
    return dot < 0 ? name : name.Left(dot);
}

BOOL CFileDialog::GetReadOnlyPref() const { return (m_ofn.Flags & OFN_READONLY) != 0; }
