#include "run_hold.h"

#include "control_release.h"
#include "hold_arguments.h"
#include "input_watch.h"
#include "release_signal.h"

#include <atlbase.h>
#include <com_apartment.h>
#include <failure_report.h>
#include <failure_words.h>
#include <winbase.h>
#include <winnls.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace hold {

namespace {

// Lives until the process ends: control handlers may still use it while it ends.
ReleaseSignal& ProcessReleaseSignal()
{
    static ReleaseSignal* signal = new ReleaseSignal;
    return *signal;
}

// "automation-hold: <what>: <the system's words> (0x80040154)" on standard error.
void ReportFailure(const std::string& what, HRESULT hr)
{
    WriteFailureLine("automation-hold", "%s: %s", what.c_str(), FailureInWords(hr).c_str());
}

// The ProgID in the ANSI code page, as COM takes it; GetLastError says why not.
std::optional<std::u16string> WideProgId(const std::string& progId)
{
    int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, progId.c_str(), -1, nullptr, 0);
    if (units <= 0) return std::nullopt;
    std::u16string wide(static_cast<std::size_t>(units), u'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, progId.c_str(), -1, wide.data(), units) != units)
        return std::nullopt;
    wide.pop_back();  // the terminator; the string keeps its own
    return wide;
}

// The object of `progId` from a server process of its own.
HRESULT CreateLocalObject(const std::string& progId, CComPtr<IUnknown>& object)
{
    auto wide = WideProgId(progId);
    if (!wide) {
        HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        ReportFailure("cannot read the ProgID " + progId, hr);
        return hr;
    }
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(wide->c_str(), &clsid);
    if (FAILED(hr)) {
        ReportFailure("cannot look up " + progId, hr);
        return hr;
    }
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, reinterpret_cast<void**>(&object));
    if (FAILED(hr)) ReportFailure("cannot create " + progId, hr);
    return hr;
}

bool PrintHolding(const std::string& progId)
{
    std::printf("holding %s\n", progId.c_str());
    if (std::fflush(stdout) == 0) return true;
    std::fprintf(stderr, "automation-hold: cannot write to standard output: %s\n", std::strerror(errno));
    return false;
}

int Hold(const std::string& progId)
{
    ComApartment com;
    if (FAILED(com.result())) {
        ReportFailure("cannot initialize COM", com.result());
        return 1;
    }
    CComPtr<IUnknown> object;
    if (FAILED(CreateLocalObject(progId, object))) return 1;

    ReleaseSignal& signal = ProcessReleaseSignal();
    ScopedReleaseOnControl control(signal);
    WatchInput(stdin, signal);
    const bool told = PrintHolding(progId);
    if (told) signal.Wait();

    // Here, on the apartment's own thread.
    object.Release();
    com.Uninitialize();
    signal.MarkReleased();
    return told ? 0 : 1;
}

}  // namespace

int RunHold(int argc, const char* const* argv)
{
    HoldCommand command = ParseArguments(argc, argv);
    switch (command.kind) {
    case HoldCommand::Kind::Help:
        std::fputs(HelpText(), stdout);
        return 0;
    case HoldCommand::Kind::Usage:
        std::fputs(kUsageLine, stderr);
        return 1;
    case HoldCommand::Kind::Hold:
        break;
    }
    return Hold(command.progId);
}

}  // namespace hold
