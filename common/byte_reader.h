// The one checked reader for file bytes. ByteReader walks a block already in memory (a frame
// body, a header); ByteStream takes bytes one at a time from a run-time library stream. Both
// report running out as an ordinary outcome: reads past the end give 0 (ByteReader, with
// ok() turning false) or -1 (ByteStream), never bytes from outside the data.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

class ByteReader {
 public:
  ByteReader(const void* data, size_t size)
      : p_(static_cast<const uint8_t*>(data)), size_(size) {}

  size_t pos() const { return pos_; }
  size_t size() const { return size_; }
  size_t remaining() const { return size_ - pos_; }
  bool ok() const { return ok_; }
  bool has(size_t n) const { return n <= remaining(); }

  uint8_t u8() {
    if (!has(1)) return fail();
    return p_[pos_++];
  }
  int8_t s8() { return static_cast<int8_t>(u8()); }
  uint16_t le16() {
    if (!has(2)) return fail();
    uint16_t v = static_cast<uint16_t>(p_[pos_] | (p_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  int16_t sle16() { return static_cast<int16_t>(le16()); }
  uint32_t le32() {
    if (!has(4)) return fail();
    uint32_t v = uint32_t(p_[pos_]) | uint32_t(p_[pos_ + 1]) << 8 | uint32_t(p_[pos_ + 2]) << 16 |
                 uint32_t(p_[pos_ + 3]) << 24;
    pos_ += 4;
    return v;
  }
  // Copies n bytes out, or fails and copies nothing.
  bool read(void* dst, size_t n) {
    if (!has(n)) return fail(), false;
    std::memcpy(dst, p_ + pos_, n);
    pos_ += n;
    return true;
  }
  // A pointer to the next n bytes (which then count as read), or null.
  const uint8_t* take(size_t n) {
    if (!has(n)) return fail(), nullptr;
    const uint8_t* q = p_ + pos_;
    pos_ += n;
    return q;
  }
  bool skip(size_t n) { return take(n) != nullptr; }
  // Moves to an absolute offset inside the data.
  bool seek(size_t offset) {
    if (offset > size_) return fail(), false;
    pos_ = offset;
    return true;
  }

 private:
  uint8_t fail() {
    ok_ = false;
    pos_ = size_;
    return 0;
  }
  const uint8_t* p_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// Byte-at-a-time reads from a stdio stream without taking the stream lock for every byte.
class ByteStream {
 public:
  explicit ByteStream(FILE* f) : f_(f) {}
  // The next byte (0..255), or -1 at end of file or on a read error.
  int byte() {
#ifdef _WIN32
    return _getc_nolock(f_);
#else
    return getc_unlocked(f_);
#endif
  }
  bool eof() const { return feof(f_) != 0; }
  // The end of the file or a read error was met (a byte read as -1).
  bool failed() const { return feof(f_) != 0 || ferror(f_) != 0; }
  FILE* file() const { return f_; }

 private:
  FILE* f_;
};
