// How often the automatic code page takes a text for the wrong encoding. Reads UTF-8 texts,
// one a line, from standard input (make_codepage_corpus.sh gathers real Chinese ones) and
// cuts each into tag-sized phrases. Every phrase is tried twice:
//   - as GBK bytes, as an old Chinese tag holds it: auto must decode it to the phrase (not take
//     it for UTF-8, nor for Latin-1 passing for GBK);
//   - as UTF-8 bytes, as a current tag holds it: auto should take it for UTF-8.
// Prints the counts and the first mistakes of each kind.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "platform/codec.h"
#include "platform/codepage_detect.h"

namespace {

bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// Phrases as titles and names are: the line cut at ASCII punctuation, each piece kept at 2 to
// 60 bytes.
std::vector<std::string> Phrases(const std::string& line) {
  std::vector<std::string> out;
  std::string piece;
  auto flush = [&] {
    if (piece.size() >= 2 && piece.size() <= 60 && !IsAscii(piece)) out.push_back(piece);
    piece.clear();
  };
  for (char c : line) {
    if (c == '\n' || c == '.' || c == ',' || c == ':' || c == ';' || c == '"' || c == '(' ||
        c == ')' || c == '%' || c == '\'')
      flush();
    else
      piece += c;
  }
  flush();
  return out;
}

// Every run of `n` characters of a phrase: one- to three-character names are where
// accidents are likeliest.
std::vector<std::string> Windows(const std::string& phrase, size_t n) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < phrase.size(); ++i)
    if ((static_cast<unsigned char>(phrase[i]) & 0xC0) != 0x80) starts.push_back(i);
  starts.push_back(phrase.size());
  std::vector<std::string> out;
  for (size_t k = 0; k + n < starts.size(); ++k) {
    std::string w = phrase.substr(starts[k], starts[k + n] - starts[k]);
    if (!IsAscii(w)) out.push_back(w);
  }
  return out;
}

}  // namespace

// The text as a folder of one file holding it is read: judged by the folder detection first.
std::string ReadAlone(const std::string& bytes) {
  using namespace tunaro::platform;
  const TFileTexts file = {bytes};
  const TFolderReading reading = FileReading(JudgeFolder({file}), file);
  return ReadLegacyText(reading, bytes, false);
}

int main() {
  using tunaro::platform::AutoTakesAsUtf8;
  using tunaro::platform::GbkToUtf8;
  using tunaro::platform::LegacyToUtf8;
  using tunaro::platform::TCodePage;
  using tunaro::platform::Utf8ToGbk;
  size_t gbkTexts = 0, gbkMistaken = 0, utf8Texts = 0, utf8Missed = 0;
  std::vector<std::string> mistaken, missed;
  size_t shortTexts = 0, shortMistaken = 0, alone = 0, aloneMistaken = 0;
  std::vector<std::string> aloneMistakes;
  std::vector<std::string> shortMistakes;
  for (std::string line; std::getline(std::cin, line);) {
    for (const std::string& phrase : Phrases(line)) {
      for (size_t n = 1; n <= 3; ++n)
        for (const std::string& w : Windows(phrase, n)) {
          const std::string gbk = Utf8ToGbk(w);
          if (GbkToUtf8(gbk) != w) continue;
          ++shortTexts;
          if (AutoTakesAsUtf8(gbk) || LegacyToUtf8(gbk, TCodePage::Auto) != w) {
            ++shortMistaken;
            if (shortMistakes.size() < 20) shortMistakes.push_back(w);
          }
        }
      const std::string gbk = Utf8ToGbk(phrase);
      if (GbkToUtf8(gbk) == phrase) {  // only texts GBK holds whole
        ++gbkTexts;
        ++alone;
        if (ReadAlone(gbk) != phrase) {
          ++aloneMistaken;
          if (aloneMistakes.size() < 20) aloneMistakes.push_back(phrase);
        }
        if (AutoTakesAsUtf8(gbk) || LegacyToUtf8(gbk, TCodePage::Auto) != phrase) {
          ++gbkMistaken;
          if (mistaken.size() < 20) mistaken.push_back(phrase);
        }
      }
      ++utf8Texts;
      if (!AutoTakesAsUtf8(phrase)) {
        ++utf8Missed;
        if (missed.size() < 20) missed.push_back(phrase);
      }
    }
  }
  std::printf("GBK texts: %zu, not decoded as GBK: %zu\n", gbkTexts, gbkMistaken);
  std::printf("UTF-8 texts: %zu, taken for GBK: %zu\n", utf8Texts, utf8Missed);
  std::printf("GBK one to three characters: %zu, not decoded as GBK: %zu\n", shortTexts,
              shortMistaken);
  std::printf("GBK texts judged as a folder of their own: %zu, not decoded as GBK: %zu\n", alone,
              aloneMistaken);
  for (const auto& s : aloneMistakes) std::printf("  judged alone, not GBK: %s\n", s.c_str());
  for (const auto& s : shortMistakes) std::printf("  short GBK taken for UTF-8: %s\n", s.c_str());
  for (const auto& s : mistaken) std::printf("  GBK taken for UTF-8: %s\n", s.c_str());
  for (const auto& s : missed) std::printf("  UTF-8 taken for GBK: %s\n", s.c_str());
  return 0;
}
