// Output whose failures are remembered rather than lost: a full disk or a
// closed standard output is reported when the program ends instead of
// passing for success, while the program itself goes on to its end.
#pragma once

#include <cstddef>
#include <cstdio>

namespace tolp {

class CheckedOutput {
public:
    explicit CheckedOutput(std::FILE* out) : out_(out) {}

    // Hands `size` bytes to the stream in one piece.
    void write(const char* data, std::size_t size);

    // Writes out what the stream holds.
    void flush();

    // Whether some write has failed so far.
    bool failed() const { return error_ != 0; }

    // Writes out what is still buffered. Returns 0 when every byte reached
    // the output, else the errno of the first write that failed.
    int finish();

private:
    void note_failure();

    std::FILE* out_;
    int error_ = 0;  // errno of the first failed write, or 0
};

// What a program ends with once its output is finished: `status`, or 1
// after "<program>: cannot write output: <reason>" on standard error when
// some output never arrived, and after "<program>: cannot read input:
// <reason>" when `read_error` (an errno) is not 0.
int exit_status_after_output(const char* program, CheckedOutput& output, int status, int read_error = 0);

}  // namespace tolp
