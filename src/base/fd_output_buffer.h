#ifndef MARL_BASE_FD_OUTPUT_BUFFER_H_
#define MARL_BASE_FD_OUTPUT_BUFFER_H_

#include <streambuf>

namespace marl {

// A stream buffer writing to a file descriptor that remembers why its first
// failed write failed (std::cout keeps no reason), so that a lost transcript
// can be reported with its cause. Bytes are sent on every flush and when
// the buffer is full.
class FdOutputBuffer : public std::streambuf {
 public:
  explicit FdOutputBuffer(int fd);
  ~FdOutputBuffer() override;
  FdOutputBuffer(const FdOutputBuffer&) = delete;
  FdOutputBuffer& operator=(const FdOutputBuffer&) = delete;

  // errno of the first failed write, 0 while none has failed.
  int error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool send();

  int fd_;
  int error_ = 0;
  char buffer_[4096];
};

}  // namespace marl

#endif  // MARL_BASE_FD_OUTPUT_BUFFER_H_
