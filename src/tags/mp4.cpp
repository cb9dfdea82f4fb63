#include "tags/mp4.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string_view>
#include <utility>

#include "tags/file_reader.h"
#include "tags/text.h"

namespace tunaro::tags {

namespace {

constexpr uint32_t Type(const char (&s)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 24 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 8 | static_cast<uint8_t>(s[3]);
}
// The items whose names start with the copyright sign (0xA9 in Mac Roman).
constexpr uint32_t Marked(const char (&s)[4]) {
  return 0xA9u << 24 | static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8 | static_cast<uint8_t>(s[2]);
}

constexpr uint32_t kFtyp = Type("ftyp");
constexpr uint32_t kMdat = Type("mdat");
constexpr uint32_t kMoov = Type("moov");
constexpr uint32_t kTrak = Type("trak");
constexpr uint32_t kTkhd = Type("tkhd");
constexpr uint32_t kMdia = Type("mdia");
constexpr uint32_t kHdlr = Type("hdlr");
constexpr uint32_t kVide = Type("vide");
constexpr uint32_t kUdta = Type("udta");
constexpr uint32_t kMeta = Type("meta");
constexpr uint32_t kIlst = Type("ilst");
constexpr uint32_t kData = Type("data");
constexpr uint32_t kTrkn = Type("trkn");
constexpr uint32_t kAlbumArtist = Type("aART");

// The data types of the item values read.
constexpr uint32_t kUtf8 = 1;
constexpr uint32_t kUtf16BE = 2;

// The first read takes the head: ftyp, the headers up to the media data, or the start of a
// moov at the head. A box header beyond what was read brings the next block.
constexpr int64_t kHeadRead = 4096;
constexpr int64_t kBlockRead = 4096;

}  // namespace

struct TMP4::TBox {
  uint32_t Type = 0;
  int64_t Body = 0;  // where its contents start, after the header
  int64_t End = 0;
};

// The file's bytes by their offset, through one block read ahead, and its boxes within
// their parents.
class TMP4::TBoxes {
 public:
  explicit TBoxes(TReadOnlyFile& file) : File_(file) {}

  // `count` bytes at `offset`, or nullptr. When the block does not hold them, a new block is
  // read from `offset`: up to `ahead` in one read when that is no more than kMaxRead away,
  // else kBlockRead bytes.
  const uint8_t* At(int64_t offset, int64_t count, int64_t ahead) {
    if (offset >= Start_ && offset - Start_ + count <= Length_)
      return Block_.get() + (offset - Start_);
    int64_t want = ahead - offset <= kMaxRead ? ahead - offset : kBlockRead;
    want = std::min(std::max(want, count), File_.Size() - offset);
    if (want < count) return nullptr;
    if (want > Capacity_) {
      Block_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(want)]);
      Capacity_ = Block_ ? want : 0;
    }
    Length_ = 0;
    if (!Block_) return nullptr;
    const int64_t n = File_.ReadAt(offset, Block_.get(), static_cast<size_t>(want));
    if (n < count) return nullptr;
    Start_ = offset;
    Length_ = n;
    return Block_.get();
  }

  // The box whose header starts at `at`, within a parent that ends at `end`. False at the
  // parent's end, after kMaxBoxes boxes, and for a size that does not fit the parent: the
  // walk ends there quietly.
  bool Next(int64_t at, int64_t end, int64_t ahead, TBox& box) {
    if (Boxes_ >= kMaxBoxes || end - at < 8) return false;
    const uint8_t* p = At(at, 8, ahead);
    if (p == nullptr) return false;
    uint64_t size = LoadU32BE(p);
    box.Type = LoadU32BE(p + 4);
    int64_t header = 8;
    if (size == 1) {  // a 64-bit size follows the type
      header = 16;
      if (end - at < header || (p = At(at, header, ahead)) == nullptr) return false;
      size = static_cast<uint64_t>(LoadU32BE(p + 8)) << 32 | LoadU32BE(p + 12);
    } else if (size == 0) {  // to the end of the parent (of the file, at the top)
      size = static_cast<uint64_t>(end - at);
    }
    if (size < static_cast<uint64_t>(header) || size > static_cast<uint64_t>(end - at))
      return false;
    ++Boxes_;
    box.Body = at + header;
    box.End = at + static_cast<int64_t>(size);
    return true;
  }

  // Calls `each` with every child box of [from, end) until it returns false. With `whole`,
  // a read takes the rest of the parent at once where it fits kMaxRead.
  template <class F>
  void Children(int64_t from, int64_t end, bool whole, F&& each) {
    TBox box;
    for (int64_t at = from; Next(at, end, whole ? end : at + kBlockRead, box); at = box.End)
      if (!each(box)) return;
  }

 private:
  TReadOnlyFile& File_;
  std::unique_ptr<uint8_t[]> Block_;
  int64_t Capacity_ = 0;
  int64_t Start_ = 0;
  int64_t Length_ = 0;
  size_t Boxes_ = 0;
};

void TMP4::Clear() {
  Found = false;
  HasVideo = false;
  MajorBrand.clear();
  Title.clear();
  Artist.clear();
  AlbumArtist.clear();
  Album.clear();
  Year.clear();
  Comment.clear();
  Track = 0;
  ListFound_ = false;
}

bool TMP4::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  return file.Open(fileName) && Load(file);
}

bool TMP4::Load(TReadOnlyFile& file) {
  Clear();
  if (!file.IsOpen()) return false;
  TBoxes boxes(file);
  const int64_t size = file.Size();
  bool moovFound = false;
  bool afterMedia = false;
  TBox box;
  for (int64_t at = 0; !moovFound; at = box.End) {
    // After the media data, what is left of a moov-last file is its moov: one read takes it
    // whole. Elsewhere a block at a time, so that the media data is never read.
    const int64_t ahead = at == 0 ? kHeadRead : afterMedia ? size : at + kBlockRead;
    if (!boxes.Next(at, size, ahead, box)) break;
    if (at == 0 && box.Type == kFtyp && box.End - box.Body >= 4) {
      const uint8_t* brand = boxes.At(box.Body, 4, ahead);
      if (brand != nullptr) MajorBrand.assign(reinterpret_cast<const char*>(brand), 4);
    }
    if (box.Type == kMoov) {
      moovFound = true;
      ReadMoov(boxes, box);
    }
    afterMedia = box.Type == kMdat;
  }
  Found = ListFound_ && !HasVideo;
  return moovFound;
}

void TMP4::ReadMoov(TBoxes& boxes, const TBox& moov) {
  boxes.Children(moov.Body, moov.End, true, [&](const TBox& child) {
    if (child.Type == kTrak) {
      // A track counts as video by its handler; a disabled one (an audiobook's chapter
      // pictures) does not make the file a film.
      bool enabled = true;
      uint32_t handler = 0;
      boxes.Children(child.Body, child.End, false, [&](const TBox& part) {
        if (part.Type == kTkhd) {
          // Version, then the flags: the lowest bit says enabled.
          const uint8_t* p = part.End - part.Body >= 4 ? boxes.At(part.Body, 4, part.End) : nullptr;
          if (p != nullptr) enabled = (p[3] & 1) != 0;
        } else if (part.Type == kMdia) {
          boxes.Children(part.Body, part.End, false, [&](const TBox& m) {
            if (m.Type != kHdlr) return true;
            // Version and flags, a predefined word, then the handler type.
            const uint8_t* p = m.End - m.Body >= 12 ? boxes.At(m.Body, 12, m.End) : nullptr;
            if (p != nullptr) handler = LoadU32BE(p + 8);
            return false;
          });
        }
        return true;
      });
      if (handler == kVide && enabled) HasVideo = true;
    } else if (child.Type == kUdta) {
      boxes.Children(child.Body, child.End, true, [&](const TBox& meta) {
        if (meta.Type == kMeta) ReadMeta(boxes, meta);
        return true;
      });
    } else if (child.Type == kMeta) {
      ReadMeta(boxes, child);
    }
    return !HasVideo;
  });
}

void TMP4::ReadMeta(TBoxes& boxes, const TBox& meta) {
  // ISO files make meta a full box, with four bytes of version and flags (all zero) before
  // its children; QuickTime files have its first child (hdlr) right after its header.
  const uint8_t* p = meta.End - meta.Body >= 4 ? boxes.At(meta.Body, 4, meta.End) : nullptr;
  if (p == nullptr) return;
  const int64_t first = LoadU32BE(p) == 0 ? meta.Body + 4 : meta.Body;
  boxes.Children(first, meta.End, true, [&](const TBox& ilst) {
    if (ilst.Type == kIlst && !ListFound_) ReadItems(boxes, ilst);
    return true;
  });
}

void TMP4::ReadItems(TBoxes& boxes, const TBox& ilst) {
  ListFound_ = true;
  boxes.Children(ilst.Body, ilst.End, true, [&](const TBox& item) {
    // The items read and their fields; trkn has none, its value is a number.
    const std::pair<uint32_t, std::string*> items[] = {
        {Marked("nam"), &Title}, {Marked("ART"), &Artist}, {kAlbumArtist, &AlbumArtist},
        {Marked("alb"), &Album}, {Marked("day"), &Year},   {Marked("cmt"), &Comment},
        {kTrkn, nullptr}};
    const auto known = std::find_if(std::begin(items), std::end(items),
                                    [&](const auto& i) { return i.first == item.Type; });
    if (known == std::end(items)) return true;
    std::string* const field = known->second;
    boxes.Children(item.Body, item.End, true, [&](const TBox& data) {
      // Type (its low 24 bits), locale, then the value.
      const int64_t bytes = data.End - data.Body;
      if (data.Type != kData || bytes < 8 || bytes - 8 > kMaxTextBytes) return true;
      const uint8_t* p = boxes.At(data.Body, bytes, item.End);
      if (p == nullptr) return false;
      const uint32_t type = LoadU32BE(p) & 0xFFFFFFu;
      const uint8_t* value = p + 8;
      const auto length = static_cast<size_t>(bytes - 8);
      if (field == nullptr) {  // trkn: reserved, track, total
        if (length >= 4 && Track == 0) Track = LoadU16BE(value + 2);
      } else if (type == kUtf8) {
        const std::string_view text(reinterpret_cast<const char*>(value), length);
        AppendValue(*field, text.substr(0, text.find('\0')));
      } else if (type == kUtf16BE) {
        const bool bom = length >= 2 && ((value[0] == 0xFE && value[1] == 0xFF) ||
                                         (value[0] == 0xFF && value[1] == 0xFE));
        AppendValue(*field, bom ? Utf16BomToUtf8(value, length) : Utf16ToUtf8(value, length, true));
      }
      return true;
    });
    return true;
  });
}

}  // namespace tunaro::tags
