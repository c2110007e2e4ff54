// The tolp-analyze program: perfect play in Tolp 2.
#include <iostream>
#include <string_view>
#include <vector>

#include "analysis/analyze_command.hpp"

int main(int argc, char* argv[]) {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return tolp::analysis::run_analyze(args, std::cout, std::cerr);
}
