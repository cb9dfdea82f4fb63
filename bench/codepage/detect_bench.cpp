// How well a folder's code page is found from its files' legacy tag texts. Reads the texts of
// each language that make_detect_corpus.sh gathered, cuts them into tag-sized phrases, puts
// them into that language's old Windows code page, and makes folders of them as albums hold
// them: one artist and one album name for all files, a title each. Then every folder is
// decided at once, as the rename run decides it, and each file's texts decoded with the
// result. A file counts as right, declined (a text shows as undecodable, so the run gives it
// no name) or wrong (garbage that the run would take for a name).
//
//   detect_bench CORPUS_DIR
#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/codec.h"
#include "platform/codepage_detect.h"

namespace {

using tunaro::platform::TCodePage;

struct TLanguage {
  const char* Name;
  const char* Iconv;  // the code page's name for iconv, to make the bytes
  TCodePage Page;
};

const TLanguage kLanguages[] = {
    {"zh_CN", "GBK", TCodePage::Gbk},     {"zh_TW", "BIG5", TCodePage::Big5},
    {"ja", "CP932", TCodePage::ShiftJis}, {"ko", "CP949", TCodePage::Cp949},
    {"ru", "CP1251", TCodePage::Cp1251},  {"uk", "CP1251", TCodePage::Cp1251},
    {"de", "CP1252", TCodePage::Cp1252},  {"fr", "CP1252", TCodePage::Cp1252},
    {"es", "CP1252", TCodePage::Cp1252},  {"pl", "CP1250", TCodePage::Cp1250},
    {"cs", "CP1250", TCodePage::Cp1250},  {"hu", "CP1250", TCodePage::Cp1250},
    {"zh_CN", "UTF-8", TCodePage::Utf8},  {"ja", "UTF-8", TCodePage::Utf8},
};

bool IsAscii(const std::string& s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// UTF-8 to a code page, with glibc's iconv (the program itself never encodes to these
// pages); empty when the page lacks a character. Phrases are kept only when the platform's
// decoder gives them back exactly.
std::string Encode(const std::string& utf8, const char* to) {
  static std::map<std::string, iconv_t> open;
  iconv_t& cd = open[to];
  if (cd == nullptr) cd = iconv_open(to, "UTF-8");
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out(utf8.size() * 2 + 8, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* o = out.data();
  size_t outLeft = out.size();
  if (iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<size_t>(-1)) return {};
  out.resize(out.size() - outLeft);
  return out;
}

// A phrase as a tag field holds it: cut at punctuation, 2 to 30 bytes in its code page.
struct TPhrase {
  std::string Utf8, Bytes;
};

std::vector<TPhrase> Phrases(const std::string& file, const TLanguage& language, bool words) {
  std::vector<TPhrase> out;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    std::string piece;
    auto flush = [&] {
      while (!piece.empty() && piece.front() == ' ') piece.erase(0, 1);
      while (!piece.empty() && piece.back() == ' ') piece.pop_back();
      if (piece.size() >= 2) {
        const std::string bytes = Encode(piece, language.Iconv);
        if (!bytes.empty() && bytes.size() <= 30 &&
            tunaro::platform::LegacyToUtf8(bytes, language.Page) == piece)
          out.push_back({piece, bytes});
      }
      piece.clear();
    };
    for (const char c : line) {
      if (std::string_view(".,:;\"()%'\\!?[]{}<>=/|_*&#@$^~`").find(c) != std::string_view::npos ||
          (words && c == ' '))
        flush();
      else
        piece += c;
    }
    flush();
  }
  return out;
}

struct TScore {
  int Right = 0, Declined = 0, Wrong = 0;
  std::map<std::string, int> Decided;  // folders by the code page decided
};

// One file's fields read the folder's way.
void Score(const std::vector<TPhrase>& fields, const tunaro::platform::TFolderReading& folder,
           TScore& score) {
  tunaro::platform::TFileTexts texts;
  for (const TPhrase& f : fields) texts.push_back(f.Bytes);
  const auto reading = tunaro::platform::FileReading(folder, texts);
  bool declined = false, wrong = false;
  for (const TPhrase& f : fields) {
    const std::string got = tunaro::platform::ReadLegacyText(reading, f.Bytes, false);
    if (got == f.Utf8) continue;
    if (got.find(tunaro::platform::kUndecodable) != std::string::npos)
      declined = true;
    else
      wrong = true;
  }
  if (wrong)
    ++score.Wrong;
  else if (declined)
    ++score.Declined;
  else
    ++score.Right;
}

// Folders of `files` files: one artist and album name, a title each; `mixWith` other phrases
// for half of the files, when given.
TScore Run(std::vector<TPhrase> phrases, const std::vector<TPhrase>* mixWith, size_t files,
           size_t folders) {
  std::mt19937 random(7);
  std::shuffle(phrases.begin(), phrases.end(), random);
  TScore score;
  size_t next = 0, other = 0;
  for (size_t folder = 0; folder < folders && next + files + 2 <= phrases.size(); ++folder) {
    std::vector<std::vector<TPhrase>> tags;
    const TPhrase artist = phrases[next++], album = phrases[next++];
    for (size_t k = 0; k < files; ++k) {
      const bool mixed = mixWith != nullptr && k % 2 == 1 && other + 3 <= mixWith->size();
      if (mixed) {
        tags.push_back({(*mixWith)[other], (*mixWith)[other + 1], (*mixWith)[other + 2]});
        other += 3;
      } else {
        tags.push_back({artist, phrases[next++], album});
      }
    }
    std::vector<tunaro::platform::TFileTexts> texts;
    for (const auto& tag : tags) {
      texts.emplace_back();
      for (const TPhrase& f : tag) texts.back().push_back(f.Bytes);
    }
    const auto folderReading = tunaro::platform::JudgeFolder(texts);
    std::string decided = tunaro::platform::kCodePageNames[static_cast<size_t>(folderReading.Page)];
    if (folderReading.Mixed) decided = "mixed";
    ++score.Decided[decided];
    for (const auto& tag : tags) Score(tag, folderReading, score);
  }
  return score;
}

void Print(const char* what, const TScore& s) {
  std::printf("  %-22s right %5d  declined %5d  wrong %4d   folders:", what, s.Right, s.Declined,
              s.Wrong);
  for (const auto& [name, n] : s.Decided) std::printf(" %s %d", name.c_str(), n);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: detect_bench CORPUS_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  std::map<std::string, std::vector<TPhrase>> byName;
  for (const TLanguage& language : kLanguages) {
    const bool words = language.Page == TCodePage::Cp1252 || language.Page == TCodePage::Cp1250 ||
                       language.Page == TCodePage::Cp1251;
    std::vector<TPhrase> phrases = Phrases(dir + "/" + language.Name + ".txt", language, words);
    // Latin titles are mostly ASCII: keep one ASCII phrase for each one with accents.
    std::vector<TPhrase> kept;
    size_t ascii = 0, other = 0;
    for (TPhrase& p : phrases) {
      if (IsAscii(p.Bytes) ? ascii++ <= other : (++other, true)) kept.push_back(std::move(p));
    }
    const std::string key = std::string(language.Name) + "/" + language.Iconv;
    std::printf("%s (%zu phrases)\n", key.c_str(), kept.size());
    Print("albums of 10", Run(kept, nullptr, 10, 300));
    Print("folders of 3", Run(kept, nullptr, 3, 300));
    Print("single files", Run(kept, nullptr, 1, 1000));
    byName[key] = std::move(kept);
  }
  std::printf("mixed folders of 10 (half of the files from the second)\n");
  const std::pair<const char*, const char*> mixes[] = {
      {"zh_CN/GBK", "ja/CP932"},  {"zh_CN/GBK", "zh_TW/BIG5"}, {"de/CP1252", "ru/CP1251"},
      {"de/CP1252", "pl/CP1250"}, {"ko/CP949", "zh_CN/GBK"},   {"zh_CN/GBK", "zh_CN/UTF-8"},
  };
  for (const auto& [a, b] : mixes)
    Print((std::string(a) + "+" + b).c_str(), Run(byName[a], &byName[b], 10, 200));
  return 0;
}
