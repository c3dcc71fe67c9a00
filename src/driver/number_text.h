#ifndef MARL_DRIVER_NUMBER_TEXT_H_
#define MARL_DRIVER_NUMBER_TEXT_H_

#include <cstdint>
#include <string>

namespace marl {

// Decimal text to integer as the C library's atoi reads it (leading white
// space, one sign, digits up to the first non-digit, 0 when none), except
// that a value beyond 32 bits saturates at the nearest limit instead of
// being undefined.
int32_t parseInteger(const std::string& text);

// Decimal text to double as the C library's atof reads it; 0.0 when nothing
// converts.
double parseReal(const std::string& text);

}  // namespace marl

#endif  // MARL_DRIVER_NUMBER_TEXT_H_
