// The arithmetic of a gauge paint: which range and position are painted, the percentage,
// the width of the filled part and the text's top. Kept apart from the window code so it
// also builds natively for unit tests under the sanitizers.
#pragma once

#include <cstdint>

struct GaugeValues {
  unsigned range;     // low 16 bits of the range word, 1 in place of 0
  unsigned position;  // low 16 bits of the position word, 0 when the range was 0
  int percent;        // position * 100 / range, truncated, not clamped
};

// From the answers to UM_GETRANGE and UM_GETPOS (full stored values; only their low 16 bits
// are painted).
GaugeValues GaugeValuesFromWords(std::int64_t rangeWord, std::int64_t positionWord);

// Width of the filled part of a bar `width` pixels wide: width * position / range, truncated.
// Not clamped to the bar; saturates at INT_MAX instead of overflowing.
int GaugeFillWidth(int width, const GaugeValues& values);

// Top of the text for a bar `height` high whose "X" is `textHeight` high (may be negative
// when the font is taller than the bar).
int GaugeTextTop(int height, int textHeight);
