// The built program from outside: a whole game through pipes, as a script
// would play it, and on a pseudo-terminal, as a person would.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "support/child_process.hpp"
#include "support/messages.hpp"

namespace tolp::testing {
namespace {

using std::chrono::milliseconds;
constexpr milliseconds PATIENCE{20000};  // only a broken program waits this long

TEST(ProgramTest, WholeGameThroughPipes) {
    ChildProcess tolp({"9", "extra"}, ChildProcess::Wiring::pipes);
    ASSERT_TRUE(tolp.started());
    tolp.type("6\nc\n1\n4\n2\n\n");
    tolp.close_input();
    tolp.read_to_end(PATIENCE);
    EXPECT_EQ(tolp.output(),
              "Usage: " + std::string(TOLP_PROGRAM) + " <numsecspermove>" + RULES + opponent("9.000000") +
                  WHO + report(2, " 1", 4) + ask(5) + report(0, " 1", 3) + ask(1) + REFUSED + ask(1) +
                  "\nI win" + END);
    EXPECT_EQ(tolp.wait_for_exit(), 0);
}

// To a pipe, output waits in its buffer while the program waits for input,
// and all of it comes out at the end.
TEST(ProgramTest, OutputToAPipeIsHeldUntilTheEnd) {
    ChildProcess tolp({}, ChildProcess::Wiring::pipes);
    ASSERT_TRUE(tolp.started());
    EXPECT_FALSE(tolp.read_until("Choose n", milliseconds(300)));
    EXPECT_EQ(tolp.output(), "");
    tolp.close_input();  // end of input at the first question
    tolp.read_to_end(PATIENCE);
    EXPECT_EQ(tolp.output(), RULES + END);
    EXPECT_EQ(tolp.wait_for_exit(), 0);
}

// To a file, output goes out in blocks of exactly 4096 bytes: while the
// program waits for the next answer, the file holds the first full block.
TEST(ProgramTest, OutputToAFileGoesOutIn4096ByteBlocks) {
    char path[] = "/tmp/tolp-output-XXXXXX";
    close(mkstemp(path));
    {
        ChildProcess tolp({"0"}, ChildProcess::Wiring::pipes, "", ChildProcess::Output::file, path);
        ASSERT_TRUE(tolp.started());
        std::string refusals = "9\nh\n";
        for (int i = 0; i < 100; ++i) {
            refusals += "0\n";  // about 5 600 bytes of output in all
        }
        tolp.type(refusals);
        const auto deadline = std::chrono::steady_clock::now() + PATIENCE;
        struct stat file{};
        while (stat(path, &file) == 0 && file.st_size == 0 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(milliseconds(10));
        }
        std::this_thread::sleep_for(milliseconds(200));  // time for a wrongly sized second write
        ASSERT_EQ(stat(path, &file), 0);
        EXPECT_EQ(file.st_size, 4096);
        tolp.close_input();
        EXPECT_EQ(tolp.wait_for_exit(), 0);
        ASSERT_EQ(stat(path, &file), 0);
        EXPECT_GT(file.st_size, 5000);
    }
    unlink(path);
}

// Output that cannot be written is reported at the end, with status 1.
TEST(ProgramTest, OutputThatCannotBeWrittenIsAFailure) {
    const std::pair<ChildProcess::Output, std::string> cases[] = {
        {ChildProcess::Output::file, "No space left on device"},  // /dev/full
        {ChildProcess::Output::closed, "Bad file descriptor"},
    };
    for (const auto& [output, reason] : cases) {
        ChildProcess tolp({"0"}, ChildProcess::Wiring::pipes, "", output, "/dev/full");
        ASSERT_TRUE(tolp.started());
        tolp.type("3\nh\n1\n\n");
        tolp.close_input();
        EXPECT_EQ(tolp.wait_for_exit(), 1) << reason;
        EXPECT_EQ(tolp.errors(), "tolp: cannot write output: " + reason + "\n");
    }
}

// On a terminal each prompt is on the screen before the answer is typed.
TEST(ProgramTest, PromptsShowOnATerminalBeforeTheAnswer) {
    ChildProcess tolp({"0"}, ChildProcess::Wiring::terminal);
    ASSERT_TRUE(tolp.started());
    const std::pair<const char*, const char*> dialogue[] = {
        {"Choose n", "3\n"},
        {"Who to play first <h|c>?", "h\n"},
        {"How many will you take? ", "7\n"},
        {"You can't do that!", ""},
        {"How many will you take? ", "1\n"},
        {"takes 2", ""},
        {"You win", ""},
        {"Return to exit", "\n"},
    };
    for (const auto& [prompt, answer] : dialogue) {
        ASSERT_TRUE(tolp.read_until(prompt, PATIENCE)) << "waiting for " << prompt << " in\n"
                                                       << tolp.output();
        tolp.type(answer);
    }
    EXPECT_EQ(tolp.wait_for_exit(), 0);
}

}  // namespace
}  // namespace tolp::testing
