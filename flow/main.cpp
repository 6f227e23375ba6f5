// The program: one desktop back end, one program-wide state, the game loop.
#include "flow/program.hpp"
#include "flow/startup.hpp"
#include "platform/backend.hpp"
#include "platform/host.hpp"

#include <memory>

int main() {
    const std::unique_ptr<schlingo::platform::Backend> backend =
        schlingo::platform::makeDesktopBackend();
    // One instance for the whole run; it is never destroyed, the process ends
    // inside runProgram while other threads may still present it.
    auto* program = new schlingo::Program(*backend);
    program->programDirectory = schlingo::platform::host::programDirectory();
    schlingo::runProgram(*program);
}
