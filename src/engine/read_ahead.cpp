#include "engine/read_ahead.h"

#include "engine/name_builder.h"

namespace tunaro::engine {

namespace {

// When this many files in a row were found in the cache, the folder is warm and reading it
// twice would only cost the run: from then on one entry in kSampleEvery is read, to notice
// a cold stretch (another folder of a recursive list).
constexpr uint64_t kWarmStreak = 64;
constexpr size_t kSampleEvery = 64;

}  // namespace

uint8_t ReadAheadRegions(TReaderKind kind) {
  using platform::rrHead;
  using platform::rrTail;
  switch (kind) {
    case TReaderKind::MP3:  // ID3v1 at the end, ID3v2 at the start: both are read
    case TReaderKind::Monkey:
    case TReaderKind::MPEGplus:  // the header at the start, APE and ID3v1 tags at the end
      return rrHead | rrTail;
    case TReaderKind::TwinVQ:
    case TReaderKind::OggVorbis:
    case TReaderKind::RealMedia:
    case TReaderKind::WindowsMedia:
      return rrHead;
    case TReaderKind::None:
      break;
  }
  return 0;
}

TReadAhead::TReadAhead(const TFileList& list, unsigned threads, size_t window)
    : List_(list), Generation_(list.Generation()), Window_(window) {
  if (threads > 0 && window > 0) Pool_.emplace(threads, window);
  Batch_.reserve(window);
}

void TReadAhead::Advance(size_t index) {
  if (!Pool_) return;
  if (List_.Generation() != Generation_) {
    Stop();
    return;
  }
  Pool_->Passed(index);
  if (Next_ < index) Next_ = index;

  const uint64_t cold = Pool_->ColdFiles();
  if (cold != ColdSeen_) {
    ColdSeen_ = cold;
    Sampling_ = false;
  } else if (!Sampling_ && Pool_->CachedStreak() >= kWarmStreak) {
    Sampling_ = true;
  }

  // Refilled in batches, when half the window has been used up.
  if (Next_ >= index + Window_ / 2 && Next_ < List_.Count()) return;
  const size_t end = std::min(List_.Count(), index + Window_);
  for (; Next_ < end; ++Next_) {
    if (Sampling_ && Next_ % kSampleEvery != 0) continue;
    if (!List_.Checked(Next_)) continue;
    std::string path = List_.Path(Next_);
    const uint8_t regions = ReadAheadRegions(ReaderForExtension(ExtractFileExt(path)));
    if (regions != 0) Batch_.push_back({std::move(path), regions, Next_});
  }
  // What did not fit waits for the next refill, less what the run has passed meanwhile.
  size_t passed = 0;
  while (passed < Batch_.size() && Batch_[passed].Index < index) ++passed;
  Batch_.erase(Batch_.begin(), Batch_.begin() + static_cast<ptrdiff_t>(passed));
  if (!Batch_.empty()) Pool_->Add(Batch_);
}

void TReadAhead::Stop() {
  if (Pool_) Pool_->Stop();
}

}  // namespace tunaro::engine
