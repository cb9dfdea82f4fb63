// RealMedia (RA, RM, RAM): the title and author of the content chunk found on the chunk chain.
#pragma once

#include <string>

namespace tunaro::tags {

class TRealMedia {
 public:
  TRealMedia() { Clear(); }

  void Clear();
  // False when the chain holds no content chunk or the file cannot be read; Found = result.
  bool Load(const std::string& fileName);

  bool Found;
  std::string Title;
  std::string Artist;

 private:
  bool ReadContent(const std::string& fileName);
};

}  // namespace tunaro::tags
