#pragma once
// The game keeps every position and size in twips, 15 to a pixel at the 96 dots per inch the
// layout was made for; the window system works in pixels. Lengths are converted here only.

#include <cmath>
#include <stdexcept>

namespace quorvia {

inline constexpr double kTwipsPerPixel = 15.0;

// A length in whole pixels, rounded to the nearest.
inline int twipsToPixels(double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

// A length in pixels, not rounded: for lines, which may fall between pixels.
inline double twipsToExactPixels(double twips) { return twips / kTwipsPerPixel; }

inline double pixelsToTwips(double pixels) { return pixels * kTwipsPerPixel; }

// A designed length in twips, which must be a whole number of pixels. Designed places are
// checked while the program is built, so a slip in one (a length between two pixels) stops
// the build instead of drawing a pixel off.
consteval int wholePixelTwips(int twips) {
    return twips % static_cast<int>(kTwipsPerPixel) == 0 ? twips : throw std::invalid_argument("not a whole pixel");
}

}  // namespace quorvia
