// Gauge paint arithmetic (see gauge_layout.h).
#include "gauge_layout.h"

#include <climits>

GaugeValues GaugeValuesFromWords(std::int64_t rangeWord, std::int64_t positionWord) {
  GaugeValues v;
  v.range = static_cast<unsigned>(rangeWord & 0xFFFF);
  v.position = static_cast<unsigned>(positionWord & 0xFFFF);
  if (v.range == 0) {  // nothing to divide by: paint an empty bar at 0 %
    v.range = 1;
    v.position = 0;
  }
  v.percent = static_cast<int>(v.position * 100u / v.range);  // at most 6553500
  return v;
}

int GaugeFillWidth(int width, const GaugeValues& values) {
  // 64 bits: a wide bar times a large position would not fit in 32.
  std::int64_t fill = std::int64_t(width) * values.position / values.range;
  if (fill > INT_MAX) return INT_MAX;
  if (fill < INT_MIN) return INT_MIN;
  return static_cast<int>(fill);
}

int GaugeTextTop(int height, int textHeight) {
  return (height - textHeight) / 2;  // truncates toward zero, also when negative
}
