#ifndef MARL_DRIVER_PARAMETER_LINES_H_
#define MARL_DRIVER_PARAMETER_LINES_H_

#include <cstddef>
#include <functional>
#include <string>

namespace marl {

// Cuts the bytes of a parameter file into lines within two bounds: a line
// (its line break left out) of at most `maxLine` bytes, a file of at most
// `maxTotal` bytes. The bytes may come in pieces of any size; memory never
// grows past one line, so endless input such as /dev/zero costs nothing.
class ParameterLines {
 public:
  static constexpr std::size_t DefaultMaxLine = 64 * 1024;
  static constexpr std::size_t DefaultMaxTotal = 16 * 1024 * 1024;

  enum class Status { Good, LineTooLong, FileTooLarge };

  // `onLine` receives each whole line, without its '\n'.
  explicit ParameterLines(std::function<void(const std::string&)> onLine,
                          std::size_t maxLine = DefaultMaxLine,
                          std::size_t maxTotal = DefaultMaxTotal);

  // Takes the next bytes. Returns false once a bound has been passed; the
  // bytes from there on are dropped.
  bool feed(const char* data, std::size_t size);
  // Hands over the last line when the file does not end with a line break.
  bool finish();

  Status status() const { return status_; }
  // The line being read, counted from 1: the one at fault after a failure.
  std::size_t lineNumber() const { return lineNumber_; }
  std::size_t maxLine() const { return maxLine_; }
  std::size_t maxTotal() const { return maxTotal_; }

 private:
  std::function<void(const std::string&)> onLine_;
  std::size_t maxLine_;
  std::size_t maxTotal_;
  std::size_t total_ = 0;
  std::size_t lineNumber_ = 1;
  std::string line_;
  Status status_ = Status::Good;
};

}  // namespace marl

#endif  // MARL_DRIVER_PARAMETER_LINES_H_
