#include "search/FileMapping.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <utility>

#include "search/MappedMemory.h"

namespace trawlix {

namespace {

// The live mappings, as the SIGBUS handler reads them: it may run at any moment in the
// thread that touched a page, so it takes no lock and reads only lock-free atomics. An
// entry is published by storing its begin last and withdrawn by clearing its begin first.
struct Entry {
  std::atomic<bool> used{false};
  std::atomic<uintptr_t> begin{0};
  std::atomic<uintptr_t> end{0};
  std::atomic<uintptr_t> firstFault{0};  // the faulting page's address, 0 for none
};
static_assert(std::atomic<uintptr_t>::is_always_lock_free &&
              std::atomic<bool>::is_always_lock_free);

constexpr int kEntries = 64;
Entry entries[kEntries];
uintptr_t pageSize = 4096;
struct sigaction previousAction;

// Hands a fault that is not ours to whoever handled SIGBUS before, or else to the default
// action: a fault then recurs when the handler returns, a sent signal is raised again.
void PassOn(int signal, siginfo_t* info, void* context) {
  if ((previousAction.sa_flags & SA_SIGINFO) != 0) {
    previousAction.sa_sigaction(signal, info, context);
    return;
  }
  if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
    previousAction.sa_handler(signal);
    return;
  }
  struct sigaction fallback = {};
  fallback.sa_handler = SIG_DFL;
  sigaction(SIGBUS, &fallback, nullptr);
  if (info->si_code <= 0) raise(SIGBUS);
}

// A fault inside a live mapping means that its file was cut short: the pages from the
// touched one to the mapping's end are replaced by zeros (mmap is a plain system call,
// safe here), and the read that faulted runs again on them.
void OnBusError(int signal, siginfo_t* info, void* context) {
  if (info->si_code > 0) {
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    for (Entry& entry : entries) {
      const uintptr_t begin = entry.begin.load(std::memory_order_acquire);
      if (begin == 0 || address < begin) continue;
      const uintptr_t end = entry.end.load(std::memory_order_relaxed);
      if (address >= end) continue;
      const uintptr_t page = address & ~(pageSize - 1);
      void* zeros = mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
      if (zeros != MAP_FAILED) {
        uintptr_t none = 0;
        entry.firstFault.compare_exchange_strong(none, page);
        return;
      }
      break;
    }
  }
  PassOn(signal, info, context);
}

bool InstallHandler() {
  const long size = sysconf(_SC_PAGESIZE);
  if (size > 0) pageSize = static_cast<uintptr_t>(size);
  struct sigaction action = {};
  action.sa_sigaction = OnBusError;
  action.sa_flags = SA_SIGINFO | SA_RESTART;
  sigemptyset(&action.sa_mask);
  return sigaction(SIGBUS, &action, &previousAction) == 0;
}

bool HandlerInstalled() {
  static const bool installed = InstallHandler();
  return installed;
}

int Publish(uintptr_t begin, uintptr_t end) {
  for (int i = 0; i < kEntries; ++i) {
    bool unused = false;
    if (!entries[i].used.compare_exchange_strong(unused, true)) continue;
    entries[i].end.store(end, std::memory_order_relaxed);
    entries[i].firstFault.store(0, std::memory_order_relaxed);
    entries[i].begin.store(begin, std::memory_order_release);
    return i;
  }
  return -1;
}

void Withdraw(int i) {
  entries[i].begin.store(0, std::memory_order_release);
  entries[i].end.store(0, std::memory_order_relaxed);
  entries[i].used.store(false, std::memory_order_release);
}

}  // namespace

TFileMapping::~TFileMapping() {
  Unmap();
}

TFileMapping::TFileMapping(TFileMapping&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      slot_(std::exchange(other.slot_, -1)) {}

TFileMapping& TFileMapping::operator=(TFileMapping&& other) noexcept {
  if (this != &other) {
    Unmap();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    slot_ = std::exchange(other.slot_, -1);
  }
  return *this;
}

bool TFileMapping::Map(int fd, size_t size) {
  Unmap();
  if (size == 0 || !HandlerInstalled()) return false;
  void* p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (p == MAP_FAILED) return false;
  const auto begin = reinterpret_cast<uintptr_t>(p);
  const int slot = Publish(begin, begin + RoundUp(size, pageSize));
  if (slot < 0) {
    munmap(p, size);
    return false;
  }
  data_ = static_cast<char*>(p);
  size_ = size;
  slot_ = slot;
  return true;
}

size_t TFileMapping::FirstFault() const {
  if (data_ == nullptr) return kNoFault;
  const uintptr_t page = entries[slot_].firstFault.load(std::memory_order_acquire);
  return page == 0 ? kNoFault : static_cast<size_t>(page - reinterpret_cast<uintptr_t>(data_));
}

void TFileMapping::Unmap() {
  if (data_ == nullptr) return;
  Withdraw(slot_);
  munmap(data_, size_);
  data_ = nullptr;
  size_ = 0;
  slot_ = -1;
}

}  // namespace trawlix
