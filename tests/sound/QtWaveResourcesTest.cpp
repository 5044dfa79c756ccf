// QtWaveResources on a resource file laid out as the game's: the click as ":/WAVE/KLICK".

#include "sound/QtWaveResources.h"
#include "sound/Sound.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quorvia {
namespace {

std::vector<std::uint8_t> clickFile() {
    std::ifstream in(QUORVIA_CLICK_WAV, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(QtWaveResources, LoadsTheWholeFileByTypeAndName) {
    QtWaveResources resources;
    const std::vector<std::uint8_t> expected = clickFile();
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(resources.load("WAVE", "KLICK"), expected);
}

TEST(QtWaveResources, MissingResourcesAreEmpty) {
    QtWaveResources resources;
    struct Case {
        const char* type;
        const char* name;
    };
    const Case cases[] = {
        {"WAVE", "TADA"},  {"WAVE", "klick"},                // names are case-sensitive
        {"wave", "KLICK"}, {"ICON", "KLICK"}, {"WAVE", ""},  // the folder itself is no sound
        {"", "KLICK"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(resources.load(c.type, c.name).empty()) << c.type << "/" << c.name;
    }
}

class CapturingOutput final : public AudioOutput {
public:
    bool play(std::span<const std::uint8_t> image, std::uint32_t flags) override {
        images.emplace_back(image.begin(), image.end());
        this->flags.push_back(flags);
        return true;
    }
    std::vector<std::vector<std::uint8_t>> images;
    std::vector<std::uint32_t> flags;
};

TEST(QtWaveResources, ClickReachesTheOutputAsAPlayableImage) {
    QtWaveResources resources;
    CapturingOutput output;
    Sound sound(resources, output);

    sound.PlayClick();

    ASSERT_EQ(output.images.size(), 1U);
    EXPECT_EQ(output.images[0], clickFile());
    EXPECT_EQ(output.flags[0], 6U);
    EXPECT_TRUE(parseWave(output.images[0]).has_value());
}

}  // namespace
}  // namespace quorvia
