#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "platform/fs.h"

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
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return -1;
  return AttributesFromMode(st.st_mode, path);
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

TDirReader::~TDirReader() {
  Close();
}

bool TDirReader::Open(const std::string& folder) {
  Close();
  Dir_ = opendir(folder.empty() ? "/" : folder.c_str());
  return Dir_ != nullptr;
}

bool TDirReader::Next(TDirEntry& entry) {
  if (Dir_ == nullptr) return false;
  for (;;) {
    errno = 0;
    const dirent* d = readdir(Dir_);
    if (d == nullptr) return false;
    const char* n = d->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    entry.Name = n;
    switch (d->d_type) {
      case DT_REG:
        entry.Kind = TEntryKind::File;
        return true;
      case DT_DIR:
        entry.Kind = TEntryKind::Directory;
        return true;
      case DT_LNK:
      case DT_UNKNOWN: {
        // Follow the link (or ask the inode) to learn what the entry really is.
        struct stat st;
        if (fstatat(dirfd(Dir_), n, &st, 0) != 0)
          entry.Kind = TEntryKind::Other;
        else if (S_ISREG(st.st_mode))
          entry.Kind = TEntryKind::File;
        else if (S_ISDIR(st.st_mode))
          entry.Kind = TEntryKind::Directory;
        else
          entry.Kind = TEntryKind::Other;
        return true;
      }
      default:
        entry.Kind = TEntryKind::Other;
        return true;
    }
  }
}

bool TDirReader::Identity(uint64_t& device, uint64_t& inode) const {
  struct stat st;
  if (Dir_ == nullptr || fstat(dirfd(Dir_), &st) != 0) return false;
  device = st.st_dev;
  inode = st.st_ino;
  return true;
}

void TDirReader::Close() {
  if (Dir_ != nullptr) closedir(Dir_);
  Dir_ = nullptr;
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

int RenameNoReplace(const std::string& oldPath, const std::string& newPath) {
  if (oldPath == newPath) {
    struct stat st;
    return lstat(oldPath.c_str(), &st) == 0 ? 0 : errno;
  }
  if (renameat2(AT_FDCWD, oldPath.c_str(), AT_FDCWD, newPath.c_str(), RENAME_NOREPLACE) == 0)
    return 0;
  const int err = errno;
  if (err != EINVAL && err != ENOSYS && err != EOPNOTSUPP) return err;
  // The file system refuses the flag: a hard link cannot replace either, then drop the old name.
  if (link(oldPath.c_str(), newPath.c_str()) != 0) return errno;
  if (unlink(oldPath.c_str()) != 0) {
    const int unlinkErr = errno;
    unlink(newPath.c_str());  // undo the link; the file keeps its old name
    return unlinkErr;
  }
  return 0;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

int OpenRegularFile(const std::string& path, TReadableFile& file) {
  file = {};
  struct stat own;
  if (lstat(path.c_str(), &own) != 0) return errno;
  struct stat target = own;
  if (S_ISLNK(own.st_mode) && stat(path.c_str(), &target) != 0) return errno;
  if (!S_ISREG(target.st_mode)) return EACCES;
  // O_NONBLOCK: should a FIFO take the file's place after the look, the open must not wait.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno;
  struct stat opened;
  if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != target.st_dev ||
      opened.st_ino != target.st_ino) {
    close(fd);
    return EACCES;
  }
  file.Fd = fd;
  file.Size = opened.st_size;
  file.OwnAttributes =
      AttributesFromMode(S_ISLNK(own.st_mode) ? own.st_mode : opened.st_mode, path);
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
  if (out.empty()) out = "/";
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
  Fd_ = open(path.c_str(), flags, 0666);
  if (Fd_ < 0) Error_ = {errno, path};
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
  Buffer_.clear();
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
