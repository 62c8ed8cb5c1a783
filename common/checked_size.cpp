// Overflow-checked size arithmetic (see checked_size.h).
#include "checked_size.h"

size_t g_maxImageBytes = sizeof(size_t) > 4 ? (size_t(1) << 31) : 0x60000000u;

bool CheckedMul(uint64_t a, uint64_t b, size_t* out) {
  if (a != 0 && b > UINT64_MAX / a) return false;
  uint64_t r = a * b;
  if (r > g_maxImageBytes || r > SIZE_MAX) return false;
  *out = static_cast<size_t>(r);
  return true;
}

bool CheckedAdd(uint64_t a, uint64_t b, size_t* out) {
  if (a > UINT64_MAX - b) return false;
  uint64_t r = a + b;
  if (r > g_maxImageBytes || r > SIZE_MAX) return false;
  *out = static_cast<size_t>(r);
  return true;
}

bool DibRowStride(uint64_t width, unsigned bitCount, size_t* out) {
  if (width > UINT32_MAX || bitCount == 0 || bitCount > 32) return false;
  uint64_t bits = width * bitCount;  // below 2^37, cannot overflow
  uint64_t bytes = (bits + 31) / 32 * 4;
  if (bytes > g_maxImageBytes) return false;
  *out = static_cast<size_t>(bytes);
  return true;
}

bool DibBlockSize(uint64_t width, uint64_t height, unsigned bitCount, size_t headerBytes,
                  size_t* out) {
  size_t stride, area;
  return DibRowStride(width, bitCount, &stride) && CheckedMul(stride, height, &area) &&
         CheckedAdd(area, headerBytes, out);
}
