#pragma once
// A whole program on the scripted back end: the state a test plays with and
// the script it plays.

#include "platform/backends/scripted/scripted_backend.hpp"
#include "state/program.hpp"

#include <string>

namespace schlingo::test {

// The folder of the shipped pictures and data files in the source tree.
inline std::string dataDirectory() {
    return std::string(SCHLINGO_SOURCE_DIR) + "/data";
}

struct ScriptedProgram {
    ScriptedProgram() {
        backend.attach(program.display);
        program.programDirectory = dataDirectory();
    }
    platform::ScriptedBackend backend;
    Program program{backend};
};

} // namespace schlingo::test
