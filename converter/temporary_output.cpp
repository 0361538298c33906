#include "temporary_output.h"

#include "interrupt_cleanup.h"
#include "leftover_sweep.h"

#include <winbase.h>

#include <mutex>
#include <set>
#include <string>

namespace narrate {
namespace {

// Names handed out but perhaps not made yet: a run may hold several (the audio
// and its subtitles) before it makes any of them.
std::mutex reservedMutex;
std::set<std::string>& Reserved()
{
    static std::set<std::string> names;
    return names;
}

bool IsTaken(const std::string& name)
{
    return Reserved().count(name) || GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A short name of its own, so a long output name cannot make it too long.
std::string ReserveFreeNameIn(const std::string& folder)
{
    const std::string stem = folder + ".narrate-" + std::to_string(GetCurrentProcessId());
    std::lock_guard lock(reservedMutex);
    std::string candidate = stem + ".tmp";
    for (unsigned n = 1; IsTaken(candidate); ++n) candidate = stem + "-" + std::to_string(n) + ".tmp";
    Reserved().insert(candidate);
    return candidate;
}

}  // namespace

std::string FolderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// What killed runs left in the folder goes first, so their names are free again.
TemporaryOutput::TemporaryOutput(std::string target) : target_(std::move(target))
{
    const std::string folder = FolderOf(target_);
    RemoveLeftovers(folder);
    path_ = ReserveFreeNameIn(folder);
}

TemporaryOutput::~TemporaryOutput()
{
    Discard();
    std::lock_guard lock(reservedMutex);
    Reserved().erase(path_);
}

bool TemporaryOutput::Create(const std::function<void()>& create)
{
    created_ = InterruptCleanup::Instance().CreateTracked(path_, create);
    return created_;
}

bool TemporaryOutput::Commit()
{
    if (!created_) return false;
    BOOL moved = FALSE;
    DWORD error = ERROR_SUCCESS;
    bool ran = InterruptCleanup::Instance().FinishTracked(path_, [&] {
        moved = MoveFileExA(path_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING);
        if (!moved) {
            error = GetLastError();
            DeleteFileA(path_.c_str());
        }
    });
    created_ = false;
    SetLastError(ran ? error : ERROR_CANCELLED);
    return ran && moved;
}

void TemporaryOutput::Discard()
{
    if (!created_) return;
    InterruptCleanup::Instance().FinishTracked(path_, [&] { DeleteFileA(path_.c_str()); });
    created_ = false;
}

}  // namespace narrate
