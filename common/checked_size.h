// Size arithmetic for image records: every product of file-given dimensions is formed in 64
// bits and refused when it cannot be represented in size_t or exceeds what we allow one
// allocation to take.
#pragma once
#include <cstddef>
#include <cstdint>

// The largest single image allocation we attempt. The fuzz targets lower it so that huge
// declared sizes are refused quickly instead of being zero-filled.
extern size_t g_maxImageBytes;

// a * b, or false when the result exceeds g_maxImageBytes (or size_t).
bool CheckedMul(uint64_t a, uint64_t b, size_t* out);
// a + b under the same limit.
bool CheckedAdd(uint64_t a, uint64_t b, size_t* out);
// Bytes of one DIB row: width * bitCount bits rounded up to a multiple of 32 bits.
bool DibRowStride(uint64_t width, unsigned bitCount, size_t* out);
// Row stride * rows plus a fixed header size, all checked.
bool DibBlockSize(uint64_t width, uint64_t height, unsigned bitCount, size_t headerBytes,
                  size_t* out);
