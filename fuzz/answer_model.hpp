// The fuzzers' own model of how the game reads its answers, written apart
// from the game's reader so that each checks the other: the text-mode
// translation, the cut at line feeds and at nine characters, and the value.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace tolp::fuzzing {

// The answers that the bytes give, in order, as a user's reads would see
// them. A carriage return directly before a line feed is dropped; 0x1A ends
// the input from a file, and from a terminal ends only the answer being read.
inline std::vector<std::string> model_answers(const std::uint8_t* data, std::size_t size,
                                              bool terminal) {
    std::vector<std::string> answers;
    std::string answer;
    const auto close = [&] {
        if (!answer.empty()) {
            answers.push_back(answer);
            answer.clear();
        }
    };
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\x1a') {
            close();
            if (!terminal) {
                return answers;
            }
            continue;
        }
        if (c == '\r' && i + 1 < size && data[i + 1] == '\n') {
            continue;  // the line feed that follows stands for both
        }
        answer += c;
        if (c == '\n' || answer.size() == 9) {
            close();
        }
    }
    close();
    return answers;
}

// The value of an answer: what strtol reads (it stops at a NUL, as the
// game's value does; nine characters always fit).
inline long model_value(const std::string& answer) {
    return std::strtol(answer.c_str(), nullptr, 10);
}

}  // namespace tolp::fuzzing
