// Text between the framework (CP_ACP, UTF-8 resources) and Qt (platform-internal).
#pragma once

#include <QApplication>
#include <QString>

#include <optional>

#include <string>

namespace afx_detail {

QString FromAnsi(const char* ansi);
std::string ToAnsi(const QString& text);
inline QString FromUtf8(const char* utf8) { return QString::fromUtf8(utf8 ? utf8 : ""); }

// Multi-line edits keep LF inside; the program sees CR LF.
QString FromAnsiCrLf(const char* ansi);
std::string ToAnsiCrLf(const QString& text);

// Creates the QApplication when none exists yet, and pumps the thread's message
// queue in its loops. Inside AfxWinMain it is the program's, made from its
// command line into the holder that AfxWinMain keeps.
void EnsureApplication();

// For the life of the object, EnsureApplication makes the program's application.
class ScopedProgramApplication {
public:
    ScopedProgramApplication(int& argc, char** argv, std::optional<QApplication>& holder);
    ~ScopedProgramApplication();
    ScopedProgramApplication(const ScopedProgramApplication&) = delete;
    ScopedProgramApplication& operator=(const ScopedProgramApplication&) = delete;
};
// The offscreen platform: nobody can answer a window there.
bool IsOffscreen();

}  // namespace afx_detail
