#include <chrono>
#include <iostream>
#include <string>
#include <vector>

#include "tovra-life/LifeCli.h"

namespace {

unsigned long long SeedFromClock() {
    return static_cast<unsigned long long>(std::chrono::system_clock::now().time_since_epoch().count());
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    return tovra::life::RunLifeCli(args, std::cout, std::cerr, SeedFromClock);
}
