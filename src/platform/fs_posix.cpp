#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/uio.h>
#include <unistd.h>
#include <wctype.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>

#include "platform/ascii.h"
#include "platform/codec.h"
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

TEntryKind KindOf(DIR* dir, const dirent* d, bool& link) {
  link = d->d_type == DT_LNK;
  switch (d->d_type) {
    case DT_REG:
      return TEntryKind::File;
    case DT_DIR:
      return TEntryKind::Directory;
    case DT_LNK:
    case DT_UNKNOWN: {
      // Ask the entry what it is when the folder does not say, and follow a link.
      struct stat st;
      if (d->d_type == DT_UNKNOWN) {
        if (fstatat(dirfd(dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return TEntryKind::Other;
        link = S_ISLNK(st.st_mode);
      }
      if (link && fstatat(dirfd(dir), d->d_name, &st, 0) != 0) return TEntryKind::Other;
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
  DIR* dir = FsCalls().OpenDir(folder.empty() ? "/" : folder.c_str());
  if (dir == nullptr) return false;
  struct stat st;
  if (FsCalls().Fstat(dirfd(dir), &st) == 0) {
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
    bool link = false;
    const TEntryKind kind = KindOf(dir, d, link);
    Items_.push_back(
        {0, static_cast<uint32_t>(Names_.size()), static_cast<uint16_t>(length), kind, link});
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
  entry.Link = item.Link;
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
  const auto lower = [](char c) { return AsciiLower(c); };
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

// The folder of the files a thread reads and renames, held open (O_PATH): a run goes through
// a folder's files one after another, and naming each by its name in the open folder spares
// the system a walk of the whole path per call (a twentieth of a warm run). Held for a run
// only: an open folder keeps its file system from being unmounted.
class TFolderHandle {
 public:
  ~TFolderHandle() { Forget(); }
  // The folder to name `path` in, and the name in it; AT_FDCWD and the path as it is when
  // no folder is held or it cannot be opened.
  int Resolve(const char* path, const char*& name) {
    name = path;
    const char* slash = std::strrchr(path, '/');
    if (!Held_ || slash == nullptr || slash[1] == 0) return AT_FDCWD;
    const std::string_view folder(path, static_cast<size_t>(slash - path + 1));
    if (folder != Folder_) {
      Forget();
      Folder_.assign(folder);
      Fd_ = open(Folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    if (Fd_ < 0) return AT_FDCWD;
    name = slash + 1;
    return Fd_;
  }
  void Hold(bool hold) {
    if (!hold) Forget();
    Held_ = hold;
  }

 private:
  void Forget() {
    if (Fd_ >= 0) close(Fd_);
    Fd_ = -1;
    Folder_.clear();
  }
  bool Held_ = false;
  int Fd_ = -1;
  std::string Folder_;
};

thread_local TFolderHandle gFolder;

int SystemRenameNoReplace(const char* from, const char* to) {
  const char* fromName = nullptr;
  const int dir = gFolder.Resolve(from, fromName);
  const char* slash = std::strrchr(to, '/');
  // Within the held folder both names are taken in it; else both paths as they are.
  if (dir != AT_FDCWD && slash != nullptr && slash - to == fromName - 1 - from &&
      std::strncmp(from, to, static_cast<size_t>(slash - to)) == 0)
    return renameat2(dir, fromName, dir, slash + 1, RENAME_NOREPLACE);
  return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}
int SystemRenameExchange(const char* from, const char* to) {
  return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_EXCHANGE);
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
int SystemCreateExclusive(const char* path, int flags, mode_t mode) {
  return open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | flags, mode);
}
// The look asks for what the program uses and not for the access time, which the reads
// themselves change: a network file system (FUSE) answers such a look from its cache, where
// a plain lstat after a read costs a round trip to the server.
int StatxWithoutAccessTime(int dirfd, const char* path, int flags, struct stat* st) {
  struct statx x;
  if (statx(dirfd, path, flags, STATX_BASIC_STATS & ~STATX_ATIME, &x) != 0) return -1;
  *st = {};
  st->st_dev = makedev(x.stx_dev_major, x.stx_dev_minor);
  st->st_rdev = makedev(x.stx_rdev_major, x.stx_rdev_minor);
  st->st_ino = x.stx_ino;
  st->st_mode = x.stx_mode;
  st->st_nlink = x.stx_nlink;
  st->st_uid = x.stx_uid;
  st->st_gid = x.stx_gid;
  st->st_size = static_cast<off_t>(x.stx_size);
  st->st_blksize = x.stx_blksize;
  st->st_blocks = static_cast<blkcnt_t>(x.stx_blocks);
  st->st_mtim = {x.stx_mtime.tv_sec, x.stx_mtime.tv_nsec};
  st->st_ctim = {x.stx_ctime.tv_sec, x.stx_ctime.tv_nsec};
  return 0;
}
int SystemLstat(const char* path, struct stat* st) {
  return StatxWithoutAccessTime(AT_FDCWD, path, AT_SYMLINK_NOFOLLOW, st);
}
int SystemFstat(int fd, struct stat* st) {
  return StatxWithoutAccessTime(fd, "", AT_EMPTY_PATH, st);
}
DIR* SystemOpenDir(const char* path) {
  return opendir(path);
}
// Set once a file system refused RWF_NOWAIT: it is not asked again in this process, so such
// a file system costs one failing call, not one per read.
std::atomic<bool> gNoWaitRefused{false};

ssize_t SystemPread(int fd, void* buffer, size_t count, off_t offset, bool* waited) {
  if (!gNoWaitRefused.load(std::memory_order_relaxed)) {
    iovec io{buffer, count};
    const ssize_t n = preadv2(fd, &io, 1, offset, RWF_NOWAIT);
    if (n >= 0) return n;
    if (errno == EAGAIN) {
      if (waited != nullptr) *waited = true;
    } else if (errno == EOPNOTSUPP || errno == EINVAL) {
      gNoWaitRefused.store(true, std::memory_order_relaxed);
    } else {
      return n;
    }
  }
  return pread(fd, buffer, count, offset);
}
int SystemClose(int fd) {
  return close(fd);
}

// What a file system refused, learned per device. Knowing too little or the wrong thing
// (a device number reused by another mount) is never unsafe: every way of renaming below
// refuses to replace on its own, so a wrong guess costs only a failing call.
struct TRefused {
  bool NoReplaceFlag = false;
  bool HardLinks = false;
  bool ExchangeFlag = false;
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

// Errors after which the call may have been made all the same: a network share or a FUSE
// server that did the work and lost the answer.
bool OutcomeUnknown(int err) {
  return err == EIO || err == EINTR || err == ETIMEDOUT || err == ESTALE || err == ENOTCONN ||
         err == ECONNRESET || err == ECONNABORTED || err == EREMOTEIO;
}

bool Look(const std::string& path, struct stat& st) {
  return FsCalls().Lstat(path.c_str(), &st) == 0;
}

bool Gone(const std::string& path) {
  struct stat st;
  return !Look(path, st) && errno == ENOENT;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat x, y;
  return Look(a, x) && Look(b, y) && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

// After an error whose outcome is unknown, the rename counts as made when the old name is
// gone and the new one holds a file.
bool MadeAnyway(int err, const std::string& oldPath, const std::string& newPath) {
  struct stat st;
  return OutcomeUnknown(err) && Gone(oldPath) && Look(newPath, st);
}

// A letter beyond ASCII in the other case: as the process's locale maps it where that maps
// such letters, else as C.UTF-8 does (made only then: glibc never frees what newlocale took
// for LOCPATH), else not at all.
wint_t CaseOf(wint_t c, bool upper) {
  if (towupper(0xE5) == 0xC5) return upper ? towupper(c) : towlower(c);
  static const locale_t utf8 = newlocale(LC_ALL_MASK, "C.UTF-8", nullptr);
  if (utf8 == nullptr) return c;
  return upper ? towupper_l(c, utf8) : towlower_l(c, utf8);
}

// Every letter in one case; bytes that are not UTF-8 stay.
std::string CaseMapped(std::string_view name, bool upper) {
  std::string out;
  out.reserve(name.size());
  for (size_t at = 0; at < name.size();) {
    const size_t start = at;
    const int32_t c = DecodeUtf8(name, at);
    if (c < 0) {
      out += name[at++];
      continue;
    }
    wint_t mapped = static_cast<wint_t>(c);
    if (c < 0x80)
      mapped = static_cast<wint_t>(upper ? AsciiUpper(static_cast<char>(c))
                                         : AsciiLower(static_cast<char>(c)));
    else
      mapped = CaseOf(mapped, upper);
    if (mapped == static_cast<wint_t>(c))
      out.append(name.substr(start, at - start));
    else
      AppendUtf8(out, mapped);
  }
  return out;
}

// Both paths in one folder, the names equal under either case mapping.
bool FoldEqual(const std::string& a, const std::string& b) {
  const size_t slash = a.find_last_of('/');
  if (slash != b.find_last_of('/') ||
      (slash != std::string::npos && a.compare(0, slash, b, 0, slash) != 0))
    return false;
  const std::string_view x = BaseName(a), y = BaseName(b);
  return CaseMapped(x, true) == CaseMapped(y, true) || CaseMapped(x, false) == CaseMapped(y, false);
}

// Whether the name holds the placeholder made: the same file, still empty.
bool StillPlaceholder(const std::string& path, const struct stat& made) {
  struct stat now;
  return Look(path, now) && S_ISREG(now.st_mode) && now.st_size == 0 && now.st_dev == made.st_dev &&
         now.st_ino == made.st_ino;
}

// A hard link under the new name, then the old name dropped. The link's errno when it is
// refused, so that the caller can tell a refusal.
int RenameByLink(const std::string& oldPath, const std::string& newPath) {
  const TFsCalls& calls = FsCalls();
  if (calls.Link(oldPath.c_str(), newPath.c_str()) != 0) {
    const int err = errno;
    if (!OutcomeUnknown(err) || !SameFile(oldPath, newPath)) return err;
  }
  if (calls.Unlink(oldPath.c_str()) == 0) return 0;
  const int err = errno;
  if (OutcomeUnknown(err) && Gone(oldPath)) return 0;
  // The file keeps its old name; the new one goes again while it is still a link of it.
  if (SameFile(oldPath, newPath)) calls.Unlink(newPath.c_str());
  return err;
}

// Where neither the flag nor hard links are there: the new name is claimed by creating it
// exclusively, as an empty placeholder, and the file is put in its place: by RENAME_EXCHANGE
// where the file system has it (the placeholder then goes from the old name), else by
// rename() over it. Either way the placeholder must still be the empty file made, looked at
// right before rename() and right after the exchange: a writer that opened the name with
// O_TRUNC in between (cp, a shell's >, a download) made it its own, and the name is taken.
// What remains is a writer that opens the name before the rename and writes only after that
// last look: it writes into a file no name holds any more. A crash in between leaves the
// empty placeholder beside the untouched file (the undo knows it).
int RenameOverPlaceholder(const std::string& oldPath, const std::string& newPath, bool known,
                          dev_t device, bool exchangeRefused) {
  const TFsCalls& calls = FsCalls();
  const char* from = oldPath.c_str();
  const char* to = newPath.c_str();
  const int fd = calls.CreateExclusive(to, 0, 0600);
  if (fd < 0) return errno;
  // Held open up to the last look: FUSE file systems that number names as they are looked
  // up (exfat-fuse) keep the number of an open file.
  struct stat made;
  if (calls.Fstat(fd, &made) != 0) {
    const int err = errno;
    calls.Close(fd);
    return err;
  }
  if (!exchangeRefused) {
    const int err = calls.RenameExchange(from, to) == 0 ? 0 : errno;
    if (err == 0 || OutcomeUnknown(err)) {
      const bool swapped = StillPlaceholder(oldPath, made);
      calls.Close(fd);
      if (swapped) {
        calls.Unlink(from);
        return 0;
      }
      if (err == 0)  // what came back was written to or replaced: the name is another's
        return calls.RenameExchange(from, to) == 0 ? EEXIST : errno;
      if (StillPlaceholder(newPath, made)) calls.Unlink(to);
      return err;
    }
    if (!FlagRefused(err)) {
      calls.Close(fd);
      if (StillPlaceholder(newPath, made)) calls.Unlink(to);
      return err;
    }
    if (known) LearnRefused(device, &TRefused::ExchangeFlag);
  }
  const bool ours = StillPlaceholder(newPath, made);
  calls.Close(fd);
  if (!ours) return EEXIST;
  if (calls.Rename(from, to) == 0) return 0;
  const int err = errno;
  // Only the placeholder goes: a network share may report an error for a rename it made, and
  // then the name holds the file itself.
  if (StillPlaceholder(newPath, made))
    calls.Unlink(to);
  else if (MadeAnyway(err, oldPath, newPath))
    return 0;
  return err;
}

// Three ways that cannot replace, in this order, each tried on a file system until it refuses:
// renameat2 with RENAME_NOREPLACE; a hard link under the new name and then the old name
// dropped; and a placeholder claimed exclusively (see above).
int RenameWithoutReplacing(const std::string& oldPath, const std::string& newPath) {
  dev_t device = 0;
  const bool known = FolderDevice(oldPath, device);
  const TRefused refused = known ? RefusedOn(device) : TRefused{};
  if (!refused.NoReplaceFlag) {
    if (FsCalls().RenameNoReplace(oldPath.c_str(), newPath.c_str()) == 0) return 0;
    const int err = errno;
    if (!FlagRefused(err)) return MadeAnyway(err, oldPath, newPath) ? 0 : err;
    if (known) LearnRefused(device, &TRefused::NoReplaceFlag);
  }
  if (!refused.HardLinks) {
    const int err = RenameByLink(oldPath, newPath);
    if (!LinksRefused(err)) return err;
    if (known) LearnRefused(device, &TRefused::HardLinks);
  }
  return RenameOverPlaceholder(oldPath, newPath, known, device, refused.ExchangeFlag);
}

// The taken name may be the file's own in another letter case. The file goes to a temporary
// name first, and from there to the new name, again never replacing: a new name that another
// file holds is still taken then, and the file goes back. (Looking at the new name in between
// would not do: FUSE keeps a name looked up for a while, and the exclusive calls alone ask
// the file system again.)
int RenameCaseOnly(const std::string& oldPath, const std::string& newPath) {
  std::string temporary;
  int err = EEXIST;
  for (int attempt = 0; err == EEXIST && attempt < kCaseRenameAttempts; ++attempt) {
    temporary = CaseRenameTemporary(oldPath, attempt);
    err = RenameWithoutReplacing(oldPath, temporary);
  }
  if (err != 0) return err;
  err = RenameWithoutReplacing(temporary, newPath);
  if (err != 0) RenameWithoutReplacing(temporary, oldPath);
  return err;
}

}  // namespace

TFsCalls SystemFsCalls() {
  return {SystemRenameNoReplace, SystemRenameExchange,  SystemRename, SystemLink,
          SystemUnlink,          SystemCreateExclusive, SystemLstat,  SystemFstat,
          SystemOpenDir,         SystemPread,           SystemClose};
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

void HoldFolders(bool hold) {
  gFolder.Hold(hold);
}

int RenameNoReplace(const std::string& oldPath, const std::string& newPath) {
  if (oldPath == newPath) {
    struct stat st;
    return Look(oldPath, st) ? 0 : errno;
  }
  const int err = RenameWithoutReplacing(oldPath, newPath);
  if (err != EEXIST || !MayBeCaseOnlyRename(oldPath, newPath)) return err;
  return RenameCaseOnly(oldPath, newPath);
}

bool MayBeCaseOnlyRename(const std::string& oldPath, const std::string& newPath) {
  struct stat a, b;
  if (oldPath == newPath || !FoldEqual(oldPath, newPath) || !Look(oldPath, a) ||
      !Look(newPath, b) || a.st_dev != b.st_dev)
    return false;
  // FUSE file systems without inode numbers of their own (exfat-fuse, sshfs) number each
  // name apart: then what differs tells two files apart, and nothing proves them one.
  return a.st_ino == b.st_ino ||
         (a.st_mode == b.st_mode && a.st_size == b.st_size && a.st_nlink == b.st_nlink &&
          a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec);
}

std::string UpperCaseName(std::string_view name) {
  return CaseMapped(name, true);
}

bool FolderIgnoresCase(const std::string& folder) {
  const std::string dir = folder.empty() ? "/" : folder;
  std::vector<std::string> names;
  if (DIR* d = FsCalls().OpenDir(dir.c_str())) {
    while (const dirent* e = readdir(d)) names.emplace_back(e->d_name);
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  const auto otherCase = [](const std::string& name) {
    std::string other = CaseMapped(name, true);
    return other != name ? other : CaseMapped(name, false);
  };
  const std::string base = dir.back() == '/' ? dir : dir + "/";
  for (const std::string& name : names) {
    const std::string other = otherCase(name);
    if (other == name || std::binary_search(names.begin(), names.end(), other)) continue;
    struct stat st;
    return Look(base + other, st);
  }
  // No entry to try: the folder's own name, in its parent on the same file system.
  struct stat self, found;
  const std::string trimmed = base.substr(0, base.size() - 1);
  const std::string name(BaseName(trimmed));
  const std::string other = otherCase(name);
  return !name.empty() && other != name && stat(dir.c_str(), &self) == 0 &&
         Look(FolderOf(trimmed) + "/" + other, found) && S_ISDIR(found.st_mode) &&
         found.st_dev == self.st_dev;
}

std::string CaseRenameTemporary(const std::string& oldPath, int attempt) {
  const std::string_view name = BaseName(oldPath);
  std::string temporary = oldPath.substr(0, oldPath.size() - name.size()) + ".~";
  if (attempt > 0) temporary += std::to_string(attempt) + "~";
  if (temporary.size() - (oldPath.size() - name.size()) + name.size() <= NAME_MAX)
    return temporary.append(name);
  uint64_t hash = 1469598103934665603ull;  // FNV-1a: the same name gives the same temporary
  for (const unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return temporary + "tunaro-" + hex;
}

TRenameLeftover FindRenameLeftover(const std::string& oldPath, const std::string& newPath) {
  struct stat o, n;
  // A name in other case may be the file's own: nothing of it is left over.
  if (FoldEqual(oldPath, newPath) || !Look(oldPath, o) || !Look(newPath, n))
    return TRenameLeftover::None;
  if (o.st_dev == n.st_dev && o.st_ino == n.st_ino)
    return n.st_nlink > 1 ? TRenameLeftover::SecondLink : TRenameLeftover::None;
  return S_ISREG(n.st_mode) && n.st_size == 0 ? TRenameLeftover::EmptyFile : TRenameLeftover::None;
}

int RemoveRenameLeftover(const std::string& oldPath, const std::string& newPath,
                         TRenameLeftover leftover) {
  if (leftover == TRenameLeftover::None || FindRenameLeftover(oldPath, newPath) != leftover)
    return EEXIST;
  return FsCalls().Unlink(newPath.c_str()) == 0 ? 0 : errno;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return Look(path, st);
}

int FolderState(const std::string& path) {
  struct stat st;
  if (stat(path.empty() ? "/" : path.c_str(), &st) != 0) return errno;
  return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

bool IsFolderOrSpecial(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

int FolderWritable(const std::string& folder) {
  return faccessat(AT_FDCWD, folder.empty() ? "/" : folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0
             ? 0
             : errno;
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
  if (!Look(path, own)) return errno;
  stamp = StampOf(own);
  ownAttributes = AttributesFromMode(own.st_mode, path);
  return 0;
}

int OpenRegularFile(const std::string& path, TReadableFile& file, bool listedRegular) {
  file = {};
  if (listedRegular) {
    // The folder's listing called the name a regular file of its own: opened at once, the
    // look taken on the open descriptor, which saves the look at the name (a system call and
    // a walk of the path) per file. Should something else have taken the name since, a link
    // is refused by O_NOFOLLOW and looked at as below, and anything but a regular file is
    // closed unread; O_NONBLOCK keeps a FIFO's open from waiting.
    const char* name = nullptr;
    const int dir = gFolder.Resolve(path.c_str(), name);
    const int fd = openat(dir, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
    if (fd >= 0) {
      struct stat st;
      const bool looked = FsCalls().Fstat(fd, &st) == 0;
      if (!looked || !S_ISREG(st.st_mode)) {
        const int err = looked ? EACCES : errno;
        CloseFile(fd);
        return err;
      }
      file.Fd = fd;
      file.Size = st.st_size;
      file.OwnAttributes = AttributesFromMode(st.st_mode, path);
      file.Stamp = StampOf(st);
      return 0;
    }
    if (errno != ELOOP) return errno;
  }
  struct stat own;
  if (!Look(path, own)) return errno;
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

int ProbeRegularFile(const std::string& path, TEntryKind& kind) {
  TReadableFile file;
  const int err = OpenRegularFile(path, file);
  if (err == 0) close(file.Fd);
  struct stat st;
  kind = stat(path.c_str(), &st) != 0 ? TEntryKind::Other
         : S_ISREG(st.st_mode)        ? TEntryKind::File
         : S_ISDIR(st.st_mode)        ? TEntryKind::Directory
                                      : TEntryKind::Other;
  return err;
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
  CloseFile(file.Fd);
  return err;
}

int64_t ReadFileAt(int fd, int64_t offset, void* buffer, size_t count, bool* waited) {
  return FsCalls().Pread(fd, buffer, count, static_cast<off_t>(offset), waited);
}

bool IsRemoteFileSystem(const std::string& path) {
  struct statfs fs;
  if (statfs(FolderOf(path).c_str(), &fs) != 0) return false;
  // FUSE (sshfs, rclone, GVfs, ...), NFS, SMB and CIFS, Ceph, 9P, AFS.
  static constexpr unsigned long kRemote[] = {0x65735546, 0x6969,     0xFE534D42, 0xFF534D42,
                                              0x517B,     0x00C36400, 0x01021997, 0x5346414F};
  return std::find(std::begin(kRemote), std::end(kRemote), static_cast<unsigned long>(fs.f_type)) !=
         std::end(kRemote);
}

void CloseFile(int fd) {
  FsCalls().Close(fd);
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
  if (!Temporary_.empty() && !Error_) Error_ = {ECANCELED, Path_};
  Close();
}

namespace {

// A new file beside `path`, under a name no other writer uses: ".NAME.PID-N.tmp".
int CreateTemporaryBeside(const std::string& path, std::string& temporary) {
  static std::atomic<unsigned> counter{0};
  const size_t slash = path.find_last_of('/');
  const size_t name = slash == std::string::npos ? 0 : slash + 1;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = path.substr(0, name) + "." + path.substr(name) + "." + std::to_string(getpid()) +
                "-" + std::to_string(counter++) + ".tmp";
    const int fd =
        open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

TIoError TTextFile::Open(const std::string& path, TMode mode) {
  Close();
  Error_ = {};
  Path_ = path;
  Size_ = 0;
  struct stat old;
  const bool replace = mode == TMode::Replace;
  const bool exists = replace && lstat(path.c_str(), &old) == 0;
  if (replace && (!exists || S_ISREG(old.st_mode))) {
    // A file its owner may not write is refused, as writing it in place would be.
    if (exists && access(path.c_str(), W_OK) != 0) return Error_ = {errno, path};
    Fd_ = CreateTemporaryBeside(path, Temporary_);
    if (Fd_ < 0) {
      Error_ = {errno, path};
      Temporary_.clear();
    } else if (exists) {
      // The list keeps the old one's permissions; a new one gets what the umask gives.
      (void)!fchmod(Fd_, old.st_mode & 07777);
    }
    return Error_;
  }
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
  flags |= mode == TMode::Create || replace ? O_TRUNC : O_APPEND;
  Fd_ = mode == TMode::CreateNew ? FsCalls().CreateExclusive(path.c_str(), O_APPEND, 0666)
                                 : open(path.c_str(), flags, 0666);
  if (Fd_ < 0) {
    Error_ = {errno, path};
  } else {
    struct stat st {};
    if (FsCalls().Fstat(Fd_, &st) == 0) Size_ = static_cast<uint64_t>(st.st_size);
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

TIoError TTextFile::TakeBack(uint64_t count) {
  if (Fd_ < 0) return Error_ ? Error_ : TIoError{EBADF, Path_};
  const auto failed = [this] {
    const TIoError err{errno, Path_};
    if (!Error_) Error_ = err;
    return err;
  };
  // The descriptor's offset is where this object's last write ended, whoever wrote after.
  const off_t end = lseek(Fd_, 0, SEEK_CUR);
  struct stat st;
  if (end < 0 || FsCalls().Fstat(Fd_, &st) != 0) return failed();
  count = std::min(count, static_cast<uint64_t>(end));
  const off_t from = end - static_cast<off_t>(count);
  if (st.st_size == end) {
    const uint64_t size = Size_ - std::min(Size_, count);
    if (const TIoError err = Truncate(static_cast<uint64_t>(from))) return err;
    Size_ = size;
    return Error_;
  }
  std::string blanks(count, ' ');
  if (count >= 5) blanks.replace(0, 3, "rem").replace(count - 2, 2, "\r\n");
  // pwrite ignores the offset of a descriptor opened for appending.
  const int flags = fcntl(Fd_, F_GETFL);
  fcntl(Fd_, F_SETFL, flags & ~O_APPEND);
  size_t done = 0;
  while (done < count) {
    const ssize_t n =
        pwrite(Fd_, blanks.data() + done, count - done, from + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const TIoError err = done < count ? failed() : Error_;
  fcntl(Fd_, F_SETFL, flags);
  return err;
}

TIoError TTextFile::Close() {
  if (Fd_ < 0) return {};
  const int fd = Fd_;
  Fd_ = -1;
  // The new file is on the disk before it takes the old one's place: a crash then leaves
  // one or the other whole.
  if (!Temporary_.empty() && !Error_ && fsync(fd) != 0) Error_ = {errno, Path_};
  if (::close(fd) != 0 && !Error_) Error_ = {errno, Path_};
  if (!Temporary_.empty()) {
    if (!Error_ && rename(Temporary_.c_str(), Path_.c_str()) != 0) Error_ = {errno, Path_};
    if (Error_) unlink(Temporary_.c_str());
    Temporary_.clear();
  }
  return Error_;
}

}  // namespace tunaro::platform
