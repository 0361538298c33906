#include "espeak_library.h"

#include <varnel/syscalls.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include <dlfcn.h>
#include <link.h>

namespace speech {
namespace {

// The file the loaded pcaudiolib (real or stand-in) came from, or "" when none is loaded.
std::string LoadedPcaudiolib()
{
    void* handle = dlopen("libpcaudio.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (!handle) return {};
    link_map* library = nullptr;
    std::string name = dlinfo(handle, RTLD_DI_LINKMAP, &library) == 0 && library ? library->l_name : "?";
    dlclose(handle);
    return name;
}

// Each case needs a process that has not loaded espeak-ng yet: what it loads stays.
class EspeakLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!LoadedPcaudiolib().empty()) GTEST_SKIP() << "espeak-ng was loaded before in this process";
    }
};

TEST_F(EspeakLibraryTest, EspeakNgGetsPcaudiolibsStandInAndNoSoundLibraries)
{
    auto library = EspeakLibrary::Load(20);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(LoadedPcaudiolib().rfind("/proc/self/fd/", 0), 0u) << LoadedPcaudiolib();
    EXPECT_EQ(dlopen("libasound.so.2", RTLD_NOW | RTLD_NOLOAD), nullptr) << "ALSA came in with pcaudiolib";
}

int NoMemoryFiles(const char*, unsigned)
{
    errno = EMFILE;
    return -1;
}

TEST_F(EspeakLibraryTest, WithoutTheStandInEspeakNgLoadsWithPcaudiolibAsBefore)
{
    win32::sys::Table calls = win32::sys::RealCalls();
    calls.memfdCreate = &NoMemoryFiles;
    win32::sys::ScopedOverride noMemoryFiles(calls);
    auto library = EspeakLibrary::Load(20);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library->sampleRate(), 22050);
    const std::string pcaudiolib = LoadedPcaudiolib();
    EXPECT_FALSE(pcaudiolib.empty());
    EXPECT_NE(pcaudiolib.rfind("/proc/self/fd/", 0), 0u);
}

}  // namespace
}  // namespace speech
