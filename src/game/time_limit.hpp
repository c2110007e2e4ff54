// Reading the time-limit argument of the command line.
#pragma once

#include <string_view>

namespace tolp {

// The seconds per move that `text` gives. Leading white space is skipped,
// then an optional sign, digits with an optional decimal point, and an
// optional exponent (e, E, d or D, an optional sign, digits). Reading stops at
// the first character that does not fit; an exponent letter without digits is
// left out ("1e" reads as 1). Text with no number reads as 0; "inf", "nan"
// and hexadecimal are not numbers here. Too large a value reads as infinity.
double read_time_limit(std::string_view text);

}  // namespace tolp
