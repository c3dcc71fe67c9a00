#include "driver/parameter_lines.h"

#include <cstring>
#include <utility>

namespace marl {

ParameterLines::ParameterLines(std::function<void(const std::string&)> onLine,
                               std::size_t maxLine, std::size_t maxTotal)
    : onLine_(std::move(onLine)), maxLine_(maxLine), maxTotal_(maxTotal) {}

bool ParameterLines::feed(const char* data, std::size_t size) {
  if (status_ != Status::Good) return false;
  if (size > maxTotal_ - total_) {
    status_ = Status::FileTooLarge;
    return false;
  }
  total_ += size;
  const char* end = data + size;
  while (data != end) {
    const char* newline =
        static_cast<const char*>(std::memchr(data, '\n', std::size_t(end - data)));
    const char* stop = newline ? newline : end;
    if (std::size_t(stop - data) > maxLine_ - line_.size()) {
      status_ = Status::LineTooLong;
      return false;
    }
    line_.append(data, stop);
    if (!newline) break;
    onLine_(line_);
    line_.clear();
    ++lineNumber_;
    data = newline + 1;
  }
  return true;
}

bool ParameterLines::finish() {
  if (status_ != Status::Good) return false;
  if (!line_.empty()) onLine_(line_);
  line_.clear();
  return true;
}

}  // namespace marl
