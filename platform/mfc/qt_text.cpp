#include "qt_text.h"

#include "window_driver.h"

#include "ansi_text.h"

#include <QApplication>
#include <QGuiApplication>

#include <optional>

namespace afx_detail {

QString FromAnsi(const char* ansi)
{
    if (!ansi || !*ansi) return {};
    const std::u16string wide = AnsiToWide(ansi);
    return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

std::string ToAnsi(const QString& text)
{
    return WideToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                          static_cast<std::size_t>(text.size())));
}

QString FromAnsiCrLf(const char* ansi)
{
    QString text = FromAnsi(ansi);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string ToAnsiCrLf(const QString& text)
{
    QString crlf = text;
    crlf.replace(QChar(0x2029), QChar('\n'));  // paragraph separators of QTextDocument
    crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return ToAnsi(crlf);
}

namespace {

// The program's own command line and the place its application lives, while
// AfxWinMain runs; the application is made only when the first window needs it.
struct ProgramApplication {
    int* argc = nullptr;
    char** argv = nullptr;
    std::optional<QApplication>* holder = nullptr;
};

ProgramApplication& Program()
{
    static ProgramApplication program;
    return program;
}

}  // namespace

ScopedProgramApplication::ScopedProgramApplication(int& argc, char** argv, std::optional<QApplication>& holder)
{
    Program() = {&argc, argv, &holder};
}

ScopedProgramApplication::~ScopedProgramApplication() { Program() = {}; }

void EnsureApplication()
{
    if (!QCoreApplication::instance() && Program().holder) Program().holder->emplace(*Program().argc, Program().argv);
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "mfc";
        static char* argv[] = {name, nullptr};
        // Lives for the rest of the process, as a program's application object would.
        static QApplication* application = new QApplication(argc, argv);
        (void)application;
    }
    EnsureMessagePump();
}

bool IsOffscreen()
{
    return QGuiApplication::platformName() == QStringLiteral("offscreen");
}

}  // namespace afx_detail
