// Fuzzes reading answers: any bytes in, and the answers and their values
// must be exactly those of the fuzzers' own model of the reading.
#include <string>
#include <vector>

#include "answer_model.hpp"
#include "game/answer_reader.hpp"
#include "game/answer_value.hpp"
#include "memory_file.hpp"

namespace {

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

    std::vector<std::string> answers;
    // Every read takes at least one byte until the input ends, so this many
    // reads always reach the end.
    for (std::size_t reads = 0; reads <= size + 1; ++reads) {
        if (const auto answer = reader.read_answer()) {
            check(tolp::answer_value(*answer) == tolp::fuzzing::model_value(*answer));
            answers.push_back(*answer);
        }
    }
    check(answers == tolp::fuzzing::model_answers(data, size, terminal));
    return 0;
}
