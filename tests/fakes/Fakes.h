#pragma once
// Hand-written fakes of the game's ports, shared by the unit tests, the soak test and the
// fuzz targets.

#include "app/Picture.h"
#include "app/Startup.h"
#include "board/BoardView.h"

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace quorvia::test {

// Plays back a fixed sequence of numbers in [0, 1); once it runs out it repeats `fallback`.
class ScriptedRandom : public Random {
public:
    explicit ScriptedRandom(std::vector<float> values = {}, float fallback = 0.0f)
        : values_(values.begin(), values.end()), fallback_(fallback) {}
    float next() override {
        ++draws;
        if (values_.empty()) return fallback_;
        const float v = values_.front();
        values_.pop_front();
        return v;
    }
    void push(float v) { values_.push_back(v); }
    std::size_t pending() const { return values_.size(); }
    int draws = 0;

private:
    std::deque<float> values_;
    float fallback_;
};

// A clock that only moves when told to (the null view moves it at every event round).
class FakeClock : public Clock {
public:
    double now() override { return time; }
    double time = 1000.0;
};

// Loads any path as a picture, except those in `unloadable`; counts the loads.
class FakePictureLoader : public PictureLoader {
public:
    std::optional<Picture> load(const std::string& path) override {
        loads.push_back(path);
        if (path.empty() || unloadable.count(path)) return std::nullopt;
        return Picture{path, nullptr};
    }
    std::set<std::string> unloadable;
    std::vector<std::string> loads;
};

// Records what the game tells the window; shows nothing. Event processing runs the queued
// actions (a menu command arriving during a pause, say) and advances an attached clock.
class NullBoardView : public BoardView {
public:
    void processEvents() override {
        ++eventRounds;
        if (clock) clock->time += clockStepPerRound;
        auto pending = std::move(queued);
        queued.clear();
        for (auto& action : pending) action();
    }
    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
        messages.push_back({text, title, icon});
        if (onMessage) onMessage();
    }
    // About 90 twips (6 pixels) per character.
    float labelWidth(const std::string& caption) override { return static_cast<float>(caption.size() * 90); }
    ScreenSize screenSize() override { return screen; }
    void changed(unsigned changes) override { changeLog |= changes; }
    void cardChanged(int) override {}

    struct Message {
        std::string text, title;
        MessageIcon icon;
    };
    std::vector<Message> messages;
    std::vector<std::function<void()>> queued;
    std::function<void()> onMessage;
    unsigned changeLog = 0;
    int eventRounds = 0;
    ScreenSize screen{19200, 14400};  // 1280 x 960 pixels
    FakeClock* clock = nullptr;
    double clockStepPerRound = 0.05;
};

}  // namespace quorvia::test
