// The samples the process's synthesizer makes for a text, collected whole.
#pragma once

#include "synthesizer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace speech_test {

inline std::vector<std::int16_t> Synthesize(const std::string& voice, const speech::SpeechStyle& style,
                                            std::string_view text)
{
    std::vector<std::int16_t> samples;
    EXPECT_EQ(speech::Synthesizer::Instance().Synthesize(voice, style, text,
                                                         [&](const std::int16_t* s, std::size_t n) {
                                                             samples.insert(samples.end(), s, s + n);
                                                             return true;
                                                         }),
              S_OK)
        << voice;
    return samples;
}

}  // namespace speech_test
