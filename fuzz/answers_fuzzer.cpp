// Fuzzes reading answers: any bytes in, and the answers that come out must
// be the text-mode translation of the input, cut at line feeds and at nine
// characters, with nothing lost or duplicated, and values as the rule gives.
#include <cstdlib>
#include <string>

#include "game/answer_reader.hpp"
#include "game/text.hpp"
#include "memory_file.hpp"

namespace {

// What a text-mode read delivers: CR dropped before LF; 0x1A ends the input
// from a file, and from a terminal only separates reads.
std::string text_mode(const std::uint8_t* data, std::size_t size, bool terminal) {
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0x1A) {
            if (!terminal) {
                break;
            }
            continue;
        }
        if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') {
            continue;
        }
        text.push_back(static_cast<char>(data[i]));
    }
    return text;
}

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool terminal = (data[0] & 1) != 0;
    ++data, --size;
    auto in = tolp::fuzzing::open_bytes(data, size);
    tolp::AnswerReader reader(in.get(), terminal);

    std::string joined;
    // Every read takes at least one byte until the input ends, so this many
    // reads always reach the end.
    for (std::size_t reads = 0; reads <= size + 1; ++reads) {
        const auto answer = reader.read_answer();
        if (!answer) {
            continue;
        }
        check(!answer->empty() && answer->size() <= tolp::MAX_ANSWER_LENGTH);
        const auto line_feed = answer->find('\n');
        check(line_feed == std::string::npos || line_feed == answer->size() - 1);
        // strtol reads the same grammar, and stops at a NUL as the value does.
        check(tolp::answer_value(*answer) == std::strtol(answer->c_str(), nullptr, 10));
        joined += *answer;
    }
    check(joined == text_mode(data, size, terminal));
    return 0;
}
