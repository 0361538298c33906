// A fuzz target: a function of the input's bytes that drives real code and
// stops the process when a property it checks does not hold. Built with
// VARNEL_LIBFUZZER it is the libFuzzer entry point of a program of its own;
// otherwise a plain function that the corpus replay test calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>
#include <vector>

#ifdef VARNEL_LIBFUZZER
#define VARNEL_FUZZ_TARGET(name) extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
#else
#define VARNEL_FUZZ_TARGET(name) int name(const std::uint8_t* data, std::size_t size)
#endif

// Aborts with the failed condition: libFuzzer keeps the input as a crash, the
// replay test fails.
#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                       \
        }                                                                                       \
    } while (false)

namespace fuzz {

// The input cut at zero bytes into at most `count` parts; the last part keeps
// the rest, zero bytes included. Missing parts are empty.
inline std::vector<std::string_view> SplitParts(const std::uint8_t* data, std::size_t size, std::size_t count)
{
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < count) {
        std::size_t zero = rest.find('\0');
        if (zero == std::string_view::npos) break;
        parts.push_back(rest.substr(0, zero));
        rest.remove_prefix(zero + 1);
    }
    parts.push_back(rest);
    parts.resize(count);
    return parts;
}

}  // namespace fuzz
