#include <iostream>
#include <string>
#include <vector>

#include "app/run.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    const int status = vantedit::runVantedit(args, std::cout, std::cerr);
    std::cout.flush();
    std::cerr.flush();
    return status;
}
