#include "support/temp_dir.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tunaro::test {

namespace fs = std::filesystem;

TTempDir::TTempDir() : TTempDir(fs::temp_directory_path().string()) {}

TTempDir::TTempDir(const std::string& parent) {
  std::string tmpl = (fs::path(parent) / "tunaro-test-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  Path_ = tmpl;
}

TTempDir::~TTempDir() {
  std::error_code ec;
  // Give back write permission that a test may have taken away, so that all can go.
  for (auto it = fs::recursive_directory_iterator(
           Path_, fs::directory_options::skip_permission_denied, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(Path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(Path_, ec);
}

std::string TTempDir::Write(std::string_view name, std::string_view bytes) const {
  const std::string path = *this / name;
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

std::string TTempDir::MakeDir(std::string_view name) const {
  const std::string path = *this / name;
  fs::create_directories(path);
  return path;
}

std::vector<std::string> TTempDir::List(std::string_view sub) const {
  std::vector<std::string> names;
  const std::string dir = sub.empty() ? Path_ : *this / sub;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

size_t OpenDescriptors() {
  size_t n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d) != nullptr) ++n;
    closedir(d);
  }
  return n;
}

std::string ID3v1Block(std::string_view title, std::string_view artist, std::string_view album,
                       std::string_view year, std::string_view comment, uint8_t track,
                       uint8_t genre) {
  std::string b(128, '\0');
  b.replace(0, 3, "TAG");
  auto put = [&](size_t at, std::string_view s, size_t width) {
    b.replace(at, std::min(s.size(), width), s.substr(0, width));
  };
  put(3, title, 30);
  put(33, artist, 30);
  put(63, album, 30);
  put(93, year, 4);
  put(97, comment, track ? 28 : 30);
  if (track) b[126] = static_cast<char>(track);
  b[127] = static_cast<char>(genre);
  return b;
}

std::string LE16(uint16_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8)};
}
std::string LE32(uint32_t v) {
  return LE16(static_cast<uint16_t>(v)) + LE16(static_cast<uint16_t>(v >> 16));
}

std::string APEItem(std::string_view key, std::string_view value, uint32_t flags) {
  return LE32(static_cast<uint32_t>(value.size())) + LE32(flags) + std::string(key) + '\0' +
         std::string(value);
}

std::string APETag(const std::vector<std::string>& items, uint32_t version, bool header,
                   int64_t count) {
  std::string body;
  for (const auto& item : items) body += item;
  const uint32_t n = count < 0 ? static_cast<uint32_t>(items.size()) : static_cast<uint32_t>(count);
  const uint32_t size = static_cast<uint32_t>(body.size() + 32);
  const uint32_t flags = header ? 1u << 31 : 0;
  const auto block = [&](uint32_t f) {
    return "APETAGEX" + LE32(version) + LE32(size) + LE32(n) + LE32(f) + std::string(8, '\0');
  };
  return (header ? block(flags | 1u << 29) : std::string()) + body + block(flags);
}

std::string ID3v2Tag(std::string_view title, std::string_view artist, size_t padding) {
  std::string frames;
  for (const auto& [id, text] : {std::pair{"TIT2", title}, std::pair{"TPE1", artist}}) {
    if (text.empty()) continue;
    const uint32_t n = static_cast<uint32_t>(text.size() + 1);  // encoding byte, then the text
    frames += std::string(id) + static_cast<char>(n >> 24) + static_cast<char>(n >> 16) +
              static_cast<char>(n >> 8) + static_cast<char>(n) + std::string(3, '\0') +
              std::string(text);
  }
  frames += std::string(padding, '\0');
  const size_t n = frames.size();  // sync-safe: seven bits a byte
  return std::string("ID3\x03\0\0", 6) + static_cast<char>(n >> 21 & 0x7F) +
         static_cast<char>(n >> 14 & 0x7F) + static_cast<char>(n >> 7 & 0x7F) +
         static_cast<char>(n & 0x7F) + frames;
}

std::string TaggedMp3(std::string_view artist, std::string_view title, uint8_t track) {
  return std::string(200, '\xFF') + ID3v1Block(title, artist, "", "", "", track);
}

}  // namespace tunaro::test
