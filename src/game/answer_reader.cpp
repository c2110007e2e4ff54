// Text-mode reading of answers: line-feed translation, the 0x1A end mark and
// the nine-character cut.
#include "game/answer_reader.hpp"

#include <cerrno>
#include <utility>

namespace tolp {

int AnswerReader::raw_byte() {
    if (pending_ != NO_BYTE) {
        return std::exchange(pending_, NO_BYTE);
    }
    errno = 0;
    const int c = std::getc(in_);
    if (c == EOF && std::ferror(in_) != 0 && read_error_ == 0) {
        read_error_ = errno != 0 ? errno : EIO;
    }
    return c;
}

int AnswerReader::next_char() {
    if (ended_) {
        return EOF;
    }
    int c = raw_byte();
    if (c == '\r') {
        const int after = raw_byte();
        if (after == '\n') {
            c = '\n';
        } else {
            pending_ = after;
        }
    }
    if (c == EOF || (c == END_OF_FILE_MARK && !from_terminal_)) {
        ended_ = true;
        return EOF;
    }
    if (c == END_OF_FILE_MARK) {
        return EOF;  // a terminal keeps reading after this answer
    }
    return c;
}

std::optional<std::string> AnswerReader::read_answer() {
    std::string answer;
    while (answer.size() < MAX_ANSWER_LENGTH) {
        const int c = next_char();
        if (c == EOF) {
            break;
        }
        answer.push_back(static_cast<char>(c));
        if (c == '\n') {
            break;
        }
    }
    if (answer.empty()) {
        return std::nullopt;
    }
    return answer;
}

void AnswerReader::wait_for_return() {
    for (int c = next_char(); c != EOF && c != '\n'; c = next_char()) {
    }
}

}  // namespace tolp
