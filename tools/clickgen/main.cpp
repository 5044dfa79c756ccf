// quorvia_clickgen <out.wav>: writes the card click that the game ships as a resource.

#include "ClickSynth.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <out.wav>\n", argv[0]);
        return 2;
    }
    const auto samples = quorvia::synthesiseClick();
    const auto image = quorvia::encodePcm16Wave(samples, quorvia::ClickChannels, quorvia::ClickSampleRate);
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
