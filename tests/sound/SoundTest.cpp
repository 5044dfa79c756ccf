// Sound::PlayWaveResource with fake ports: which resource is asked for, which flags and
// which bytes reach the output, and that no failure ever reaches the caller.

#include "sound/Sound.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace quorvia {
namespace {

class FakeResources final : public WaveResources {
public:
    std::vector<std::uint8_t> load(std::string_view type, std::string_view name) override {
        requests.emplace_back(std::string(type), std::string(name));
        if (throwOnLoad) {
            throw std::runtime_error("resource table unreadable");
        }
        const auto it = entries.find({std::string(type), std::string(name)});
        return it == entries.end() ? std::vector<std::uint8_t>{} : it->second;
    }

    std::map<std::pair<std::string, std::string>, std::vector<std::uint8_t>> entries;
    std::vector<std::pair<std::string, std::string>> requests;
    bool throwOnLoad = false;
};

class RecordingOutput final : public AudioOutput {
public:
    struct Call {
        std::vector<std::uint8_t> image;
        std::uint32_t flags;
    };

    bool play(std::span<const std::uint8_t> image, std::uint32_t flags) override {
        calls.push_back({{image.begin(), image.end()}, flags});
        if (throwOnPlay) {
            throw std::runtime_error("device gone");
        }
        return result;
    }

    std::vector<Call> calls;
    bool result = true;
    bool throwOnPlay = false;
};

// Deliberately not a valid WAVE image, odd-sized, with every byte value: Sound must
// hand the resource over untouched and leave judging it to the output.
std::vector<std::uint8_t> arbitraryBytes() {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 301; ++i) {
        bytes.push_back(static_cast<std::uint8_t>((i * 37 + 11) % 256));
    }
    return bytes;
}

class SoundTest : public ::testing::Test {
protected:
    SoundTest() { resources.entries[{"WAVE", "KLICK"}] = arbitraryBytes(); }

    FakeResources resources;
    RecordingOutput output;
    Sound sound{resources, output};
};

TEST_F(SoundTest, ClickPlaysResourceWaveKlickSynchronouslyFromMemory) {
    sound.PlayClick();

    ASSERT_EQ(resources.requests.size(), 1U);
    EXPECT_EQ(resources.requests[0], std::make_pair(std::string("WAVE"), std::string("KLICK")));
    ASSERT_EQ(output.calls.size(), 1U);
    EXPECT_EQ(output.calls[0].flags, 6U);
    EXPECT_EQ(output.calls[0].image, arbitraryBytes());
}

TEST_F(SoundTest, MemoryBitIsAlwaysAddedAndNothingElseChanges) {
    struct Case {
        std::optional<std::int32_t> given;
        std::uint32_t played;
    };
    const Case cases[] = {
        {std::nullopt, 6},
        {0, 4},
        {1, 5},
        {2, 6},
        {3, 7},
        {4, 4},
        {5, 5},
        {6, 6},
        {7, 7},
        {16, 20},
        // Negative values travel as the same bits: -1 already has the memory bit, -8 does not.
        {-1, 0xFFFFFFFFU},
        {-8, 0xFFFFFFFCU},
    };
    for (const Case& c : cases) {
        output.calls.clear();
        sound.PlayWaveResource("KLICK", c.given);
        ASSERT_EQ(output.calls.size(), 1U);
        EXPECT_EQ(output.calls[0].flags, c.played) << "given " << (c.given ? std::to_string(*c.given) : "nothing");
    }
}

TEST_F(SoundTest, OtherResourcesAreLookedUpByNameUnderTypeWave) {
    resources.entries[{"WAVE", "TADA"}] = {1, 2, 3};

    sound.PlayWaveResource("TADA", 1);

    ASSERT_EQ(resources.requests.size(), 1U);
    EXPECT_EQ(resources.requests[0], std::make_pair(std::string("WAVE"), std::string("TADA")));
    ASSERT_EQ(output.calls.size(), 1U);
    EXPECT_EQ(output.calls[0].image, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(output.calls[0].flags, 5U);
}

// A missing resource leaves the image empty; with no first byte to hand over, the output
// is not called at all, and the next click (once the resource exists) plays as usual.
TEST_F(SoundTest, MissingResourceIsSilentAndLeavesSoundUsable) {
    resources.entries.clear();

    EXPECT_NO_THROW(sound.PlayClick());
    EXPECT_NO_THROW(sound.PlayWaveResource("NOWHERE", 4));
    EXPECT_TRUE(output.calls.empty());
    EXPECT_EQ(resources.requests.size(), 2U);

    resources.entries[{"WAVE", "KLICK"}] = arbitraryBytes();
    sound.PlayClick();
    ASSERT_EQ(output.calls.size(), 1U);
    EXPECT_EQ(output.calls[0].image, arbitraryBytes());
}

TEST_F(SoundTest, FailuresOfEitherPortNeverReachTheCaller) {
    struct Case {
        const char* what;
        bool throwOnLoad;
        bool throwOnPlay;
        bool playResult;
        std::size_t expectedPlayCalls;
    };
    const Case cases[] = {
        {"output reports failure", false, false, false, 1},
        {"output throws", false, true, true, 1},
        {"resources throw", true, false, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        output.calls.clear();
        resources.throwOnLoad = c.throwOnLoad;
        output.throwOnPlay = c.throwOnPlay;
        output.result = c.playResult;

        EXPECT_NO_THROW(sound.PlayClick());
        EXPECT_EQ(output.calls.size(), c.expectedPlayCalls);

        // The failure leaves nothing behind: a healthy click right after plays normally.
        resources.throwOnLoad = false;
        output.throwOnPlay = false;
        output.result = true;
        output.calls.clear();
        sound.PlayClick();
        ASSERT_EQ(output.calls.size(), 1U);
        EXPECT_EQ(output.calls[0].flags, 6U);
    }
}

}  // namespace
}  // namespace quorvia
