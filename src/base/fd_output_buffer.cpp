#include "base/fd_output_buffer.h"

#include <unistd.h>

#include <cerrno>

namespace marl {

FdOutputBuffer::FdOutputBuffer(int fd) : fd_(fd) {
  setp(buffer_, buffer_ + sizeof buffer_);
}

FdOutputBuffer::~FdOutputBuffer() { send(); }

bool FdOutputBuffer::send() {
  const char* p = pbase();
  while (p < pptr() && error_ == 0) {
    const ssize_t n = write(fd_, p, std::size_t(pptr() - p));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error_ = errno;
    else p += n;
  }
  // Bytes that could not be written are dropped: the stream reports bad.
  setp(buffer_, buffer_ + sizeof buffer_);
  return error_ == 0;
}

FdOutputBuffer::int_type FdOutputBuffer::overflow(int_type c) {
  if (!send()) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

int FdOutputBuffer::sync() { return send() ? 0 : -1; }

}  // namespace marl
