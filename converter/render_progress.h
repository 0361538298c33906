// How far a rendering has come, on one line of standard error that is rewritten in
// place, and only when standard error is a terminal: the line would be noise in a
// log or a pipe.
#pragma once

#include <atlbase.h>
#include <sapi.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

namespace narrate {

struct ProgressFigures {
    double fraction = 0;        // of the text rendered, 0..1
    double audioSeconds = 0;    // in the file so far
    std::optional<double> secondsLeft;  // none before anything is rendered
};

// The line's text: "ddd% rendered, m:ss of audio, about m:ss left".
std::string ProgressText(const ProgressFigures& figures);

// Time left at the pace so far; none until some of the text is rendered.
std::optional<double> EstimateSecondsLeft(double fraction, double elapsedSeconds);

class ProgressLine {
public:
    // `terminal` is where the line goes, null for no line at all. With `ownLine` it
    // begins below the cursor, so what standard output left on the line stays.
    ProgressLine(std::FILE* terminal, bool ownLine, std::size_t textLength, DWORD bytesPerSecond);
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Asks the voice and the file how far they are, and shows it.
    void Update(ISpVoice* voice, ISpStream* file);
    // Takes the line away again.
    void Clear();

private:
    std::FILE* terminal_;
    bool ownLine_;
    std::size_t textLength_;
    DWORD bytesPerSecond_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    bool shown_ = false;
};

// Standard error when it is a terminal, null otherwise.
std::FILE* ProgressTerminal();
// Whether standard output is a terminal too (and may share its line).
bool OutputIsTerminal();

}  // namespace narrate
