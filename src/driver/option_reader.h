#ifndef MARL_DRIVER_OPTION_READER_H_
#define MARL_DRIVER_OPTION_READER_H_

#include <cstdint>
#include <optional>
#include <ostream>

#include "driver/argument_map.h"

namespace marl {

// Reads numeric options from the map the way the program always has (text
// that is no number reads as 0, then the option's limits apply) and says so
// on `err` whenever that changes what the user wrote: one warning per
// option, naming the value given and the value used. A value from a
// picture's recipe is not changed but refused: an error, and failed().
class OptionReader {
 public:
  OptionReader(const ArgumentMap& map, std::ostream& err)
      : map_(map), err_(err) {}

  // The key's whole number, limited to lo..hi; nullopt when absent. Digits
  // are read as far as they go and past 64 bits saturate; an option whose
  // values are 32-bit passes 32-bit bounds and gets the 32-bit limit.
  std::optional<int64_t> integer(const char* key, int64_t lo, int64_t hi);
  // The key's real number, limited to lo..hi; a value that is not finite
  // reads as 0 first.
  std::optional<double> real(const char* key, double lo, double hi);
  // A colour channel: above 255 is 255, otherwise the low 8 bits count, so
  // -1 reads as 255.
  std::optional<uint32_t> channel(const char* key);

  // Reports that the recipe's `key`=`text` cannot be used, `why` following
  // the value ("is above 12"): a picture's recipe holds exact values.
  void refuse(const char* key, const std::string& text, const std::string& why);
  // Whether a value has been refused; then no picture is to be made.
  bool failed() const { return failed_; }

 private:
  void warn(const char* key, const std::string& text, const char* why,
            const std::string& used);

  const ArgumentMap& map_;
  std::ostream& err_;
  bool failed_ = false;
};

}  // namespace marl

#endif  // MARL_DRIVER_OPTION_READER_H_
