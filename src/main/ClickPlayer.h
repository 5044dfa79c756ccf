#pragma once
// The click sound as the program plays it: the sound module's PlayClick over the program's
// embedded WAVE resource and the system's audio output.

#include <memory>

namespace quorvia {

class ClickPlayer {
public:
    ClickPlayer();
    ~ClickPlayer();
    void PlayClick();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace quorvia
