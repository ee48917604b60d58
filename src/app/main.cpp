#include <iostream>
#include <string>
#include <vector>

#include "app/run.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    const int status = vantedit::runVantedit(args, std::cout);
    std::cout.flush();
    return status;
}
