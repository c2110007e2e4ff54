// Reading the user's answers from a text stream, line by line.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

namespace tolp {

// The most characters one answer holds; the rest of a longer line forms the
// next answer.
inline constexpr std::size_t MAX_ANSWER_LENGTH = 9;

// Reads answers the way a text-mode stream delivers them: a carriage return
// directly before a line feed is dropped, a lone carriage return is kept, and
// the byte 0x1A ends the input (for good from a file or pipe; from a terminal
// it ends only the read in progress).
class AnswerReader {
public:
    AnswerReader(std::FILE* in, bool from_terminal) : in_(in), from_terminal_(from_terminal) {}

    // The characters up to and including the next line feed, at most
    // MAX_ANSWER_LENGTH of them. Empty when the input ends before the first.
    std::optional<std::string> read_answer();

    // Reads through the next line feed, however long the line. Returns at
    // once when the input has ended.
    void wait_for_return();

    // 0 while reading has never failed; else the errno of the read that
    // failed, which ended the input as its end would have.
    int read_error() const { return read_error_; }

private:
    static constexpr int NO_BYTE = -2;
    static constexpr int END_OF_FILE_MARK = 0x1A;

    int raw_byte();
    int next_char();  // one text-mode character, or EOF

    std::FILE* in_;
    bool from_terminal_;
    bool ended_ = false;     // no more input will come
    int pending_ = NO_BYTE;  // a byte read ahead after a carriage return
    int read_error_ = 0;
};

}  // namespace tolp
