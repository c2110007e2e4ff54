// Reading what the user types and what the command line gives: answers cut
// at nine characters in text mode, their integer values, and the time limit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>

#include "game/answer_reader.hpp"
#include "game/answer_value.hpp"
#include "game/time_limit.hpp"

namespace tolp {
namespace {

using namespace std::string_literals;

std::vector<std::string> all_answers(const std::string& input, bool from_terminal) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::tmpfile(), &std::fclose);
    std::fwrite(input.data(), 1, input.size(), in.get());
    std::rewind(in.get());
    AnswerReader reader(in.get(), from_terminal);
    std::vector<std::string> answers;
    // A terminal keeps reading after 0x1A, so stop at two empty reads in a row.
    for (int misses = 0; misses < 2;) {
        if (auto answer = reader.read_answer()) {
            answers.push_back(*answer);
            misses = 0;
        } else {
            ++misses;
        }
    }
    return answers;
}

TEST(AnswerReaderTest, SplitsInputIntoAnswers) {
    struct Case {
        std::string input;
        std::vector<std::string> from_file;
        std::vector<std::string> from_terminal;  // when it differs
    };
    const Case cases[] = {
        {"", {}, {}},
        {"abc\n", {"abc\n"}, {}},
        {"0123456789\n", {"012345678", "9\n"}, {}},
        {"123456789\n", {"123456789", "\n"}, {}},
        {"12345678\r\n", {"12345678\n"}, {}},  // the dropped CR does not count
        {"123456789\r\n", {"123456789", "\n"}, {}},
        {"1\r2\n", {"1\r2\n"}, {}},             // a lone CR is kept
        {"\r\r\n", {"\r\n"}, {}},
        {"7\r", {"7\r"}, {}},
        {"x", {"x"}, {}},                       // the last line needs no line feed
        {"a\0b\n"s, {"a\0b\n"s}, {}},           // NUL is a character like any other
        {"a\x1a" "b\n", {"a"}, {"a", "b\n"}},   // 0x1A: the end, or on a terminal one answer's end
        {"\x1a" "b\n", {}, {"b\n"}},
        {"\r\x1a" "b\n", {"\r"}, {"\r", "b\n"}},
        {std::string(20, '9') + "\n", {"999999999", "999999999", "99\n"}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(all_answers(c.input, false), c.from_file) << testing::PrintToString(c.input);
        const auto& terminal = c.from_terminal.empty() ? c.from_file : c.from_terminal;
        EXPECT_EQ(all_answers(c.input, true), terminal) << testing::PrintToString(c.input);
    }
}

TEST(AnswerReaderTest, WaitForReturnReadsOneWholeLine) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::tmpfile(), &std::fclose);
    const std::string input = std::string(10000, 'x') + "\r\nnext\n";
    std::fwrite(input.data(), 1, input.size(), in.get());
    std::rewind(in.get());
    AnswerReader reader(in.get(), false);
    reader.wait_for_return();
    EXPECT_EQ(reader.read_answer(), "next\n");
    reader.wait_for_return();  // at the end: returns at once
    EXPECT_EQ(reader.read_answer(), std::nullopt);
}

TEST(AnswerValueTest, WhiteSpaceSignDigits) {
    const std::pair<std::string, std::int32_t> cases[] = {
        {"7\n", 7},          {"7abc", 7},       {"+3", 3},           {"-3", -3},
        {"abc\n", 0},        {"\n", 0},         {"", 0},             {" \t\v\f\r\n-12", -12},
        {"- 3", 0},          {"+-3", 0},        {"3\0" "4"s, 3},     {"\0" "4"s, 0},
        {"999999999", 999999999}, {"-99999999", -99999999}, {"0x1A", 0},
        {"99999999999999999999", INT32_MAX},  // longer than any answer: saturates
    };
    for (const auto& [answer, value] : cases) {
        EXPECT_EQ(answer_value(answer), value) << testing::PrintToString(answer);
    }
}

TEST(TimeLimitTest, DecimalGrammar) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<std::string, double> cases[] = {
        {"0.95", 0.95},  {"2", 2},          {"2.5", 2.5},      {"  \t\n\v\f\r7", 7},
        {"+3e+2", 300},  {"1d1", 10},       {"1D-1", 0.1},     {"1E2", 100},
        {"1e", 1},       {"1e+", 1},        {"1d-x", 1},       {".5", 0.5},
        {"5.", 5},       {"5.e1", 50},      {".", 0},          {"-", 0},
        {"", 0},         {" ", 0},          {"word", 0},       {"inf", 0},
        {"nan", 0},      {"infinity", 0},   {"0x10", 0},       {"12abc", 12},
        {"1e999", inf},  {"-1e999", -inf},  {"1e-999", 0},     {"1,5", 1},
        {"0.000000000000000000001e21", 1},  {"4.9e-324", 4.9e-324},
    };
    for (const auto& [text, seconds] : cases) {
        EXPECT_EQ(read_time_limit(text), seconds) << '"' << text << '"';
    }
    EXPECT_TRUE(std::signbit(read_time_limit("-0")));
    EXPECT_TRUE(std::signbit(read_time_limit("-1e-999")));
    EXPECT_FALSE(std::signbit(read_time_limit("-")));
    EXPECT_EQ(read_time_limit(std::string(100000, '1') + "e-99990"), 1.1111111111111111e9);
    // 2^53 + 1 lies halfway between two doubles; a nonzero digit however far
    // behind it decides the rounding upward.
    EXPECT_EQ(read_time_limit("9007199254740993"), 9007199254740992.0);
    EXPECT_EQ(read_time_limit("9007199254740993" + std::string(5000, '0') + "1e-5001"),
              9007199254740994.0);
    // 2.5 times the smallest double, written out exactly, needs 753
    // significant digits: it is a tie and rounds to even, 2 times; one more
    // digit beyond them makes it 3 times. Fewer kept digits would miss that.
    const std::string two_and_a_half_smallest =
        "12351641146031163604414219821705534309126495065358119110639642062516887681755218"
        "79663249590904089980949491411738614294327316641775889849490996936990026954695315"
        "75178297577851131961454291962245525922179659014249682680762501596852288391246096"
        "82811834931829240378500792884634951853155964139779275666463917169204675989007765"
        "62329863178978731138323263641361002818700324274998854829973522701041408311311892"
        "86967253681695039838809652887533700881623368004844756702677687292583305671118833"
        "39302081079840230957233645920150265028765424524382695855693295823119762456311826"
        "94093981811968664021194550933617424883411754493169429396281415137799782876222775"
        "36275946568454181273895934743339974841620248529105142565927256981069188614130727"
        "188467062660492956638336181640625";
    const double smallest = std::numeric_limits<double>::denorm_min();
    EXPECT_EQ(read_time_limit("0." + two_and_a_half_smallest + "e-322"), 2 * smallest);
    EXPECT_EQ(read_time_limit("0." + two_and_a_half_smallest + "1e-322"), 3 * smallest);
    EXPECT_EQ(read_time_limit("0." + std::string(5000, '0') + "9007199254740993" +
                              std::string(5000, '0') + "1e5016"),
              9007199254740994.0);
}

}  // namespace
}  // namespace tolp
