// File system services: attributes, directory enumeration, the rename that never replaces,
// and the text files the program writes. Paths are the file system's own bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/io_error.h"

namespace tunaro::platform {

// Attribute flags, with the meaning the program gives them on this system:
// read-only is the owner's write bit off, hidden is a name that starts with a dot.
enum : int32_t {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faDirectory = 0x10,
  faArchive = 0x20,
  faAnyFile = 0x3F,
};

// Attributes from a file's mode bits and its path.
int32_t AttributesFromMode(uint32_t mode, std::string_view path);
// Attributes of the path (links followed), or -1 when it cannot be read.
int32_t GetAttributes(const std::string& path);
// Attributes of the name itself, a link not followed: a link has no mode of its own on this
// system, so it is never read-only, and clearing read-only on it must not touch its target.
int32_t GetOwnAttributes(const std::string& path);
// Sets the read-only flag as asked (the other flags are not stored on this system).
// Clearing read-only sets the owner write bit. Returns 0 or the errno.
int SetAttributes(const std::string& path, int32_t attributes);
// Whether SetAttributes could change the flags of the path, asked without changing anything:
// 0, or the errno it would fail with (EPERM: another user's file, EROFS: a read-only file
// system, or the errno of reading the attributes).
int AttributesChangeable(const std::string& path);

// What a directory entry is, taken from the directory itself when it says so, so that a
// plain listing needs no stat per entry.
enum class TEntryKind : uint8_t { File, Directory, Other };

struct TDirEntry {
  std::string_view Name;  // valid until the next call of Next
  TEntryKind Kind = TEntryKind::Other;
  bool Link = false;  // the entry is a link, Kind what it points to
};

// Reads one directory, without "." and "..", in the byte order of the names: the system's
// own order is arbitrary (hash order on ext4), and which of two files yielding the same new
// name wins must not depend on it. A link is reported as what it points to (and as a link);
// a dangling link or a device, FIFO or socket is Other.
class TDirReader {
 public:
  TDirReader() = default;
  ~TDirReader();
  TDirReader(const TDirReader&) = delete;
  TDirReader& operator=(const TDirReader&) = delete;

  // Opens and reads the folder ("" stands for "/"); false when it cannot be read.
  bool Open(const std::string& folder);
  bool Next(TDirEntry& entry);
  // Device and inode of the open folder, to notice a folder reached twice through links.
  bool Identity(uint64_t& device, uint64_t& inode) const;
  void Close();

 private:
  struct TItem {
    uint64_t Head;    // 8 bytes after the start all names share, big-endian, zero-padded
    uint32_t Offset;  // into Names_
    uint16_t Length;  // a name has at most 255 bytes
    TEntryKind Kind;
    bool Link;
  };
  void SortByName(size_t common);
  bool HaveIdentity_ = false;
  uint64_t Device_ = 0, Inode_ = 0;
  std::string Names_;  // every name, one after another
  std::vector<TItem> Items_;
  size_t Next_ = 0;
};

// Wildcard match of a file name against a mask of '*' and '?', letter case of ASCII ignored,
// as the Windows file system matches.
bool MatchesMask(std::string_view name, std::string_view mask);

// Renames within one folder and never replaces an existing file, on every file system.
// A new path equal to the old one byte for byte succeeds if the file exists and leaves it alone.
// A new name that a case-insensitive file system takes for the file itself is not taken: the
// file gets the new spelling. That is never inferred from the names: the file is renamed to
// a temporary name in its folder first (CaseRenameTemporary), and from there to the new name,
// again never replacing; a name that is another file's is still taken then, and the file goes
// back.
// A call that reports an error for a rename it made (a network share can) counts as made.
// Returns 0 or the errno (EEXIST when the name is taken).
int RenameNoReplace(const std::string& oldPath, const std::string& newPath);

// Whether the new name may be the file's own in another letter case, worth the proof
// RenameNoReplace makes: both in one folder, the names equal under a Unicode case fold, and
// nothing in the two looks disproves it (size, time, type). Never a proof: the fold may be one
// the file system does not make (K and the KELVIN SIGN), and two files may look alike.
bool MayBeCaseOnlyRename(const std::string& oldPath, const std::string& newPath);

// The name with every letter in upper case, as exFAT and NTFS compare names; bytes that are
// not UTF-8 stay as they are.
std::string UpperCaseName(std::string_view name);
// Whether the folder's file system finds a name spelt in other letter case (exFAT, vfat, NTFS
// with Windows names, SMB, ext4 casefold): asked by looking an entry up in another case,
// without changing anything. False when neither an entry nor the folder's own name has
// letters to try.
bool FolderIgnoresCase(const std::string& folder);

// The temporary names a case-only rename moves a file through: ".~" and the old name
// (attempt 0), ".~1~" and the old name, ... up to kCaseRenameAttempts; ".~tunaro", ".~1~tunaro",
// ... where the old name is too long to go behind. A file a crash leaves there is known by
// its old name.
inline constexpr int kCaseRenameAttempts = 10;
std::string CaseRenameTemporary(const std::string& oldPath, int attempt);

// What a rename stopped half-way (a killed process) leaves at the new name while the old
// name still holds the file: the exclusive claim's empty placeholder, or a second hard link
// of the file.
enum class TRenameLeftover : uint8_t { None, EmptyFile, SecondLink };
TRenameLeftover FindRenameLeftover(const std::string& oldPath, const std::string& newPath);
// Removes such a leftover at the new name, looked at again right before: 0, EEXIST when it is
// no longer what it was, or the errno of the unlink.
int RemoveRenameLeftover(const std::string& oldPath, const std::string& newPath,
                         TRenameLeftover leftover);

bool FileExists(const std::string& path);
// Whether the path (links followed) names a folder, a FIFO, a device or a socket: something
// there that is not a regular file.
bool IsFolderOrSpecial(const std::string& path);
// 0 when this process may add and remove names in the folder, else why not (EACCES, EROFS,
// ENOENT, ...). Asked of the system for the process's effective ids, so that root, access
// control lists and read-only mounts answer as a rename there would.
int FolderWritable(const std::string& folder);
// 0 when the path is a folder (links followed), ENOTDIR when it is something else, else the
// errno of looking at it ("" stands for "/").
int FolderState(const std::string& path);

// What tells one state of a name's file from another: replacing the file changes the inode,
// writing it changes the times (the change time even when the writer resets the other). A
// write of the same size within the same clock tick as a look goes unseen on a kernel with
// coarse file times, the limit make and rsync live with; newer kernels give a change after
// a look a finer time.
struct TFileStamp {
  uint64_t Device = 0;
  uint64_t Inode = 0;
  int64_t Size = -1;
  int64_t ModifiedNs = 0;
  int64_t ChangedNs = 0;
  bool Link = false;  // the name is a link: its target may change under the same stamp
  bool operator==(const TFileStamp&) const = default;
};
// A regular file opened for reading. The path is looked at before it is opened, so a FIFO,
// device or socket (or a link to one) is refused without an open, which could block or
// have effects; after the open the file must still be the one looked at.
struct TReadableFile {
  int Fd = -1;
  int64_t Size = 0;
  int32_t OwnAttributes = -1;  // as GetOwnAttributes gives
  TFileStamp Stamp;            // the name's own, as LookAtFile gives
};
// Returns 0 or the errno; EACCES for anything that is not a regular file. `listedRegular`
// says a folder listing just called the name a regular file of its own (not a link): it is
// then opened at once and looked at through the descriptor, a system call less per file.
int OpenRegularFile(const std::string& path, TReadableFile& file, bool listedRegular = false);
// Reads up to `count` bytes at `offset` of an open file: the number read, or -1 with errno.
// `*waited`, when given, is set if the data had to come from the disk (or the network): it
// was not in the page cache.
int64_t ReadFileAt(int fd, int64_t offset, void* buffer, size_t count, bool* waited = nullptr);
// Whether the path's folder lies on a network or FUSE file system, where each call is a
// round trip rather than a look into the cache.
bool IsRemoteFileSystem(const std::string& path);
// Closes a file OpenRegularFile opened.
void CloseFile(int fd);
// The name's own stamp and attributes, a link not followed. Returns 0 or the errno.
int LookAtFile(const std::string& path, TFileStamp& stamp, int32_t& ownAttributes);
// Opens the path as OpenRegularFile does and closes it again: 0, or the errno. `kind` says
// what the path names, links followed (Other also when it names nothing), so that a caller
// can tell a folder or a FIFO from a file it may not read.
int ProbeRegularFile(const std::string& path, TEntryKind& kind);
// The whole content of a regular file, refused as OpenRegularFile refuses. Returns 0 or the
// errno.
int ReadRegularFile(const std::string& path, std::string& bytes);

// A relative path made absolute by putting the current folder in front. Nothing is folded:
// "link/.." names the parent of the link's target, which only the system can resolve, so
// ".." stays; "." components and repeated slashes go, they change nothing. An absolute path
// is cleaned the same way. When the current folder cannot be read the path is returned as is.
std::string AbsolutePath(const std::string& path);

// A text file written from byte strings. Every write is checked; the first error stops
// further writing and is kept, so that the caller can report it and still close.
class TTextFile {
 public:
  // CreateNew appends to a file it makes itself, and fails with EEXIST when the name is
  // taken. Replace writes a temporary file beside the path and puts it in the path's place
  // only when Close finds every write done.
  enum class TMode { Create, Append, AppendOrCreate, Replace, CreateNew };

  TTextFile() = default;
  // A Replace that was not closed leaves the old file as it was.
  ~TTextFile();
  TTextFile(const TTextFile&) = delete;
  TTextFile& operator=(const TTextFile&) = delete;

  // Create truncates an existing file; AppendOrCreate appends when the file exists. Replace
  // writes a new file beside the old one, which Close puts in the old one's place only when
  // every write succeeded, so that an error (a full disk) leaves the old file whole; a name
  // that is a link, a FIFO or a device (/dev/stdout) is written through, as by Create.
  TIoError Open(const std::string& path, TMode mode);
  // Writes the bytes followed by CR LF.
  TIoError WriteLine(std::string_view line);
  TIoError Write(std::string_view bytes);
  // The file's size as this object has written it: what Truncate takes to drop later lines.
  uint64_t Size() const { return Size_; }
  // Cuts the file back to `size`, e.g. to take back a line that turned out false or that a
  // full disk cut short. Works after a write error too; the error stays.
  TIoError Truncate(uint64_t size);
  // Takes back the last `count` bytes this object wrote, without touching what others wrote
  // to the file since: the file is cut where they are still its end, else they become a
  // remark line of blanks in place ("rem", blanks, CR LF).
  TIoError TakeBack(uint64_t count);
  // Flushes and closes; a file that is not open closes without error.
  TIoError Close();
  bool IsOpen() const { return Fd_ >= 0; }

 private:
  TIoError Flush();
  int Fd_ = -1;
  uint64_t Size_ = 0;
  std::string Path_;
  std::string Temporary_;  // Replace: the new file, until Close renames it over Path_
  std::string Buffer_;
  TIoError Error_;
};

}  // namespace tunaro::platform
