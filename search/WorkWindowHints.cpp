// The window's hinting side: the turns handed, in order, to the thread that asks the
// system to read their files into its page cache, and what those hints hold.
#include "search/WorkWindow.h"

namespace trawlix {

bool TWorkWindow::HintDue() {
  return hinting_ && hintNext_ < slots_.size() && budget_.LetsHint();
}

std::optional<std::pair<uint64_t, std::shared_ptr<const TWorkWindow::TJob>>>
TWorkWindow::WaitForHint() {
  TShortLock lock(mutex_);
  for (;;) {
    if (stop_) return std::nullopt;
    if (HintDue()) {
      const TSlot& slot = slots_[hintNext_++];
      return std::pair{slot.seq, std::shared_ptr<const TJob>(slot.job)};
    }
    hintWaits_ = true;
    hintCue_.wait(lock);
    hintWaits_ = false;
  }
}

void TWorkWindow::Hinted(uint64_t seq, size_t bytes, bool cold) {
  TShortLock lock(mutex_);
  TSlot* slot = SlotOf(seq);
  if (slot == nullptr) return;
  slot->hold.hinted = bytes;
  slot->cold = cold;
  budget_.Add({0, 0, bytes});
}

void TWorkWindow::SetHinting(bool on) {
  TShortLock lock(mutex_);
  hinting_ = on;
  if (on && hintWaits_) hintCue_.notify_one();
}

}  // namespace trawlix
