// The one way the tag readers touch a file: read-only, regular files only, every read
// bounded by the caller's buffer and the file's end, and the file closed by the destructor
// on every path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/fs.h"

namespace tunaro::tags {

class TReadOnlyFile {
 public:
  TReadOnlyFile() = default;
  ~TReadOnlyFile();
  TReadOnlyFile(const TReadOnlyFile&) = delete;
  TReadOnlyFile& operator=(const TReadOnlyFile&) = delete;

  // Opens for reading only. Anything but a regular file (or a link to one) is refused before
  // it is opened, so a FIFO or device named like an audio file is never touched.
  // `listedRegular`: a folder listing just called the name a regular file of its own, which
  // saves a look at the name (platform::OpenRegularFile).
  bool Open(const std::string& path, bool listedRegular = false);
  bool IsOpen() const { return Fd_ >= 0; }
  // Size in bytes at open time.
  int64_t Size() const { return Size_; }
  // What the look before the last successful Open saw of the name (kept after Close): the stamp
  // that tells whether the file is still the one read, and the name's own attributes (a link is
  // never read-only). The rename run takes them from here rather than asking the system again.
  const platform::TFileStamp& Stamp() const { return Stamp_; }
  // Whether a read since the last Open had to wait for the disk: the file was not cached.
  bool Waited() const { return Waited_; }
  int32_t OwnAttributes() const { return OwnAttributes_; }

  // Reads up to `count` bytes at `offset` into `buffer`; returns the number read (short at
  // the end of the file), or -1 on an error or a negative offset.
  int64_t ReadAt(int64_t offset, void* buffer, size_t count);
  // Reads exactly `count` bytes at `offset`; false on any shortfall.
  bool ReadExactAt(int64_t offset, void* buffer, size_t count);

  // A stream position for readers that walk the file front to back.
  bool Seek(int64_t position);  // false for a negative position
  int64_t Position() const { return Position_; }
  bool AtEnd() const { return Position_ >= Size_; }
  // Advances by the bytes read. Small reads are served from a read-ahead window, so that a
  // walk over many tiny frames or chunks costs few system calls.
  int64_t Read(void* buffer, size_t count);
  bool ReadExact(void* buffer, size_t count);
  // Puts the bytes from `offset` (0 where it is negative) on, up to `count` of them and the
  // file's end, into the read-ahead window in one read, unless the window holds them already:
  // a reader that looks at several places close together (the tags at a file's end) then
  // costs one system call. False on a read error.
  bool Prefetch(int64_t offset, size_t count);

  void Close();

 private:
  // The window starts small (most walks end within a few frames) and doubles up to the max.
  static constexpr size_t kFirstWindow = 4 * 1024;
  static constexpr size_t kMaxWindow = 64 * 1024;

  int Fd_ = -1;
  int64_t Size_ = 0;
  platform::TFileStamp Stamp_;
  bool Waited_ = false;
  int32_t OwnAttributes_ = -1;
  int64_t Position_ = 0;
  std::unique_ptr<uint8_t[]> Window_;
  size_t WindowCapacity_ = 0;
  int64_t WindowStart_ = 0;
  size_t WindowLength_ = 0;
};

// A file size as the readers' 32-bit size fields hold it: sizes beyond 2 GiB - 1 stop there.
inline int32_t ClampedFileSize(int64_t size) {
  return size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(size);
}

// Reads numbers and bytes out of a block already in memory. Every getter checks the bytes
// that remain; a read past the end fails (returns false) and leaves the position alone.
class TByteReader {
 public:
  TByteReader(const uint8_t* data, size_t size) : Data_(data), Size_(size) {}

  size_t Position() const { return Pos_; }
  size_t Remaining() const { return Size_ - Pos_; }
  bool Seek(size_t position);
  bool Skip(size_t count);

  bool U8(uint8_t& value);
  bool U16LE(uint16_t& value);
  bool U16BE(uint16_t& value);
  bool U32LE(uint32_t& value);
  bool U32BE(uint32_t& value);
  // Takes `count` bytes as text.
  bool Bytes(size_t count, std::string& out);
  // Takes at most `count` bytes, cut at the end of the block; returns how many were taken.
  size_t BytesUpTo(size_t count, std::string& out);
  // A view of `count` bytes at the position, without moving; nullptr past the end.
  const uint8_t* Peek(size_t count) const;

 private:
  const uint8_t* Data_;
  size_t Size_;
  size_t Pos_ = 0;
};

// Little- and big-endian values of a fixed array, for headers read whole.
inline uint16_t LoadU16LE(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint16_t LoadU16BE(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
inline uint32_t LoadU32LE(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint32_t LoadU32BE(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

}  // namespace tunaro::tags
