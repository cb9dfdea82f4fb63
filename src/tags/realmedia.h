// RealMedia (RA, RM, RAM): the title and author of the content chunk found on the chunk chain.
#pragma once

#include <string>

namespace tunaro::tags {

class TReadOnlyFile;

class TRealMedia {
 public:
  TRealMedia() { Clear(); }

  void Clear();
  // False when the chain holds no content chunk or the file cannot be read; Found = result.
  bool Load(const std::string& fileName);
  // The same on a file the caller has open.
  bool Load(TReadOnlyFile& file);

  bool Found;
  std::string Title;
  std::string Artist;

 private:
  bool ReadContent(TReadOnlyFile& file);
};

}  // namespace tunaro::tags
