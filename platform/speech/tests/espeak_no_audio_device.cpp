#include "espeak_no_audio_device.h"

#include <dlfcn.h>

#include <gtest/gtest.h>

namespace {

// espeak-ng, loaded later, looks its undefined symbols up in the global scope
// first: the program's function must be found there, ahead of pcaudiolib's.
TEST(EspeakNoAudioDevice, TheProgramExportsItsOwnFunction)
{
    void* found = dlsym(RTLD_DEFAULT, "create_audio_device_object");
    ASSERT_NE(found, nullptr) << "not in the program's dynamic symbol table";
    EXPECT_EQ(found, reinterpret_cast<void*>(&create_audio_device_object));
}

TEST(EspeakNoAudioDevice, GivesNoDevice)
{
    EXPECT_EQ(create_audio_device_object(nullptr, "Varnel", "speech"), nullptr);
}

}  // namespace
