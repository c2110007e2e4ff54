// Starting the built tolp program as a child process, on pipes or on a
// pseudo-terminal, and reading what it writes with a deadline.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace tolp::testing {

class ChildProcess {
public:
    // pipes: standard input and output are pipes to the test. terminal: both
    // are a pseudo-terminal. file: input comes from `input_path`, output
    // goes to a pipe. closed: no standard input at all, output to a pipe.
    enum class Wiring { pipes, terminal, file, closed };

    // Where standard output goes when it is not a terminal: a pipe to the
    // test, a file (output_path), or nowhere, the descriptor closed.
    enum class Output { pipe, file, closed };

    ChildProcess(const std::vector<std::string>& args, Wiring wiring,
                 const std::string& input_path = "", Output output = Output::pipe,
                 const std::string& output_path = "") {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(TOLP_PROGRAM));
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        if (wiring == Wiring::terminal) {
            pid_ = forkpty(&from_child_, nullptr, nullptr, nullptr);
            if (pid_ == 0) {
                execv(argv[0], argv.data());
                _exit(127);
            }
            to_child_ = from_child_;
            return;
        }
        int in[2];
        int out[2];
        if (pipe(in) != 0 || pipe(out) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            if (wiring == Wiring::pipes) {
                dup2(in[0], STDIN_FILENO);
            } else if (wiring == Wiring::file) {
                const int file = open(input_path.c_str(), O_RDONLY);
                dup2(file, STDIN_FILENO);
                close(file);
            } else {
                close(STDIN_FILENO);
            }
            if (output == Output::pipe) {
                dup2(out[1], STDOUT_FILENO);
            } else if (output == Output::file) {
                const int file = open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                dup2(file, STDOUT_FILENO);
                close(file);
            } else {
                close(STDOUT_FILENO);
            }
            dup2(errors_.get(), STDERR_FILENO);
            close(in[0]), close(in[1]), close(out[0]), close(out[1]);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        to_child_ = in[1];
        from_child_ = out[0];
        if (wiring != Wiring::pipes) {
            close_input();
        }
    }
    ~ChildProcess() {
        close_input();
        if (from_child_ >= 0) {
            close(from_child_);
        }
        if (pid_ > 0) {
            wait_for_exit();
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }

    void type(const std::string& text) const {
        [[maybe_unused]] const auto written = write(to_child_, text.data(), text.size());
    }

    // Ends the child's standard input (pipes only).
    void close_input() {
        if (to_child_ >= 0 && to_child_ != from_child_) {
            close(to_child_);
        }
        to_child_ = -1;
    }

    // Reads until `wanted` appears after the text that the last successful
    // call matched, the output ends, or `timeout` passes. Returns whether it
    // appeared.
    bool read_until(const std::string& wanted, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (const auto at = output_.find(wanted, matched_); at != std::string::npos) {
                matched_ = at + wanted.size();
                return true;
            }
            if (!read_more(deadline)) {
                return false;
            }
        }
    }

    // Reads until the output ends or `timeout` passes.
    void read_to_end(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (read_more(deadline)) {
        }
    }

    const std::string& output() const { return output_; }

    // What the child wrote to standard error (pipes, file and closed input).
    std::string errors() const {
        std::string text;
        char buffer[4096];
        for (off_t at = 0;;) {
            const auto n = pread(errors_.get(), buffer, sizeof buffer, at);
            if (n <= 0) {
                return text;
            }
            text.append(buffer, static_cast<std::size_t>(n));
            at += n;
        }
    }

    // The exit status, or -1 if the child did not exit normally. A child
    // still running after `patience` is killed: a test fails, never hangs.
    int wait_for_exit(std::chrono::milliseconds patience = std::chrono::seconds(60)) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        int status = 0;
        while (pid_ > 0) {
            const pid_t done = waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                pid_ = -1;
                exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            } else if (done < 0) {
                pid_ = -1;
            } else if (std::chrono::steady_clock::now() >= deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                pid_ = -1;
                exit_status_ = -1;
            } else {
                usleep(1000);
            }
        }
        return exit_status_;
    }

private:
    // An unnamed scratch file for the child's standard error.
    class ErrorFile {
    public:
        ErrorFile() {
            char path[] = "/tmp/tolp-errors-XXXXXX";
            fd_ = mkstemp(path);
            unlink(path);
        }
        ~ErrorFile() { close(fd_); }
        ErrorFile(const ErrorFile&) = delete;
        ErrorFile& operator=(const ErrorFile&) = delete;
        int get() const { return fd_; }

    private:
        int fd_;
    };

    // Appends what the child writes next; false when the output has ended
    // (on a terminal: EIO) or the deadline has passed.
    bool read_more(std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{from_child_, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char buffer[4096];
        const auto n = read(from_child_, buffer, sizeof buffer);
        if (n <= 0) {
            return false;
        }
        output_.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    ErrorFile errors_;
    pid_t pid_ = -1;
    int to_child_ = -1;
    int from_child_ = -1;
    int exit_status_ = -1;
    std::string output_;
    std::size_t matched_ = 0;  // where the next read_until starts looking
};

}  // namespace tolp::testing
