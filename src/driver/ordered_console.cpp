#include "driver/ordered_console.h"

namespace marl {

OrderedConsole::ChannelBuffer::ChannelBuffer(OrderedConsole& console,
                                             JobStreams& job, Channel channel)
    : console_(console), job_(job), channel_(channel) {
  setp(area_, area_ + sizeof area_);
}

int OrderedConsole::ChannelBuffer::sync() {
  if (pptr() != pbase())
    console_.write(job_, channel_, pbase(), std::size_t(pptr() - pbase()));
  setp(area_, area_ + sizeof area_);
  return 0;
}

OrderedConsole::ChannelBuffer::int_type OrderedConsole::ChannelBuffer::overflow(
    int_type c) {
  sync();
  if (traits_type::eq_int_type(c, traits_type::eof())) return 0;
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

OrderedConsole::JobStreams::JobStreams(OrderedConsole& console)
    : outBuffer_(console, *this, Out),
      errBuffer_(console, *this, Err),
      out_(&outBuffer_),
      err_(&errBuffer_) {
  err_ << std::unitbuf;  // diagnostics are not buffered, as on std::cerr
  err_.tie(&out_);
}

OrderedConsole::OrderedConsole(std::ostream& out, std::ostream& err)
    : streams_{&out, &err} {}

OrderedConsole::~OrderedConsole() { setStatus(""); }

OrderedConsole::JobStreams& OrderedConsole::open() {
  std::lock_guard<std::mutex> lock(mutex_);
  jobs_.push_back(std::make_unique<JobStreams>(*this));
  JobStreams& job = *jobs_.back();
  advance();
  return job;
}

void OrderedConsole::close(JobStreams& streams) {
  // Outside the lock: flushing writes through it.
  streams.out().flush();
  streams.err().flush();
  std::lock_guard<std::mutex> lock(mutex_);
  streams.closed_ = true;
  advance();
}

void OrderedConsole::waitUntilOpenBelow(int limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  jobForgotten_.wait(lock, [&] { return int(jobs_.size()) < limit; });
}

void OrderedConsole::write(JobStreams& job, Channel channel, const char* text,
                           std::size_t size) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (job.live_)
    print(channel, std::string(text, size));
  else if (!job.heldBack_.empty() && job.heldBack_.back().first == channel)
    job.heldBack_.back().second.append(text, size);
  else
    job.heldBack_.emplace_back(channel, std::string(text, size));
}

void OrderedConsole::advance() {
  bool forgotten = false;
  while (!jobs_.empty()) {
    JobStreams& head = *jobs_.front();
    if (!head.live_) {
      for (const auto& [channel, text] : head.heldBack_) print(channel, text);
      head.heldBack_.clear();
      head.live_ = true;
    }
    if (!head.closed_) break;
    jobs_.pop_front();
    forgotten = true;
  }
  if (forgotten) jobForgotten_.notify_all();
}

void OrderedConsole::print(Channel channel, const std::string& text) {
  if (text.empty()) return;
  eraseStatus();
  streams_[channel]->write(text.data(), std::streamsize(text.size()));
  streams_[channel]->flush();
  lineOpen_ = text.back() != '\n';
  drawStatus();
}

void OrderedConsole::setStatus(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  status_ = text;
  if (status_.empty())
    eraseStatus();
  else
    drawStatus();  // over the old line
}

void OrderedConsole::drawStatus() {
  // Drawn at the start of a line, it would overwrite the part printed.
  if (status_.empty() || lineOpen_) return;
  *streams_[Err] << '\r' << status_ << "\033[K" << std::flush;
  statusShown_ = true;
}

void OrderedConsole::eraseStatus() {
  if (!statusShown_) return;
  *streams_[Err] << "\r\033[K" << std::flush;
  statusShown_ = false;
}

}  // namespace marl
