// tonweave [FILE]: the tracker. FILE, a module or any importable file, is opened at start.
#include <csignal>
#include <string>
#include <vector>

#include "app/Exceptions.h"
#include "app/shell/Shell.h"

namespace {

void RequestTermination(int) { gShell.terminateRequested.store(true); }

}  // namespace

int main(int argc, char** argv) {
    // Before any other work, so that a fault anywhere becomes a CPUException.
    InstallFaultTranslator();
    std::signal(SIGTERM, RequestTermination);
    std::signal(SIGINT, RequestTermination);
    std::vector<std::string> arguments(argv, argv + argc);
    return Run(arguments);
}
