#ifndef MARL_BASE_CHOICE_WORDS_H_
#define MARL_BASE_CHOICE_WORDS_H_

#include <cstddef>
#include <string>

namespace marl {

// Look-ups in a table of the words for a family of choices: entries of
// { value, word }, the default first.

template <typename Entry, std::size_t N>
const char* wordFor(const Entry (&table)[N], decltype(Entry::value) value) {
  for (const Entry& e : table) {
    if (e.value == value) return e.word;
  }
  return table[0].word;
}

// False, with `value` left alone, when `word` is none of the table's.
template <typename Entry, std::size_t N>
bool valueFor(const Entry (&table)[N], const std::string& word,
              decltype(Entry::value)& value) {
  for (const Entry& e : table) {
    if (word == e.word) {
      value = e.value;
      return true;
    }
  }
  return false;
}

// The table's words as "a, b or c".
template <typename Entry, std::size_t N>
std::string wordList(const Entry (&table)[N]) {
  std::string list;
  for (std::size_t i = 0; i < N; ++i) {
    if (i > 0) list += i + 1 == N ? " or " : ", ";
    list += table[i].word;
  }
  return list;
}

}  // namespace marl

#endif  // MARL_BASE_CHOICE_WORDS_H_
