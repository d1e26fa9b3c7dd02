#include "support.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <random>
#include <set>
#include <system_error>

#include <gtest/gtest.h>

#include "assets/assets.h"
#include "effects/tables.h"
#include "files.h"

static bool Built = false;

void RebuildTables()
{
    Region whole = MakeRegion(0, 0, BufferWidth, BufferHeight);
    ASSERT_TRUE(BuildTables(&whole));
    Built = true;
}

void EnsureTables()
{
    if (!Built)
        RebuildTables();
}

std::vector<uint16_t> HashPattern(int shift)
{
    std::vector<uint16_t> p(BufferPixels);
    for (size_t k = 0; k < p.size(); ++k)
        p[k] = uint16_t(k * 2654435761u >> shift);
    return p;
}

ScratchFolder::ScratchFolder()
{
    static std::atomic<unsigned> made{0};
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (;;) {
        const std::filesystem::path candidate =
            base / ("sideways-test-" + std::to_string(random()) + "-" + std::to_string(made++));
        if (std::filesystem::create_directory(candidate)) {
            path = candidate.string();
            return;
        }
    }
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::vector<std::string> ScratchFolder::Names() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadText(const std::string& path)
{
    std::string text, error;
    return ReadFile(path, &text, &error) ? text : "";
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    std::string error;
    return ReadFile(path, &bytes, &error) ? bytes : std::vector<uint8_t>{};
}

bool Exists(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

std::string Snapshot(const ScratchFolder& dir)
{
    std::set<std::string> all;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path)) {
        const std::string path = entry.path().string();
        all.insert(path + "=" +
                   (entry.is_symlink() ? "->" + std::filesystem::read_symlink(entry.path()).string()
                    : entry.is_directory() ? "/"
                                           : ReadText(path)) +
                   ";");
    }
    std::string text;
    for (const std::string& line : all)
        text += line;
    return text;
}

const ShowMusic& WholeShow(Stretch* stretch)
{
    static Stretch s;
    static const ShowMusic music = [] {
        ShowMusic m;
        std::string error;
        EXPECT_TRUE(RenderShowMusic(&m, 60, 0, LastOrder, &s, &error)) << error;
        return m;
    }();
    if (stretch != nullptr)
        *stretch = s;
    return music;
}

void EffectLoopsTest::SetUp()
{
    EnsureTables();
    UsePixelLoops(GetParam());
}

void EffectLoopsTest::TearDown()
{
    UsePixelLoops(OwnLoops());
}

std::string EffectLoopsName(const ::testing::TestParamInfo<PixelLoops>& info)
{
    return ::testing::PrintToString(info.param);
}
