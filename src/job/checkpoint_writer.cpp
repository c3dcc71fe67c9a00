#include "job/checkpoint_writer.h"

#include <exception>
#include <new>
#include <system_error>
#include <utility>

namespace marl {

namespace {

constexpr char ErrorMark[] = "marl: error: ";

// A failed write as the run's own report would say it.
void fellThrough(std::ostream& err, const char* why) {
  err << ErrorMark << "cannot write the checkpoint: " << why << '\n';
}

}  // namespace

CheckpointWriter::CheckpointWriter(std::ostream& diagnostics)
    : diagnostics_(diagnostics) {}

CheckpointWriter::~CheckpointWriter() { wait(); }

bool CheckpointWriter::idle() {
  if (!thread_.joinable()) return true;
  if (!done_.load(std::memory_order_acquire)) return false;
  wait();
  return true;
}

void CheckpointWriter::wait() {
  if (!thread_.joinable()) return;
  thread_.join();
  tell(words_.str());
  words_.str("");
}

void CheckpointWriter::prepare(uint32_t side, bool copy) {
  mayCopy_ = copy;
  if (!copy || !idle() || copy_) return;
  done_.store(false, std::memory_order_relaxed);
  try {
    thread_ = std::thread([this, side] {
      try {
        auto copy = std::make_unique<HitGrid>();
        copy->setSize(side);
        copy_ = std::move(copy);
      } catch (const std::bad_alloc&) {
        // Tried again, on the orbit's thread, at the first checkpoint.
      }
      done_.store(true, std::memory_order_release);
    });
  } catch (const std::exception&) {
    done_.store(true, std::memory_order_relaxed);
  }
}

void CheckpointWriter::release() {
  wait();
  copy_.reset();
}

void CheckpointWriter::tell(const std::string& words) {
  // A checkpoint that failed loses nothing counted: its "cannot write"
  // is a warning, and the line says that the count goes on.
  std::size_t from = 0;
  while (from < words.size()) {
    std::size_t end = words.find('\n', from);
    if (end == std::string::npos) end = words.size();
    const std::string line = words.substr(from, end - from);
    if (line.rfind(ErrorMark, 0) == 0) {
      diagnostics_ << "marl: warning: " << line.substr(sizeof ErrorMark - 1)
                   << "; counting goes on, and the next checkpoint tries "
                      "again\n";
    } else {
      diagnostics_ << line << '\n';
    }
    from = end + 1;
  }
  diagnostics_.flush();
}

void CheckpointWriter::writeHere(const HitGrid& grid, const Write& write) {
  std::ostringstream words;
  try {
    write(grid, words);
  } catch (const std::exception& e) {
    fellThrough(words, e.what());
  }
  tell(words.str());
}

void CheckpointWriter::writeWithoutCopy(const HitGrid& grid,
                                        const Write& write, const char* why) {
  if (!toldNoCopy_) {
    toldNoCopy_ = true;
    diagnostics_ << "marl: note: " << why << " for a copy of the counts to "
                 << "write beside the orbit; checkpoints are written while "
                    "it waits\n";
  }
  writeHere(grid, write);
}

void CheckpointWriter::start(const HitGrid& grid, Write write) {
  if (!idle()) return;
  if (!mayCopy_) {
    writeWithoutCopy(grid, write,
                     "the memory marl may use has no room");
    return;
  }
  try {
    if (!copy_) copy_ = std::make_unique<HitGrid>();
    copy_->copyOf(grid);
  } catch (const std::bad_alloc&) {
    copy_.reset();
    writeWithoutCopy(grid, write, "no memory");
    return;
  }
  pending_ = std::move(write);
  done_.store(false, std::memory_order_relaxed);
  try {
    thread_ = std::thread([this] {
      try {
        pending_(*copy_, words_);
      } catch (const std::exception& e) {
        fellThrough(words_, e.what());
      }
      done_.store(true, std::memory_order_release);
    });
  } catch (const std::exception&) {
    // No thread to be had: the copy is written now.
    done_.store(true, std::memory_order_relaxed);
    writeHere(*copy_, pending_);
  }
}

}  // namespace marl
