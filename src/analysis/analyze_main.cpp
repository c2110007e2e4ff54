// The tolp-analyze program: perfect play in Tolp 2.
#include <cstdio>
#include <iostream>
#include <streambuf>
#include <string_view>
#include <vector>

#include "analysis/analyze_command.hpp"
#include "common/checked_output.hpp"

namespace {

// Standard output as a stream whose failed writes are remembered, so that a
// full disk or a closed output is reported instead of passing for success.
class CheckedStdout : public std::streambuf {
public:
    tolp::CheckedOutput& output() { return output_; }

protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            const char byte = traits_type::to_char_type(c);
            output_.write(&byte, 1);
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        output_.write(text, static_cast<std::size_t>(count));
        return count;  // the run goes on; the failure is reported at the end
    }
    // A flush tells the stream when output has failed, so that a long
    // table can stop at its first line that did not arrive.
    int sync() override {
        output_.flush();
        return output_.failed() ? -1 : 0;
    }

private:
    tolp::CheckedOutput output_{stdout};
};

}  // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    CheckedStdout checked;
    std::ostream out(&checked);
    const int status = tolp::analysis::run_analyze(args, out, std::cerr, tolp::analysis::this_machine());
    return tolp::exit_status_after_output("tolp-analyze", checked.output(), status);
}
