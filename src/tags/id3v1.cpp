#include "tags/id3v1.h"

#include <cstring>

#include "tags/file_reader.h"
#include "tags/text.h"

namespace tunaro::tags {

const std::array<const char*, 148> kGenreNames = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental",
    "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock", "Bass", "Soul", "Punk",
    "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic", "Darkwave",
    "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy",
    "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle", "Native American",
    "Cabaret", "New Wave", "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal",
    "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock",
    // Winamp extension
    "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival",
    "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock", "Progessive Rock", "Psychedelic Rock",
    "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour",
    "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus",
    "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad",
    "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "A capella",
    "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore", "Terror", "Indie",
    "BritPop", "Negerpunk", "Polsk Punk", "Beat", "Christian Gangsta Rap", "Heavy Metal",
    "Black Metal", "Crossover", "Contemporary Christian", "Christian Rock", "Merengue", "Salsa",
    "Trash Metal", "Anime", "JPop", "Synthpop"};

void TID3v1::Clear() {
  Found = false;
  VersionCode = 1;
  Title.clear();
  Artist.clear();
  Album.clear();
  Year.clear();
  Comment.clear();
  Track = 0;
  GenreIndex = 255;
}

namespace {

std::string Field(const uint8_t* block, size_t offset, size_t size) {
  return TrimRight(std::string_view(reinterpret_cast<const char*>(block + offset), size));
}

}  // namespace

void TID3v1::ParseBlock(const uint8_t* block) {
  if (std::memcmp(block, "TAG", 3) != 0) return;
  Found = true;
  const bool v11 =
      (block[125] == 0x00 && block[126] != 0x00) || (block[125] == 0x20 && block[126] != 0x20);
  VersionCode = v11 ? 2 : 1;
  Title = Field(block, 3, 30);
  Artist = Field(block, 33, 30);
  Album = Field(block, 63, 30);
  Year = Field(block, 93, 4);
  if (v11) {
    Comment = Field(block, 97, 28);
    Track = block[126];
  } else {
    Comment = Field(block, 97, 30);
  }
  GenreIndex = block[127];
}

bool TID3v1::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  if (!file.Open(fileName)) return false;
  return Load(file);
}

bool TID3v1::Load(TReadOnlyFile& file) {
  Clear();
  uint8_t block[128];
  if (!file.IsOpen() || file.Size() < 128 ||
      !file.ReadExactAt(file.Size() - 128, block, sizeof block))
    return false;
  ParseBlock(block);
  return true;
}

}  // namespace tunaro::tags
