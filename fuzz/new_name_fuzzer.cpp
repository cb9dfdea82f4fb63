// The new-name pipeline on arbitrary field values, templates and paths: expansion, the
// illegal-character filter, the GBK codec, and the rule that a new name never leaves the
// file's folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/name_builder.h"
#include "engine/rename_run.h"
#include "platform/codec.h"

namespace {

using namespace tunaro;

void Check(bool ok) {
  if (!ok) std::abort();
}

bool HasIllegal(std::string_view name) {
  return name.find_first_of(std::string_view("/><|:*?\\\"\0", 10)) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Pieces separated by 0x01: template, %1..%6 (GBK), old path, UTF-16 text.
  std::string_view in(reinterpret_cast<const char*>(data), size);
  std::string pieces[9];
  for (auto& piece : pieces) {
    const size_t cut = in.find('\x01');
    piece.assign(in.substr(0, cut));
    in.remove_prefix(cut == std::string_view::npos ? in.size() : cut + 1);
  }
  const std::string& tmpl = pieces[0];
  engine::TFieldValues gbk;
  for (size_t k = 0; k < gbk.size(); ++k) gbk[k] = pieces[k + 1];
  const std::string oldPath = pieces[7];

  // Expansion of values holding placeholders of their own must end; the fuzzer's time limit
  // turns a loop into a finding. Growth that ends may be exponential: the name stays bounded.
  std::string name = engine::ExpandTemplate(tmpl, gbk);
  const size_t length = name.size();
  Check(length <= engine::kMaxExpandedSize);
  engine::FilterIllegalChars(name);
  Check(name.size() == length);
  Check(!HasIllegal(name));

  const std::string newPath = engine::BuildNewPath(oldPath, tmpl, gbk);
  Check(engine::ExtractFilePath(newPath) == engine::ExtractFilePath(oldPath));
  const std::string ext = engine::ExtractFileExt(oldPath);
  Check(newPath.size() >= ext.size() &&
        newPath.compare(newPath.size() - ext.size(), ext.size(), ext) == 0);

  for (const auto& value : gbk) Check(platform::IsValidUtf8(platform::GbkToUtf8(value)));
  const std::string raw = platform::Utf8ToGbkOrRaw(oldPath);
  if (platform::IsValidUtf8(oldPath)) {
    // Either a loss-free conversion or the bytes as they stand.
    Check(raw == oldPath || platform::GbkToUtf8(raw) == oldPath);
  } else {
    Check(raw == oldPath);
  }
  const std::string& utf16 = pieces[8];
  const std::string fromWide =
      platform::Utf16LeToGbk(reinterpret_cast<const uint8_t*>(utf16.data()), utf16.size() / 2);
  Check(platform::IsValidUtf8(platform::GbkToUtf8(fromWide)));
  if (utf16.size() >= 2)
    platform::WideCharToGbk(static_cast<char16_t>(static_cast<uint8_t>(utf16[0]) |
                                                  static_cast<uint8_t>(utf16[1]) << 8));
  return 0;
}
