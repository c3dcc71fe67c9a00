#ifndef MARL_DRIVER_NUMBER_TEXT_H_
#define MARL_DRIVER_NUMBER_TEXT_H_

#include <cstdint>
#include <string>

namespace marl {

// Decimal text as the C library's atoi reads it, in 64 bits: leading white
// space, one sign, digits up to the first non-digit (0 when none); beyond 64
// bits the value saturates.
struct IntegerText {
  int64_t value = 0;
  bool number = false;     // the whole text is one whole number
  bool saturated = false;  // beyond 64 bits
};
IntegerText readIntegerText(const std::string& text);

// Decimal text to integer as the C library's atoi reads it (leading white
// space, one sign, digits up to the first non-digit, 0 when none), except
// that a value beyond 32 bits saturates at the nearest limit instead of
// being undefined.
int32_t parseInteger(const std::string& text);

}  // namespace marl

#endif  // MARL_DRIVER_NUMBER_TEXT_H_
