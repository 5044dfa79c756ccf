#include "board/Background.h"

#include "app/Numbers.h"

#include <algorithm>
#include <cmath>

namespace quorvia {

namespace {

std::uint8_t level(float a) {
    const double b = roundHalfEven(2.0 * static_cast<double>(a));
    if (b > 255.0) return 255;
    if (b < 0.0) return 0;
    return static_cast<std::uint8_t>(b);
}

}  // namespace

std::vector<std::uint8_t> bandLevels(int H) {
    if (H < 0) return {};
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(H) + 1, 0);
    const float step = H == 0 ? 0.0f : static_cast<float>(255.0 / H);
    float a = 0.0f;
    const int M = static_cast<int>(roundHalfEven(H / 2.0));
    for (int y = 0; y <= M; ++y) {
        rows[static_cast<std::size_t>(y)] = level(a);
        a = a + step;
    }
    for (int y = M; y <= H; ++y) {
        rows[static_cast<std::size_t>(y)] = level(a);
        a = a - step;
    }
    return rows;
}

int pixelRowToTwipRow(int p, int rows, int H) {
    if (rows <= 1 || H <= 0) return 0;
    p = std::clamp(p, 0, rows - 1);
    const int M = static_cast<int>(roundHalfEven(H / 2.0));
    const int half = rows / 2;
    if (p <= half) return static_cast<int>(std::lround(static_cast<double>(p) * M / half));
    const int rest = rows - 1 - half;
    return M + static_cast<int>(std::lround(static_cast<double>(p - half) * (H - M) / rest));
}

}  // namespace quorvia
