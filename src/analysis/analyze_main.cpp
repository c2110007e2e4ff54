// The tolp-analyze program: perfect play in Tolp 2.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <streambuf>
#include <string_view>
#include <vector>

#include "analysis/analyze_command.hpp"

namespace {

// Standard output as a stream that remembers why a write failed, so that a
// full disk or a closed output is reported instead of passing for success.
class CheckedStdout : public std::streambuf {
public:
    // 0 when everything written so far arrived, else the first errno.
    int finish() {
        if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
            note_failure();
        }
        return error_;
    }

protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            const char byte = traits_type::to_char_type(c);
            xsputn(&byte, 1);
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        if (std::fwrite(text, 1, static_cast<std::size_t>(count), stdout) !=
            static_cast<std::size_t>(count)) {
            note_failure();
        }
        return count;  // the run goes on; the failure is reported at the end
    }
    int sync() override {
        if (std::fflush(stdout) != 0) {
            note_failure();
        }
        return 0;
    }

private:
    void note_failure() {
        if (error_ == 0) {
            error_ = errno != 0 ? errno : EIO;
        }
    }
    int error_ = 0;
};

}  // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    CheckedStdout checked;
    std::ostream out(&checked);
    const int status = tolp::analysis::run_analyze(args, out, std::cerr, tolp::analysis::this_machine());
    if (const int error = checked.finish(); error != 0) {
        std::fprintf(stderr, "tolp-analyze: cannot write output: %s\n", std::strerror(error));
        return 1;
    }
    return status;
}
