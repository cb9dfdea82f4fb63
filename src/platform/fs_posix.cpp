#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <wctype.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>

#include "platform/fs.h"
#include "platform/fs_calls.h"

namespace tunaro::platform {

namespace {

std::string_view BaseName(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

int32_t AttributesFromMode(uint32_t mode, std::string_view path) {
  int32_t attr = 0;
  if (S_ISDIR(mode))
    attr |= faDirectory;
  else
    attr |= faArchive;
  if ((mode & S_IWUSR) == 0) attr |= faReadOnly;
  const std::string_view name = BaseName(path);
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") attr |= faHidden;
  return attr;
}

int32_t GetAttributes(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return -1;
  return AttributesFromMode(st.st_mode, path);
}

int32_t GetOwnAttributes(const std::string& path) {
  TFileStamp stamp;
  int32_t attributes = -1;
  return LookAtFile(path, stamp, attributes) == 0 ? attributes : -1;
}

int SetAttributes(const std::string& path, int32_t attributes) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return errno;
  mode_t mode = st.st_mode & 07777;
  if (attributes & faReadOnly)
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  else
    mode |= S_IWUSR;
  if (mode == (st.st_mode & 07777)) return 0;
  return chmod(path.c_str(), mode) == 0 ? 0 : errno;
}

int AttributesChangeable(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return errno;
  // Only the owner (or root) may change a file's mode.
  const uid_t user = geteuid();
  if (user != 0 && st.st_uid != user) return EPERM;
  struct statvfs fs;
  if (statvfs(path.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0) return EROFS;
  return 0;
}

TDirReader::~TDirReader() {
  Close();
}

namespace {

TEntryKind KindOf(DIR* dir, const dirent* d) {
  switch (d->d_type) {
    case DT_REG:
      return TEntryKind::File;
    case DT_DIR:
      return TEntryKind::Directory;
    case DT_LNK:
    case DT_UNKNOWN: {
      // Follow the link (or ask the inode) to learn what the entry really is.
      struct stat st;
      if (fstatat(dirfd(dir), d->d_name, &st, 0) != 0) return TEntryKind::Other;
      if (S_ISREG(st.st_mode)) return TEntryKind::File;
      if (S_ISDIR(st.st_mode)) return TEntryKind::Directory;
      return TEntryKind::Other;
    }
    default:
      return TEntryKind::Other;
  }
}

// The first eight bytes of a name (or of its rest) as a big-endian number, zero past the end.
uint64_t HeadKey(const char* name, size_t length) {
  if (length >= 8) {
    uint64_t key;
    std::memcpy(&key, name, 8);
    return __builtin_bswap64(key);
  }
  uint64_t key = 0;
  for (size_t i = 0; i < 8; ++i) key = key << 8 | (i < length ? static_cast<uint8_t>(name[i]) : 0);
  return key;
}

}  // namespace

// The whole folder is read at once and sorted: a list is shown whole anyway, and the names
// in one buffer cost little more than the readdir loop itself.
bool TDirReader::Open(const std::string& folder) {
  Close();
  DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
  if (dir == nullptr) return false;
  struct stat st;
  if (fstat(dirfd(dir), &st) == 0) {
    HaveIdentity_ = true;
    Device_ = st.st_dev;
    Inode_ = st.st_ino;
    // A folder's size is about what its entries take: room for them all at once spares the
    // copies (and, for large ones, the fresh pages) of growing. Untouched room costs nothing.
    const size_t room = static_cast<size_t>(std::min<off_t>(st.st_size, off_t{1} << 28));
    Items_.reserve(room / 16);  // an entry takes 16 bytes or more
    Names_.reserve(room);
  }
  size_t common = SIZE_MAX;  // bytes that every name shares at its start
  while (const dirent* d = readdir(dir)) {
    const char* n = d->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    const size_t length = std::strlen(n);
    if (Items_.empty()) {
      common = length;
    } else {
      size_t same = 0;
      while (same < common && same < length && n[same] == Names_[same]) ++same;
      common = same;
    }
    Items_.push_back(
        {0, static_cast<uint32_t>(Names_.size()), static_cast<uint16_t>(length), KindOf(dir, d)});
    Names_.append(n, length);
  }
  closedir(dir);
  SortByName(common == SIZE_MAX ? 0 : common);
  return true;
}

// Byte order of the names. The eight bytes after the start all names share decide most
// comparisons; a radix sort on them costs a few passes instead of a comparison sort's
// mispredicted branches, and only names equal there are compared further. Names never hold
// a zero byte, so of two names equal up to where one ends (zero-padded), the shorter is a
// prefix of the other.
void TDirReader::SortByName(size_t common) {
  const char* names = Names_.data();
  uint64_t all = ~uint64_t{0}, any = 0;
  for (TItem& item : Items_) {
    item.Head = HeadKey(names + item.Offset + common, item.Length - common);
    all &= item.Head;
    any |= item.Head;
  }
  std::vector<TItem> scratch(Items_.size());
  for (int shift = 0; shift < 64; shift += 8) {
    if (((all ^ any) >> shift & 0xFF) == 0) continue;  // the same byte in every key
    size_t start[257] = {};
    for (const TItem& item : Items_) ++start[(item.Head >> shift & 0xFF) + 1];
    for (size_t i = 1; i < 257; ++i) start[i] += start[i - 1];
    for (const TItem& item : Items_) scratch[start[item.Head >> shift & 0xFF]++] = item;
    Items_.swap(scratch);
  }
  const size_t from = common + 8;
  auto rest = [names, from](const TItem& x) {
    return x.Length <= from ? std::string_view()
                            : std::string_view(names + x.Offset + from, x.Length - from);
  };
  for (size_t i = 0; i < Items_.size();) {
    size_t j = i + 1;
    while (j < Items_.size() && Items_[j].Head == Items_[i].Head) ++j;
    if (j - i > 1)
      std::sort(Items_.begin() + i, Items_.begin() + j,
                [&rest](const TItem& x, const TItem& y) { return rest(x) < rest(y); });
    i = j;
  }
}

bool TDirReader::Next(TDirEntry& entry) {
  if (Next_ >= Items_.size()) return false;
  const TItem& item = Items_[Next_++];
  entry.Name = std::string_view(Names_.data() + item.Offset, item.Length);
  entry.Kind = item.Kind;
  return true;
}

bool TDirReader::Identity(uint64_t& device, uint64_t& inode) const {
  if (!HaveIdentity_) return false;
  device = Device_;
  inode = Inode_;
  return true;
}

void TDirReader::Close() {
  HaveIdentity_ = false;
  Names_.clear();
  Items_.clear();
  Next_ = 0;
}

bool MatchesMask(std::string_view name, std::string_view mask) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  // Iterative wildcard match with one backtracking point for the last '*'.
  size_t n = 0, m = 0, starM = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || lower(mask[m]) == lower(name[n]))) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starM = m++;
      starN = n;
    } else if (starM != std::string_view::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

namespace {

int SystemRenameNoReplace(const char* from, const char* to) {
  return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}
int SystemRename(const char* from, const char* to) {
  return rename(from, to);
}
int SystemLink(const char* from, const char* to) {
  return link(from, to);
}
int SystemUnlink(const char* path) {
  return unlink(path);
}

// What a file system refused, learned per device. Knowing too little or the wrong thing
// (a device number reused by another mount) is never unsafe: every way of renaming below
// refuses to replace on its own, so a wrong guess costs only a failing call.
struct TRefused {
  bool NoReplaceFlag = false;
  bool HardLinks = false;
};

struct TAbilityCache {
  std::mutex Lock;
  std::vector<std::pair<dev_t, TRefused>> Devices;
  // A run renames folder by folder: the last folder's device spares a stat per file.
  std::string LastFolder;
  dev_t LastDevice = 0;
  bool HaveLast = false;
};

TAbilityCache& Abilities() {
  static TAbilityCache cache;
  return cache;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The device of the folder holding the path; false when the folder cannot be read.
bool FolderDevice(const std::string& path, dev_t& device) {
  std::string folder = FolderOf(path);
  TAbilityCache& cache = Abilities();
  std::lock_guard lock(cache.Lock);
  if (cache.HaveLast && cache.LastFolder == folder) {
    device = cache.LastDevice;
    return true;
  }
  struct stat st;
  if (stat(folder.c_str(), &st) != 0) return false;
  cache.LastFolder = std::move(folder);
  cache.LastDevice = device = st.st_dev;
  cache.HaveLast = true;
  return true;
}

TRefused RefusedOn(dev_t device) {
  TAbilityCache& cache = Abilities();
  std::lock_guard lock(cache.Lock);
  for (const auto& [dev, refused] : cache.Devices)
    if (dev == device) return refused;
  return {};
}

void LearnRefused(dev_t device, bool TRefused::*what) {
  TAbilityCache& cache = Abilities();
  std::lock_guard lock(cache.Lock);
  for (auto& [dev, refused] : cache.Devices)
    if (dev == device) {
      refused.*what = true;
      return;
    }
  cache.Devices.emplace_back(device, TRefused{});
  cache.Devices.back().second.*what = true;
}

// renameat2 without the flag: file systems that lack it (FUSE, ntfs-3g, network shares) say
// EINVAL; old kernels ENOSYS; seccomp filters of older container runtimes EPERM.
bool FlagRefused(int err) {
  return err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EPERM;
}

// link without hard links: exFAT, vfat and many FUSE file systems say EPERM.
bool LinksRefused(int err) {
  return err == EPERM || err == EOPNOTSUPP || err == ENOSYS;
}

// One code point of UTF-8 at `at`, or -1 for a byte that does not start one.
int32_t DecodeUtf8(std::string_view s, size_t& at) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
  const uint8_t b = byte(at);
  const size_t length = b < 0x80         ? 1
                        : (b >> 5) == 6  ? 2
                        : (b >> 4) == 14 ? 3
                        : (b >> 3) == 30 ? 4
                                         : 0;
  if (length == 0 || at + length > s.size()) return -1;
  int32_t c = length == 1 ? b : b & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return -1;
    c = c << 6 | (byte(at + i) & 0x3F);
  }
  at += length;
  return c;
}

// Names equal but for letter case: Unicode letters as the UTF-8 locale lowers them (ASCII
// alone where that locale is missing); bytes that are not UTF-8 must be equal.
bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  const auto lower = [](int32_t c) -> int32_t {
    if (c >= 'A' && c <= 'Z') return c + 32;
    return utf8 != nullptr ? static_cast<int32_t>(towlower_l(static_cast<wint_t>(c), utf8)) : c;
  };
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const size_t i0 = i, j0 = j;
    const int32_t x = DecodeUtf8(a, i), y = DecodeUtf8(b, j);
    if (x < 0 || y < 0) {
      if (a[i0] != b[j0]) return false;
      i = i0 + 1;
      j = j0 + 1;
    } else if (x != y && lower(x) != lower(y)) {
      return false;
    }
  }
  return i == a.size() && j == b.size();
}

// Whether the folder lists `name` spelt exactly so, and whether it lists `other` so.
void ListedExactly(const std::string& folder, std::string_view name, std::string_view other,
                   bool& hasName, bool& hasOther) {
  hasName = hasOther = false;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* d = readdir(dir)) {
    if (name == d->d_name) hasName = true;
    if (other == d->d_name) hasOther = true;
  }
  closedir(dir);
}

// The error a refusing call gave, unless the taken name is the file's own in another case:
// then the file gets the new spelling.
int TakenUnlessCaseOnly(int err, const std::string& oldPath, const std::string& newPath) {
  if (err != EEXIST || !IsCaseOnlyRename(oldPath, newPath)) return err;
  return FsCalls().Rename(oldPath.c_str(), newPath.c_str()) == 0 ? 0 : errno;
}

// Where neither the flag nor hard links are there: the new name is claimed by creating it
// exclusively, as an empty placeholder, and the file is renamed over the placeholder.
// The race that remains: another process that deletes the placeholder and puts a file of its
// own under the name in the moment between the two calls has that file replaced. rename()
// cannot say "only over this file"; the window is two system calls wide and needs a process
// that deletes a file it did not make. A crash in it leaves the empty placeholder beside the
// untouched file.
int RenameOverPlaceholder(const std::string& oldPath, const std::string& newPath) {
  const int fd = open(newPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return TakenUnlessCaseOnly(errno, oldPath, newPath);
  struct stat placeholder;
  const bool known = fstat(fd, &placeholder) == 0;
  close(fd);
  if (FsCalls().Rename(oldPath.c_str(), newPath.c_str()) == 0) return 0;
  const int err = errno;
  // Only the placeholder goes: a network share may report an error for a rename it did, and
  // then the name holds the file itself.
  struct stat now;
  if (known && lstat(newPath.c_str(), &now) == 0 && S_ISREG(now.st_mode) && now.st_size == 0 &&
      now.st_dev == placeholder.st_dev && now.st_ino == placeholder.st_ino)
    FsCalls().Unlink(newPath.c_str());
  return err;
}

}  // namespace

TFsCalls SystemFsCalls() {
  return {SystemRenameNoReplace, SystemRename, SystemLink, SystemUnlink};
}

TFsCalls& FsCalls() {
  static TFsCalls calls = SystemFsCalls();
  return calls;
}

void ForgetFileSystemAbilities() {
  TAbilityCache& cache = Abilities();
  std::lock_guard lock(cache.Lock);
  cache.Devices.clear();
  cache.HaveLast = false;
}

bool IsCaseOnlyRename(const std::string& oldPath, const std::string& newPath) {
  const size_t slash = oldPath.find_last_of('/');
  const size_t newSlash = newPath.find_last_of('/');
  if (oldPath == newPath || slash != newSlash ||
      (slash != std::string::npos && oldPath.compare(0, slash, newPath, 0, slash) != 0))
    return false;
  struct stat a, b;
  if (lstat(oldPath.c_str(), &a) != 0 || lstat(newPath.c_str(), &b) != 0 || a.st_dev != b.st_dev)
    return false;
  // One inode with one name: the file system found the file itself under the new name.
  if (a.st_ino == b.st_ino && a.st_nlink == 1) return true;
  const size_t from = slash == std::string::npos ? 0 : slash + 1;
  const std::string_view oldName = std::string_view(oldPath).substr(from);
  const std::string_view newName = std::string_view(newPath).substr(from);
  if (!EqualIgnoringCase(oldName, newName)) return false;
  // Hard links share the inode; FUSE file systems without inode numbers of their own
  // (exfat-fuse, sshfs) number each name apart. Either way the folder decides: the file
  // itself is listed under its old spelling and nothing under the new one, which only a
  // case-insensitive lookup then resolves. A folder read per such rename, on those alone.
  if (a.st_ino != b.st_ino &&
      (a.st_mode != b.st_mode || a.st_size != b.st_size || a.st_nlink != b.st_nlink ||
       a.st_mtim.tv_sec != b.st_mtim.tv_sec || a.st_mtim.tv_nsec != b.st_mtim.tv_nsec))
    return false;
  bool hasOld = false, hasNew = false;
  ListedExactly(FolderOf(oldPath), oldName, newName, hasOld, hasNew);
  return hasOld && !hasNew;
}

// Three ways that cannot replace, in this order, each tried on a file system until it refuses:
// renameat2 with RENAME_NOREPLACE; a hard link under the new name and then the old name
// dropped; and a placeholder claimed exclusively and renamed over (see above).
int RenameNoReplace(const std::string& oldPath, const std::string& newPath) {
  if (oldPath == newPath) {
    struct stat st;
    return lstat(oldPath.c_str(), &st) == 0 ? 0 : errno;
  }
  const TFsCalls& calls = FsCalls();
  const char* from = oldPath.c_str();
  const char* to = newPath.c_str();
  dev_t device = 0;
  const bool known = FolderDevice(oldPath, device);
  const TRefused refused = known ? RefusedOn(device) : TRefused{};
  if (!refused.NoReplaceFlag) {
    if (calls.RenameNoReplace(from, to) == 0) return 0;
    const int err = errno;
    if (!FlagRefused(err)) return TakenUnlessCaseOnly(err, oldPath, newPath);
    if (known) LearnRefused(device, &TRefused::NoReplaceFlag);
  }
  if (!refused.HardLinks) {
    if (calls.Link(from, to) == 0) {
      if (calls.Unlink(from) == 0) return 0;
      const int err = errno;
      calls.Unlink(to);  // undo the link; the file keeps its old name
      return err;
    }
    const int err = errno;
    if (!LinksRefused(err)) return TakenUnlessCaseOnly(err, oldPath, newPath);
    if (known) LearnRefused(device, &TRefused::HardLinks);
  }
  return RenameOverPlaceholder(oldPath, newPath);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

int FolderState(const std::string& path) {
  struct stat st;
  if (stat(path.empty() ? "/" : path.c_str(), &st) != 0) return errno;
  return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

namespace {

TFileStamp StampOf(const struct stat& st) {
  return {st.st_dev,
          st.st_ino,
          st.st_size,
          st.st_mtim.tv_sec * 1'000'000'000 + st.st_mtim.tv_nsec,
          st.st_ctim.tv_sec * 1'000'000'000 + st.st_ctim.tv_nsec,
          S_ISLNK(st.st_mode)};
}

}  // namespace

int LookAtFile(const std::string& path, TFileStamp& stamp, int32_t& ownAttributes) {
  struct stat own;
  if (lstat(path.c_str(), &own) != 0) return errno;
  stamp = StampOf(own);
  ownAttributes = AttributesFromMode(own.st_mode, path);
  return 0;
}

int OpenRegularFile(const std::string& path, TReadableFile& file) {
  file = {};
  struct stat own;
  if (lstat(path.c_str(), &own) != 0) return errno;
  struct stat target = own;
  if (S_ISLNK(own.st_mode) && stat(path.c_str(), &target) != 0) return errno;
  if (!S_ISREG(target.st_mode)) return EACCES;
  // O_NONBLOCK: should a FIFO take the file's place after the look, the open must not wait.
  // The look's size bounds every read, so whatever took the place in between is read no
  // further than the file was long; the look is not repeated on the open descriptor, as a
  // system call per file is most of a warm run's cost.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno;
  file.Fd = fd;
  file.Size = target.st_size;
  file.OwnAttributes = AttributesFromMode(own.st_mode, path);
  file.Stamp = StampOf(own);
  return 0;
}

int ReadRegularFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  TReadableFile file;
  if (const int err = OpenRegularFile(path, file)) return err;
  int err = 0;
  char buf[64 * 1024];
  for (;;) {
    const ssize_t n = read(file.Fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) err = errno;
    if (n <= 0) break;
    bytes.append(buf, static_cast<size_t>(n));
  }
  close(file.Fd);
  return err;
}

std::string AbsolutePath(const std::string& path) {
  std::string joined;
  if (path.empty() || path[0] != '/') {
    char buf[PATH_MAX];
    if (getcwd(buf, sizeof buf) == nullptr) return path;
    joined = buf;
    joined += '/';
  }
  joined += path;
  std::string out;
  out.reserve(joined.size());
  for (size_t at = 0; at < joined.size();) {
    size_t end = joined.find('/', at);
    if (end == std::string::npos) end = joined.size();
    const std::string_view part(joined.data() + at, end - at);
    if (!part.empty() && part != ".") {
      out += '/';
      out += part;
    }
    at = end + 1;
  }
  if (out.empty()) out.push_back('/');
  // A trailing slash or "/." asks for a folder; keep that meaning.
  if (out.size() > 1 && (joined.back() == '/' || joined.ends_with("/."))) out += '/';
  return out;
}

TTextFile::~TTextFile() {
  Close();
}

TIoError TTextFile::Open(const std::string& path, TMode mode) {
  Close();
  Error_ = {};
  Path_ = path;
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
  flags |= mode == TMode::Create ? O_TRUNC : O_APPEND;
  Size_ = 0;
  Fd_ = open(path.c_str(), flags, 0666);
  if (Fd_ < 0) {
    Error_ = {errno, path};
  } else {
    struct stat st {};
    if (fstat(Fd_, &st) == 0) Size_ = static_cast<uint64_t>(st.st_size);
  }
  return Error_;
}

TIoError TTextFile::Write(std::string_view bytes) {
  if (Error_) return Error_;
  if (Fd_ < 0) return Error_ = {EBADF, Path_};
  Buffer_.append(bytes);
  return Flush();
}

TIoError TTextFile::WriteLine(std::string_view line) {
  if (Error_) return Error_;
  if (Fd_ < 0) return Error_ = {EBADF, Path_};
  Buffer_.append(line);
  Buffer_.append("\r\n");
  return Flush();
}

// Each line goes to the file at once, so that a crash loses no undo line already written.
TIoError TTextFile::Flush() {
  size_t done = 0;
  while (done < Buffer_.size()) {
    const ssize_t n = ::write(Fd_, Buffer_.data() + done, Buffer_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Error_ = {errno, Path_};
      break;
    }
    done += static_cast<size_t>(n);
  }
  Size_ += done;
  Buffer_.clear();
  return Error_;
}

TIoError TTextFile::Truncate(uint64_t size) {
  if (Fd_ < 0) return Error_ ? Error_ : TIoError{EBADF, Path_};
  int rc;
  do rc = ::ftruncate(Fd_, static_cast<off_t>(size));
  while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const TIoError err{errno, Path_};
    if (!Error_) Error_ = err;
    return err;
  }
  Size_ = size;
  return Error_;
}

TIoError TTextFile::Close() {
  if (Fd_ < 0) return {};
  const int fd = Fd_;
  Fd_ = -1;
  if (::close(fd) != 0 && !Error_) Error_ = {errno, Path_};
  return Error_;
}

}  // namespace tunaro::platform
