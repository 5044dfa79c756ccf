// Sound::PlayWaveResource with fake ports (which resource is asked for, which flags and
// which bytes reach the output, and that no failure reaches the caller), and the Qt
// resource reader the game uses in their place.

#include "sound/QtWaveResources.h"
#include "sound/Sound.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace quorvia {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Name = std::pair<std::string, std::string>;

// Deliberately no valid WAVE image, odd-sized: Sound hands the resource over untouched and
// leaves judging it to the output.
const Bytes Arbitrary = {0x0b, 0x30, 0x55, 0x7a, 0x9f, 0xc4, 0xe9, 0x00, 0xff};

// Every resource exists except "NOWHERE".
class FakeResources final : public WaveResources {
public:
    Bytes load(std::string_view type, std::string_view name) override {
        requests.emplace_back(type, name);
        if (throwOnLoad) throw std::runtime_error("resource table unreadable");
        return name == "NOWHERE" ? Bytes{} : Arbitrary;
    }
    std::vector<Name> requests;
    bool throwOnLoad = false;
};

class RecordingOutput final : public AudioOutput {
public:
    bool play(std::span<const std::uint8_t> image, std::uint32_t flags) override {
        calls.push_back({{image.begin(), image.end()}, flags});
        if (throwOnPlay) throw std::runtime_error("device gone");
        return true;
    }
    std::vector<std::pair<Bytes, std::uint32_t>> calls;
    bool throwOnPlay = false;
};

class SoundTest : public ::testing::Test {
protected:
    FakeResources resources;
    RecordingOutput output;
    Sound sound{resources, output};
};

// The click asks for WAVE/KLICK and plays its exact bytes synchronously from memory (6);
// other flags get the memory bit 4 added and nothing else changed, negative ones alike.
TEST_F(SoundTest, PlaysTheNamedWaveResourceWithTheMemoryBitAdded) {
    sound.PlayClick();
    EXPECT_EQ(resources.requests, (std::vector<Name>{{"WAVE", "KLICK"}}));
    ASSERT_EQ(output.calls.size(), 1U);
    EXPECT_EQ(output.calls[0], std::make_pair(Arbitrary, 6U));
    const std::pair<std::optional<std::int32_t>, std::uint32_t> cases[] = {
        {std::nullopt, 6}, {0, 4}, {1, 5}, {2, 6}, {4, 4}, {7, 7}, {16, 20}, {-1, 0xFFFFFFFFU}, {-8, 0xFFFFFFFCU},
    };
    for (const auto& [given, played] : cases) {
        resources.requests.clear();
        output.calls.clear();
        sound.PlayWaveResource("TADA", given);
        EXPECT_EQ(resources.requests, (std::vector<Name>{{"WAVE", "TADA"}}));
        ASSERT_EQ(output.calls.size(), 1U);
        EXPECT_EQ(output.calls[0].second, played) << given.value_or(-99);
    }
}

// A missing resource means no play call at all; a throwing port never reaches the caller.
TEST_F(SoundTest, MissingResourceOrFailingPortIsSilent) {
    for (const auto& [name, throwOnLoad, throwOnPlay, plays] :
         {std::tuple{"NOWHERE", false, false, 0U}, {"KLICK", true, false, 0U}, {"KLICK", false, true, 1U}}) {
        resources.throwOnLoad = throwOnLoad;
        output.throwOnPlay = throwOnPlay;
        output.calls.clear();
        EXPECT_NO_THROW(sound.PlayWaveResource(name)) << name << throwOnLoad << throwOnPlay;
        EXPECT_EQ(output.calls.size(), plays) << name << throwOnLoad << throwOnPlay;
    }
}

// The game's resource reader: the whole click file under WAVE/KLICK reaches the output;
// names are case-sensitive and a missing one (or the folder itself) is empty.
TEST(QtWaveResources, HandsTheWholeClickFileToTheOutput) {
    std::ifstream in(QUORVIA_CLICK_WAV, std::ios::binary);
    const Bytes file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    QtWaveResources resources;
    RecordingOutput output;
    Sound(resources, output).PlayClick();
    ASSERT_EQ(output.calls.size(), 1U);
    EXPECT_EQ(output.calls[0], std::make_pair(file, 6U));
    for (const auto& [type, name] : {Name{"WAVE", "klick"}, {"wave", "KLICK"}, {"WAVE", "TADA"}, {"WAVE", ""}}) {
        EXPECT_TRUE(resources.load(type, name).empty()) << type << "/" << name;
    }
}

}  // namespace
}  // namespace quorvia
