// strellon-panel's command line: chooses a program, sets parameters, holds
// notes, replays clicks and drags on the editor and writes a PNG of it.
// Main thread.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace strellon::panel {

// Returns the exit status: 0 done, 1 failed, 2 bad arguments.
int runPanelCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The first program the demo piece selects, or 0 when it selects none.
int demoFirstProgram();

}  // namespace strellon::panel
