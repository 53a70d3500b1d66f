// tonweave-convert: converts songs between the module file and the formats the tracker
// imports and exports, without the tracker's window. See Convert.h.
#include <iostream>
#include <string>
#include <vector>

#include "tools/convert/Convert.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return RunConvert(arguments, std::cout, std::cerr);
}
