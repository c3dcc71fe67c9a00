#ifndef MARL_DRIVER_OPTION_READER_H_
#define MARL_DRIVER_OPTION_READER_H_

#include <cstdint>
#include <optional>
#include <ostream>
#include <set>
#include <string>

#include "base/choice_words.h"
#include "driver/argument_map.h"
#include "options/option_table.h"

namespace marl {

// What is wrong with a value, as a warning or a refusal says it.
struct Problem {
  // Follows "key=value " in both ("is above 12").
  std::string why;
  // Follows "; " in a warning: what is used instead ("using 12").
  std::string consequence;
  // The warning's own words in place of `why`, where they differ.
  std::string warningWhy = {};
  // Refused only when this key came from the picture's recipe too: a value
  // that only the command line's choice of it makes unusable is the user's
  // doing, and gets the warning.
  const char* alsoFromPicture = nullptr;
};

// The one reader of option values. Each kind is read as the program always
// has (text that is no number reads as 0, then the option's limits from the
// table apply), and a value that cannot be used as given is reported once:
// a warning on `err` when it came from the command line or a parameter
// file, naming the value given and what is used; a refusal when it came
// from a picture's recipe, which holds only values marl wrote. A refusal
// makes failed() true: then nothing is to be made.
class OptionReader {
 public:
  OptionReader(const ArgumentMap& map, std::ostream& err)
      : map_(map), err_(err) {}

  const ArgumentMap& map() const { return map_; }
  std::ostream& err() { return err_; }

  // The value as given; nullptr when absent. Every reading goes through
  // it, so the reader knows which keys were looked at.
  const std::string* text(const char* key);

  // A whole number within the table's limits (or lo..hi); nullopt when
  // absent. Digits are read as far as they go and past 64 bits saturate;
  // an option whose values are 32-bit passes 32-bit bounds and gets the
  // 32-bit limit.
  std::optional<int64_t> integer(const char* key);
  std::optional<int64_t> integer(const char* key, int64_t lo, int64_t hi);
  // A real within the table's limits; a value that is not finite reads as
  // 0 first.
  std::optional<double> real(const char* key);
  // A colour channel: above 255 is 255, otherwise the low 8 bits count, so
  // -1 reads as 255.
  std::optional<uint32_t> channel(const char* key);
  // On when the value holds "true" or "TRUE" anywhere, as quazi= always
  // has; a recipe holds only true or false.
  std::optional<bool> onOff(const char* key);
  // One of a table's words (base/choice_words.h); `value` is left alone
  // when absent or not one of them.
  template <typename Entry, std::size_t N>
  void choice(const char* key, const Entry (&table)[N],
              decltype(Entry::value)& value) {
    const std::string* given = text(key);
    if (!given || valueFor(table, *given, value)) return;
    report(key, *given,
           {"is not " + wordList(table),
            std::string("using ") + wordFor(table, value)});
  }

  // A value that cannot be used as given: warned about or refused, as the
  // class comment says.
  void report(const char* key, const std::string& text, const Problem& p);
  // A value that only a picture's recipe cannot hold: refused when it came
  // from one, and otherwise taken as the option takes any word.
  void refuseFromPicture(const char* key, const std::string& text,
                         const std::string& why);
  // Reports that the recipe's key=text cannot be used, `why` following the
  // value ("is above 12").
  void refuse(const char* key, const std::string& text,
              const std::string& why);
  // A value that makes no picture wherever it came from (a map that is
  // absurd): `why` is the whole reason. An error, and failed().
  void reject(const std::string& why);
  bool failed() const { return failed_; }

  // Every key of the map that no reading looked at, read strictly by its
  // kind and the table's limits: a recipe's value must be one marl writes,
  // even where this run does not use it. Refuses the first that is not.
  void checkUnread();

 private:
  const ArgumentMap& map_;
  std::ostream& err_;
  std::set<std::string> read_;
  bool failed_ = false;
};

// Strict readings, for values that must be exactly what marl writes: the
// whole text one number within the option's limits. The reason, to follow
// "key=value ", when it is not; empty when it is.
std::string strictWhole(const OptionSpec& spec, const std::string& text,
                        int64_t& out);
std::string strictReal(const OptionSpec& spec, const std::string& text,
                       double& out);
// `count` comma-separated reals within the option's limits (any count when
// 0); the whole reason, naming the key, when they are not.
std::string strictList(const OptionSpec& spec, const std::string& text,
                       std::size_t count, std::vector<double>& out);

}  // namespace marl

#endif  // MARL_DRIVER_OPTION_READER_H_
