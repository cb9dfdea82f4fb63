#include "tags/file_reader.h"

#include <sys/stat.h>

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
  EXPECT_TRUE(LastOpenedAttributes(locked) & platform::faReadOnly);
  EXPECT_EQ(LastOpenedAttributes(open), -1);
  ASSERT_TRUE(file.Open(open));
  EXPECT_EQ(LastOpenedAttributes(open) & platform::faReadOnly, 0);
  EXPECT_FALSE(file.Open(dir / "gone.mp3"));  // a failed open forgets
  EXPECT_EQ(LastOpenedAttributes(open), -1);
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
