#include "tags/file_reader.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "support/temp_dir.h"

namespace tunaro::tags {
namespace {

using test::TTempDir;

TEST(ReadOnlyFile, RefusesAnythingButARegularFile) {
  TTempDir dir;
  ASSERT_EQ(mkfifo((dir / "pipe.mp3").c_str(), 0644), 0);
  TReadOnlyFile file;
  EXPECT_FALSE(file.Open(dir / "pipe.mp3"));  // and does not wait for a writer
  EXPECT_FALSE(file.Open(dir.Path()));
  EXPECT_FALSE(file.Open("/dev/zero"));
  EXPECT_FALSE(file.Open(dir / "none"));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.ReadAt(0, nullptr, 0), -1);
}

// inotify sees every open of a watched file; a look at the path (stat) makes no event.
class TOpenWatch {
 public:
  explicit TOpenWatch(const std::string& path) {
    Fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (Fd_ >= 0) Watch_ = inotify_add_watch(Fd_, path.c_str(), IN_OPEN);
  }
  ~TOpenWatch() {
    if (Fd_ >= 0) close(Fd_);
  }
  bool Ready() const { return Fd_ >= 0 && Watch_ >= 0; }
  bool Opened() {
    alignas(inotify_event) char buf[4096];
    return read(Fd_, buf, sizeof buf) > 0;
  }

 private:
  int Fd_ = -1;
  int Watch_ = -1;
};

// A FIFO or device is refused without being opened at all, directly or through a link.
TEST(ReadOnlyFile, SpecialFilesAreNeverOpened) {
  TTempDir dir;
  ASSERT_EQ(mkfifo((dir / "pipe.mp3").c_str(), 0644), 0);
  ASSERT_EQ(symlink((dir / "pipe.mp3").c_str(), (dir / "link.mp3").c_str()), 0);
  // A device node of our own, so no other program's opens are seen; root may make one.
  const bool device = mknod((dir / "null.mp3").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  struct TCase {
    std::string Path, Watched;
  };
  std::vector<TCase> cases = {{dir / "pipe.mp3", dir / "pipe.mp3"},
                              {dir / "link.mp3", dir / "pipe.mp3"}};
  if (device) cases.push_back({dir / "null.mp3", dir / "null.mp3"});
  for (const auto& c : cases) {
    TOpenWatch watch(c.Watched);
    ASSERT_TRUE(watch.Ready()) << c.Path;
    TReadOnlyFile file;
    EXPECT_FALSE(file.Open(c.Path));
    EXPECT_FALSE(watch.Opened()) << c.Path << " was opened";
    // The watch itself works: an open of our own is seen.
    const int fd = open(c.Watched.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_TRUE(watch.Opened()) << c.Path;
  }
  if (!device) std::printf("no device node could be made here: only /dev/null is tried\n");
  TReadOnlyFile file;
  EXPECT_FALSE(file.Open("/dev/null"));
}

// The other readers of whole files (the undo file, the user folder list) refuse the same way.
TEST(ReadRegularFile, ReadsRegularFilesOnly) {
  TTempDir dir;
  ASSERT_EQ(mkfifo((dir / "pipe.bat").c_str(), 0644), 0);
  TOpenWatch watch(dir / "pipe.bat");
  std::string bytes = "old";
  EXPECT_EQ(platform::ReadRegularFile(dir / "pipe.bat", bytes), EACCES);
  EXPECT_FALSE(watch.Opened());
  EXPECT_EQ(platform::ReadRegularFile("/dev/zero", bytes), EACCES);
  EXPECT_EQ(platform::ReadRegularFile(dir.Path(), bytes), EACCES);
  EXPECT_EQ(platform::ReadRegularFile(dir / "none", bytes), ENOENT);
  EXPECT_EQ(bytes, "");
  const std::string big(200000, 'x');
  EXPECT_EQ(platform::ReadRegularFile(dir.Write("f", big), bytes), 0);
  EXPECT_EQ(bytes, big);
}

TEST(ReadOnlyFile, SequentialReadsAcrossTheReadAheadMatchThePositionedOnes) {
  TTempDir dir;
  std::string bytes(300 * 1024, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  TReadOnlyFile file;
  ASSERT_TRUE(file.Open(dir.Write("f", bytes)));
  EXPECT_EQ(file.Size(), static_cast<int64_t>(bytes.size()));
  // Steps of odd sizes, a backward seek, a big read and a seek past the end.
  const std::vector<std::pair<int64_t, size_t>> steps = {
      {0, 10}, {-1, 4093}, {-1, 7}, {-1, 60000}, {100, 250}, {-1, 20000}, {250000, 3}, {-1, 1}};
  std::vector<uint8_t> got(70000);
  for (const auto& [seek, count] : steps) {
    if (seek >= 0) {
      ASSERT_TRUE(file.Seek(seek));
    }
    const int64_t at = file.Position();
    ASSERT_EQ(file.Read(got.data(), count), static_cast<int64_t>(count));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(got.data()), count), bytes.substr(at, count));
    EXPECT_EQ(file.Position(), at + static_cast<int64_t>(count));
  }
  ASSERT_TRUE(file.Seek(file.Size() - 2));
  EXPECT_EQ(file.Read(got.data(), 10), 2);
  EXPECT_TRUE(file.AtEnd());
  EXPECT_EQ(file.Read(got.data(), 10), 0);
  EXPECT_FALSE(file.ReadExact(got.data(), 1));
  EXPECT_FALSE(file.Seek(-1));
  EXPECT_FALSE(file.ReadExactAt(file.Size() - 1, got.data(), 2));
}

TEST(ReadOnlyFile, RemembersTheAttributesOfTheFileItLastOpened) {
  TTempDir dir;
  const std::string locked = dir.Write("locked.mp3", "x");
  const std::string open = dir.Write("open.mp3", "x");
  ASSERT_EQ(chmod(locked.c_str(), 0444), 0);
  TReadOnlyFile file;
  ASSERT_TRUE(file.Open(locked));
  file.Close();
  EXPECT_TRUE(file.OwnAttributes() & platform::faReadOnly);
  ASSERT_TRUE(file.Open(open));
  EXPECT_EQ(file.OwnAttributes() & platform::faReadOnly, 0);
  EXPECT_FALSE(file.Open(dir / "gone.mp3"));  // a failed open forgets
  EXPECT_EQ(file.OwnAttributes(), -1);
}

TEST(ByteReader, EveryGetterChecksWhatRemains) {
  const uint8_t data[] = {0x01, 0x02, 0x03, 0x04, 0x05};
  TByteReader r(data, sizeof data);
  uint32_t u32 = 0;
  uint16_t u16 = 0;
  uint8_t u8 = 0;
  std::string s;
  EXPECT_TRUE(r.U32BE(u32));
  EXPECT_EQ(u32, 0x01020304u);
  EXPECT_FALSE(r.U16LE(u16));  // one byte left
  EXPECT_FALSE(r.Bytes(2, s));
  EXPECT_EQ(r.Position(), 4u);  // failed reads do not move
  EXPECT_EQ(r.BytesUpTo(9, s), 1u);
  EXPECT_EQ(s, "\x05");
  EXPECT_FALSE(r.U8(u8));
  EXPECT_TRUE(r.Seek(1));
  EXPECT_TRUE(r.U16LE(u16));
  EXPECT_EQ(u16, 0x0302);
  EXPECT_FALSE(r.Seek(6));
  EXPECT_FALSE(r.Skip(3));
  EXPECT_EQ(r.Peek(3), nullptr);
  EXPECT_NE(r.Peek(2), nullptr);
}

}  // namespace
}  // namespace tunaro::tags
