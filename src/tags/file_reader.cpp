#include "tags/file_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/fs.h"

namespace tunaro::tags {

TReadOnlyFile::~TReadOnlyFile() {
  Close();
}

bool TReadOnlyFile::Open(const std::string& path, bool listedRegular) {
  Close();
  Stamp_ = {};
  OwnAttributes_ = -1;
  Waited_ = false;
  platform::TReadableFile file;
  if (platform::OpenRegularFile(path, file, listedRegular) != 0) return false;
  Fd_ = file.Fd;
  Size_ = file.Size;
  Stamp_ = file.Stamp;
  OwnAttributes_ = file.OwnAttributes;
  Position_ = 0;
  return true;
}

int64_t TReadOnlyFile::ReadAt(int64_t offset, void* buffer, size_t count) {
  if (Fd_ < 0 || offset < 0) return -1;
  auto* out = static_cast<uint8_t*>(buffer);
  // What the read-ahead window holds costs no system call: for a small file the first
  // window is the whole file, ID3v1 and APE tags at its end included.
  if (WindowLength_ > 0 && offset >= WindowStart_ &&
      offset + static_cast<int64_t>(count) <= WindowStart_ + static_cast<int64_t>(WindowLength_)) {
    std::memcpy(out, Window_.get() + (offset - WindowStart_), count);
    return static_cast<int64_t>(count);
  }
  // Never past the size seen at open: there is nothing to read there, and a network file
  // system (FUSE) asks its server for the file's size anew on a read that reaches beyond it.
  if (offset >= Size_) return 0;
  count = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), Size_ - offset));
  size_t done = 0;
  while (done < count) {
    const int64_t n = platform::ReadFileAt(Fd_, offset + static_cast<int64_t>(done), out + done,
                                           count - done, &Waited_);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
    // At the size seen at open a short read is the end: asking again would only return 0.
    if (offset + static_cast<int64_t>(done) >= Size_) break;
  }
  return static_cast<int64_t>(done);
}

bool TReadOnlyFile::ReadExactAt(int64_t offset, void* buffer, size_t count) {
  return ReadAt(offset, buffer, count) == static_cast<int64_t>(count);
}

bool TReadOnlyFile::Seek(int64_t position) {
  if (Fd_ < 0 || position < 0) return false;
  Position_ = position;
  return true;
}

int64_t TReadOnlyFile::Read(void* buffer, size_t count) {
  if (Fd_ < 0) return -1;
  if (count >= kMaxWindow / 4) {
    const int64_t n = ReadAt(Position_, buffer, count);
    if (n > 0) Position_ += n;
    return n;
  }
  const bool inWindow =
      Position_ >= WindowStart_ &&
      Position_ + static_cast<int64_t>(count) <= WindowStart_ + static_cast<int64_t>(WindowLength_);
  if (!inWindow) {
    const size_t want =
        WindowCapacity_ == 0 ? kFirstWindow : std::min(kMaxWindow, WindowCapacity_ * 2);
    if (want != WindowCapacity_) {
      Window_ = std::make_unique_for_overwrite<uint8_t[]>(want);
      WindowCapacity_ = want;
    }
    WindowLength_ = 0;  // the fill must not be served from the window it replaces
    const int64_t n = ReadAt(Position_, Window_.get(), WindowCapacity_);
    if (n < 0) return -1;
    WindowStart_ = Position_;
    WindowLength_ = static_cast<size_t>(n);
  }
  const size_t offset = static_cast<size_t>(Position_ - WindowStart_);
  const size_t n = std::min(count, WindowLength_ - offset);
  std::memcpy(buffer, Window_.get() + offset, n);
  Position_ += static_cast<int64_t>(n);
  return static_cast<int64_t>(n);
}

bool TReadOnlyFile::ReadExact(void* buffer, size_t count) {
  return Read(buffer, count) == static_cast<int64_t>(count);
}

bool TReadOnlyFile::Prefetch(int64_t offset, size_t count) {
  if (Fd_ < 0) return false;
  offset = std::clamp<int64_t>(offset, 0, Size_);
  const size_t bytes =
      static_cast<size_t>(std::min<int64_t>(std::min(count, kMaxWindow), Size_ - offset));
  if (bytes == 0 ||
      (offset >= WindowStart_ &&
       offset + static_cast<int64_t>(bytes) <= WindowStart_ + static_cast<int64_t>(WindowLength_)))
    return true;
  if (bytes > WindowCapacity_) {
    Window_ = std::make_unique_for_overwrite<uint8_t[]>(bytes);
    WindowCapacity_ = bytes;
  }
  WindowLength_ = 0;  // the fill must not be served from the window it replaces
  const int64_t n = ReadAt(offset, Window_.get(), bytes);
  if (n < 0) return false;
  WindowStart_ = offset;
  WindowLength_ = static_cast<size_t>(n);
  return true;
}

void TReadOnlyFile::Close() {
  if (Fd_ >= 0) platform::CloseFile(Fd_);
  Fd_ = -1;
  Size_ = 0;
  Position_ = 0;
  WindowCapacity_ = 0;
  Window_.reset();
  WindowStart_ = 0;
  WindowLength_ = 0;
}

bool TByteReader::Seek(size_t position) {
  if (position > Size_) return false;
  Pos_ = position;
  return true;
}

bool TByteReader::Skip(size_t count) {
  if (count > Remaining()) return false;
  Pos_ += count;
  return true;
}

const uint8_t* TByteReader::Peek(size_t count) const {
  return count <= Remaining() ? Data_ + Pos_ : nullptr;
}

bool TByteReader::U8(uint8_t& value) {
  const uint8_t* p = Peek(1);
  if (p == nullptr) return false;
  value = *p;
  Pos_ += 1;
  return true;
}

bool TByteReader::U16LE(uint16_t& value) {
  const uint8_t* p = Peek(2);
  if (p == nullptr) return false;
  value = LoadU16LE(p);
  Pos_ += 2;
  return true;
}

bool TByteReader::U16BE(uint16_t& value) {
  const uint8_t* p = Peek(2);
  if (p == nullptr) return false;
  value = LoadU16BE(p);
  Pos_ += 2;
  return true;
}

bool TByteReader::U32LE(uint32_t& value) {
  const uint8_t* p = Peek(4);
  if (p == nullptr) return false;
  value = LoadU32LE(p);
  Pos_ += 4;
  return true;
}

bool TByteReader::U32BE(uint32_t& value) {
  const uint8_t* p = Peek(4);
  if (p == nullptr) return false;
  value = LoadU32BE(p);
  Pos_ += 4;
  return true;
}

bool TByteReader::Bytes(size_t count, std::string& out) {
  const uint8_t* p = Peek(count);
  if (p == nullptr) return false;
  out.assign(reinterpret_cast<const char*>(p), count);
  Pos_ += count;
  return true;
}

size_t TByteReader::BytesUpTo(size_t count, std::string& out) {
  const size_t n = count < Remaining() ? count : Remaining();
  out.assign(reinterpret_cast<const char*>(Data_ + Pos_), n);
  Pos_ += n;
  return n;
}

}  // namespace tunaro::tags
