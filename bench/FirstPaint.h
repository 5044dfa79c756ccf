#pragma once
// Ends a start-up measurement at a window's first paint: prints the time from the launch
// (the parent's CLOCK_MONOTONIC reading in BENCH_LAUNCH_NS, taken just before it starts the
// process) to the painted and flushed frame, and the process's peak memory (VmHWM, KiB),
// then leaves at once. Timing inside the child keeps the parent's own costs of reading the
// output and reaping the process out of the figure.

#include <QEvent>
#include <QObject>
#include <QTimer>

#include <time.h>

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

// Milliseconds since the launch, or -1 when the parent gave no launch time.
inline double msSinceLaunch() {
    const char* launch = std::getenv("BENCH_LAUNCH_NS");
    if (launch == nullptr) return -1;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long nowNs = static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
    return static_cast<double>(nowNs - std::strtoll(launch, nullptr, 10)) / 1e6;
}

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            // Leave after the paint has been delivered and flushed.
            QTimer::singleShot(0, [] {
                std::printf("first_paint_ms %.3f\n", msSinceLaunch());
                std::printf("peak_kib %ld\n", peakMemoryKiB());
                std::fflush(stdout);
                std::quick_exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }
};
