#ifndef MARL_TESTS_SUPPORT_COMMAND_WORDS_H_
#define MARL_TESTS_SUPPORT_COMMAND_WORDS_H_

#include <string>
#include <utility>
#include <vector>

namespace marl_test {

// A command line for code that takes argc and argv: "marl", then `words`.
class CommandWords {
 public:
  explicit CommandWords(std::vector<std::string> words) : words_(std::move(words)) {
    words_.insert(words_.begin(), "marl");
    for (const std::string& w : words_) pointers_.push_back(w.c_str());
  }
  CommandWords(const CommandWords&) = delete;
  CommandWords& operator=(const CommandWords&) = delete;

  int argc() const { return int(pointers_.size()); }
  const char* const* argv() const { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<const char*> pointers_;
};

}  // namespace marl_test

#endif  // MARL_TESTS_SUPPORT_COMMAND_WORDS_H_
