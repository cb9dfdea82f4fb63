#include "tags/ogg_packets.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/case_name.h"
#include "support/temp_dir.h"
#include "tags/file_reader.h"

namespace tunaro::tags {
namespace {

using test::LE32;
using namespace std::string_literals;

constexpr char kContinued = 1, kFirst = 2, kLast = 4;

// One page: its header (granule, sequence and checksum left zero), lacing values and body.
std::string Page(uint32_t serial, char flags, const std::string& lacing, const std::string& body) {
  return "OggS"s + '\0' + flags + std::string(8, '\0') +  // pattern, version, type, granule
         LE32(serial) + LE32(0) + LE32(0) +               // serial, sequence, checksum
         char(lacing.size()) + lacing + body;
}

// Packets laid out as libogg lays them: 255-byte segments and a shorter last one (0 after an
// exact multiple), at most `perPage` segments a page, the rest on pages flagged as continued.
std::string Paged(const std::vector<std::string>& packets, size_t perPage, uint32_t serial = 7) {
  std::string lacing, body, out;
  bool continued = false;
  auto flush = [&](bool last) {
    out +=
        Page(serial,
             char((out.empty() ? kFirst : 0) | (continued ? kContinued : 0) | (last ? kLast : 0)),
             lacing, body);
    lacing.clear();
    body.clear();
  };
  for (size_t p = 0; p < packets.size(); ++p) {
    const std::string& packet = packets[p];
    for (size_t at = 0;; at += 255) {
      const size_t n = std::min<size_t>(255, packet.size() - at);
      lacing += char(n);
      body += packet.substr(at, n);
      const bool ends = n < 255;
      if (lacing.size() == perPage && !(ends && p + 1 == packets.size())) {
        flush(false);
        continued = !ends;
      }
      if (ends) break;
    }
  }
  flush(true);
  return out;
}

// A packet of `size` bytes that differ from those of any other packet here.
std::string Packet(char tag, size_t size) {
  std::string s(size, tag);
  for (size_t k = 0; k < size; k += 7) s[k] = char('0' + k % 10);
  return s;
}

const std::string kA = Packet('a', 19), kB = Packet('b', 70000), kC = Packet('c', 510),
                  kD = Packet('d', 3);

struct TPacketCase {
  const char* What;
  std::function<std::string()> Bytes;
  std::vector<std::string> Packets;  // as the walk must give them
};

class OggPacketsTest : public ::testing::TestWithParam<TPacketCase> {};

TEST_P(OggPacketsTest, GivesEachPacketWholeWithoutPageHeaders) {
  test::TTempDir dir;
  TReadOnlyFile file;
  ASSERT_TRUE(file.Open(dir.Write("t.ogg", GetParam().Bytes())));
  TOggPackets packets(file);
  std::vector<std::string> got;
  while (packets.NextPacket()) {
    // A third passed over, the rest read: both cross the page boundaries alike.
    const uint64_t skip = packets.PacketSize() / 3;
    ASSERT_TRUE(packets.Skip(skip));
    std::string rest(packets.Remaining(), '\0');
    ASSERT_TRUE(packets.Read(rest.data(), rest.size()));
    EXPECT_FALSE(packets.Read(rest.data(), 1));
    got.push_back(std::string(skip, '?') + rest);
  }
  ASSERT_EQ(got.size(), GetParam().Packets.size());
  for (size_t k = 0; k < got.size(); ++k) {
    const std::string& want = GetParam().Packets[k];
    ASSERT_EQ(got[k].size(), want.size()) << "packet " << k;
    EXPECT_EQ(got[k].substr(want.size() / 3), want.substr(want.size() / 3)) << "packet " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, OggPacketsTest,
    ::testing::Values(
        TPacketCase{"one page",
                    [] {
                      return Paged({kA, kD}, 255);
                    },
                    {kA, kD}},
        TPacketCase{"a packet over two pages",
                    [] {
                      return Paged({kA, kB, kD}, 255);
                    },
                    {kA, kB, kD}},
        // 510 bytes: two full segments and a zero one, each on a page of its own
        TPacketCase{"a segment a page",
                    [] {
                      return Paged({kA, kC, kD}, 1);
                    },
                    {kA, kC, kD}},
        TPacketCase{"an empty packet",
                    [] {
                      return Paged({kA, "", kD}, 2);
                    },
                    {kA, "", kD}},
        TPacketCase{"a page of another stream between",
                    [] {
                      const std::string ours = Paged({kA, kC, kD}, 1);
                      const size_t second = ours.find("OggS", 1);
                      return ours.substr(0, second) + Paged({kB}, 255, 99) + ours.substr(second);
                    },
                    {kA, kC, kD}},
        TPacketCase{"an Ogg Skeleton stream first",
                    [] {
                      return Paged({"fishead\0xx"s}, 255, 1) + Paged({kA, kD}, 255);
                    },
                    {kA, kD}},
        TPacketCase{
            "a first page that goes on with a packet not begun",
            [] { return Page(7, kContinued, "\xFF\x05"s + char(19), kB.substr(0, 260) + kA); },
            {kA}},
        TPacketCase{"a page lost within a packet",
                    [] {
                      return Page(7, kFirst, "\x13\xFF"s, kA + kB.substr(0, 255)) +
                             Page(7, 0, "\x03"s, kD);
                    },
                    {kA, kD}},
        TPacketCase{"a file cut within a packet",
                    [] {
                      return Paged({kA, kC}, 255).substr(0, 28 + 3 + 19 + 300);
                    },
                    {kA, kC.substr(0, 300)}},
        TPacketCase{
            "pages after the last one", [] { return Paged({kA}, 255) + Paged({kD}, 255); }, {kA}},
        TPacketCase{"no page at the start", [] { return "OggT" + Paged({kA}, 255); }, {}}),
    [](const auto& test) { return test::CaseName(test.param.What); });

TEST(OggPackets, NamesTheCodecByTheFirstPacket) {
  test::TTempDir dir;
  const std::vector<std::pair<std::string, TOggCodec>> cases = {
      {"\x01vorbis\x00\x00"s, TOggCodec::Vorbis},
      {"OpusHead\x01", TOggCodec::Opus},
      {"\x7F"
       "FLAC\x01\x00",
       TOggCodec::Flac},
      {"Speex   1.2", TOggCodec::Speex},
      {"Speex", TOggCodec::Unknown},
      {"\x01vorbi", TOggCodec::Unknown},
  };
  for (const auto& [first, codec] : cases) {
    TReadOnlyFile file;
    ASSERT_TRUE(file.Open(dir.Write("t.ogg", Paged({first, kD}, 255))));
    EXPECT_EQ(OggStreamCodec(file), codec) << first;
  }
}

}  // namespace
}  // namespace tunaro::tags
