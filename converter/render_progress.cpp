#include "render_progress.h"

#include <io.h>

#include <algorithm>

namespace narrate {
namespace {

std::string MinutesAndSeconds(double seconds)
{
    auto whole = static_cast<unsigned long>(std::max(0.0, seconds) + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%lu:%02lu", whole / 60, whole % 60);
    return text;
}

// Erases the line the cursor is on: back to its start, then to its end.
constexpr const char* kEraseLine = "\r\x1b[K";

}  // namespace

std::string ProgressText(const ProgressFigures& figures)
{
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(std::clamp(figures.fraction, 0.0, 1.0) * 100));
    std::string text = std::string(percent) + " rendered, " + MinutesAndSeconds(figures.audioSeconds) + " of audio";
    if (figures.secondsLeft) text += ", about " + MinutesAndSeconds(*figures.secondsLeft) + " left";
    return text;
}

std::optional<double> EstimateSecondsLeft(double fraction, double elapsedSeconds)
{
    if (fraction <= 0) return std::nullopt;
    return elapsedSeconds * (1 - std::min(fraction, 1.0)) / fraction;
}

ProgressLine::ProgressLine(std::FILE* terminal, bool ownLine, std::size_t textLength, DWORD bytesPerSecond)
    : terminal_(terminal), ownLine_(ownLine), textLength_(textLength), bytesPerSecond_(bytesPerSecond)
{
}

void ProgressLine::Update(ISpVoice* voice, ISpStream* file)
{
    if (!terminal_ || textLength_ == 0) return;
    SPVOICESTATUS status{};
    if (FAILED(voice->GetStatus(&status, nullptr))) return;
    ProgressFigures figures;
    // Once the request is done the status tells the next one's position.
    figures.fraction = status.dwRunningState == SPRS_DONE ? 1.0 : double(status.ulInputWordPos) / double(textLength_);
    ULARGE_INTEGER bytes{0};
    if (bytesPerSecond_ && SUCCEEDED(file->Seek(LARGE_INTEGER{0}, STREAM_SEEK_CUR, &bytes)))
        figures.audioSeconds = double(bytes.QuadPart) / bytesPerSecond_;
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started_;
    figures.secondsLeft = EstimateSecondsLeft(figures.fraction, elapsed.count());
    if (!shown_) {
        std::fflush(stdout);  // its message first, on the line it leaves
        if (ownLine_) std::fputc('\n', terminal_);
    }
    std::fprintf(terminal_, "%s%s", kEraseLine, ProgressText(figures).c_str());
    std::fflush(terminal_);
    shown_ = true;
}

void ProgressLine::Clear()
{
    if (!shown_) return;
    std::fputs(kEraseLine, terminal_);
    std::fflush(terminal_);
    shown_ = false;
}

std::FILE* ProgressTerminal() { return _isatty(_fileno(stderr)) ? stderr : nullptr; }

bool OutputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

}  // namespace narrate
