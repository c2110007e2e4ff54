// Remembering the first failed write, and reporting it at the end.
#include "common/checked_output.hpp"

#include <cerrno>
#include <cstring>

namespace tolp {

void CheckedOutput::write(const char* data, std::size_t size) {
    if (std::fwrite(data, 1, size, out_) != size) {
        note_failure();
    }
}

void CheckedOutput::flush() {
    if (std::fflush(out_) != 0) {
        note_failure();
    }
}

int CheckedOutput::finish() {
    if (std::fflush(out_) != 0 || std::ferror(out_) != 0) {
        note_failure();
    }
    return error_;
}

void CheckedOutput::note_failure() {
    if (error_ == 0) {
        error_ = errno != 0 ? errno : EIO;
    }
}

int exit_status_after_output(const char* program, CheckedOutput& output, int status, int read_error) {
    if (read_error != 0) {
        std::fprintf(stderr, "%s: cannot read input: %s\n", program, std::strerror(read_error));
        status = 1;
    }
    if (const int error = output.finish(); error != 0) {
        std::fprintf(stderr, "%s: cannot write output: %s\n", program, std::strerror(error));
        status = 1;
    }
    return status;
}

}  // namespace tolp
