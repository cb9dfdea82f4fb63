// Real temporary folders and files for the tests, removed again when the test ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tunaro::test {

class TTempDir {
 public:
  TTempDir();
  // A folder inside `parent` (e.g. a memory file system, for tests that rename a great deal).
  explicit TTempDir(const std::string& parent);
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  // The folder, without a trailing "/".
  const std::string& Path() const { return Path_; }
  // Full path of a name inside the folder.
  std::string operator/(std::string_view name) const { return Path_ + "/" + std::string(name); }

  // Writes a file (creating folders on the way) and returns its full path.
  std::string Write(std::string_view name, std::string_view bytes) const;
  std::string MakeDir(std::string_view name) const;
  // Names in the folder, sorted.
  std::vector<std::string> List(std::string_view sub = "") const;

 private:
  std::string Path_;
};

std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// How many descriptors the process has open now.
size_t OpenDescriptors();

// A 128-byte ID3v1.1 block (track given) or ID3v1.0 block (track 0).
std::string ID3v1Block(std::string_view title, std::string_view artist, std::string_view album = "",
                       std::string_view year = "", std::string_view comment = "", uint8_t track = 0,
                       uint8_t genre = 255);

// Little-endian numbers as bytes.
std::string LE16(uint16_t v);
std::string LE32(uint32_t v);

// One APE tag item: value size, item flags, key, a zero byte, value.
std::string APEItem(std::string_view key, std::string_view value, uint32_t flags = 0);
// An APE tag of the given items: a header when asked for (APEv2 only), then the items and
// the footer. The footer's item count is the number of items unless given.
std::string APETag(const std::vector<std::string>& items, uint32_t version = 2000,
                   bool header = false, int64_t count = -1);

// An ID3v2.3 tag of two legacy text frames, TIT2 and TPE1 (an empty text leaves its frame
// out), and `padding` zero bytes.
std::string ID3v2Tag(std::string_view title, std::string_view artist = "", size_t padding = 0);

// Some audio-like bytes followed by an ID3v1 tag: a small MP3 file as the rename run sees it.
std::string TaggedMp3(std::string_view artist, std::string_view title, uint8_t track = 0);

}  // namespace tunaro::test
