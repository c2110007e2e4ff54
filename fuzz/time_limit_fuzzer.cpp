// Fuzzes the time-limit argument against an independent reading of the same
// grammar: a longest-match automaton finds the number's end, d and D become
// e, and strtod converts. Both must give the same double, bit for bit.
#include <cstdlib>
#include <cstring>
#include <string>

#include "game/time_limit.hpp"

namespace {

enum State { START, SIGN, INT, POINT_ONLY, FRACTION, EXP_LETTER, EXP_SIGN, EXP_DIGITS, DEAD };

bool accepting(State s) { return s == INT || s == FRACTION || s == EXP_DIGITS; }

State step(State s, char c) {
    const bool digit = c >= '0' && c <= '9';
    const bool space = c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    const bool sign = c == '+' || c == '-';
    const bool letter = c == 'e' || c == 'E' || c == 'd' || c == 'D';
    switch (s) {
        case START: return space ? START : sign ? SIGN : digit ? INT : c == '.' ? POINT_ONLY : DEAD;
        case SIGN: return digit ? INT : c == '.' ? POINT_ONLY : DEAD;
        case INT: return digit ? INT : c == '.' ? FRACTION : letter ? EXP_LETTER : DEAD;
        case POINT_ONLY: return digit ? FRACTION : DEAD;
        case FRACTION: return digit ? FRACTION : letter ? EXP_LETTER : DEAD;
        case EXP_LETTER: return digit ? EXP_DIGITS : sign ? EXP_SIGN : DEAD;
        case EXP_SIGN:
        case EXP_DIGITS: return digit ? EXP_DIGITS : DEAD;
        case DEAD: return DEAD;
    }
    return DEAD;
}

double reference(const std::string& text) {
    std::size_t longest = 0;
    State s = START;
    for (std::size_t i = 0; i < text.size() && s != DEAD; ++i) {
        s = step(s, text[i]);
        if (accepting(s)) {
            longest = i + 1;
        }
    }
    std::string number = text.substr(0, longest);
    for (char& c : number) {
        if (c == 'd' || c == 'D') {
            c = 'e';
        }
    }
    return longest == 0 ? 0.0 : std::strtod(number.c_str(), nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A command-line argument ends at its first NUL.
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(std::strlen(text.c_str()));
    const double got = tolp::read_time_limit(text);
    const double want = reference(text);
    if (std::memcmp(&got, &want, sizeof got) != 0) {
        std::abort();
    }
    return 0;
}
