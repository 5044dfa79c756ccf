#pragma once
// Ends a start-up measurement at a window's first paint: prints the process's peak memory
// (VmHWM, KiB) and leaves at once, so the measured time is start to first painted frame.

#include <QEvent>
#include <QObject>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

inline long peakMemoryKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            // Leave after the paint has been delivered and flushed.
            QTimer::singleShot(0, [] {
                std::printf("peak_kib %ld\n", peakMemoryKiB());
                std::fflush(stdout);
                std::quick_exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }
};
