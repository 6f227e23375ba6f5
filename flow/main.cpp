// The program: one desktop back end, one program-wide state, the game loop.
#include "flow/list_check_command.hpp"
#include "flow/startup.hpp"
#include "platform/seam/backend.hpp"
#include "platform/seam/host.hpp"
#include "schlingo_version.hpp"
#include "state/program.hpp"

#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    // For packagers and players asking which one they have. Arguments other
    // than these two are ignored, as ever.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("Schlingo " SCHLINGO_VERSION);
        return 0;
    }
    // Before any toolkit starts: the check needs no display.
    if (argc >= 2 && std::strcmp(argv[1], "--check-lists") == 0) {
        return schlingo::checkListsCommand(argc, argv);
    }
    const std::unique_ptr<schlingo::platform::Backend> backend = schlingo::platform::makeBackend();
    // One instance for the whole run; it is never destroyed, the process ends
    // inside runProgram while other threads may still present it.
    auto* program = new schlingo::Program(*backend);
    program->programDirectory = schlingo::platform::host::programDirectory();
    schlingo::runProgram(*program);
}
