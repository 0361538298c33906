// Every file of each target's corpus through that target, in an ordinary
// build: what fuzzing once found keeps working, under the sanitizers too.
#include "fuzz_targets.h"

#include <env_var.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Target {
    const char* name;
    int (*run)(const std::uint8_t* data, std::size_t size);
};

const Target kTargets[] = {
    {"textload", &FuzzTextLoad},
    {"profile", &FuzzProfile},
    {"command_line", &FuzzCommandLine},
    {"markup", &FuzzMarkup},
    {"variant", &FuzzVariant},
    {"wire", &FuzzWire},
    {"epub_package", &FuzzEpubPackage},
    {"epub_navigation", &FuzzEpubNavigation},
    {"xhtml_text", &FuzzXhtmlText},
    {"office_text", &FuzzOfficeText},
    {"markdown", &FuzzMarkdown},
};

std::vector<std::filesystem::path> CorpusFiles(const char* target)
{
    std::vector<std::filesystem::path> files;
    std::filesystem::path folder = std::filesystem::path(VARNEL_FUZZ_CORPUS_DIR) / target;
    if (!std::filesystem::is_directory(folder)) return files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(entry.path());
    return files;
}

class CorpusReplay : public ::testing::TestWithParam<Target> {};

TEST_P(CorpusReplay, EveryFileRunsThroughItsTarget)
{
    testing_support::EnvVar locale("LC_ALL", std::nullopt);  // the text loader's runs set it
    std::vector<std::filesystem::path> files = CorpusFiles(GetParam().name);
    ASSERT_FALSE(files.empty()) << "no corpus for " << GetParam().name;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        // A target stops the process on a broken property, naming it; the last
        // file reported is the one.
        SCOPED_TRACE(file.string());
        std::fprintf(stderr, "replaying %s\n", file.filename().c_str());
        EXPECT_EQ(GetParam().run(bytes.data(), bytes.size()), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplay, ::testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
