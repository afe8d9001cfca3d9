// The whole strellon-render command, callable in-process so that tests can
// run it without a subprocess. Main thread.
#pragma once

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

namespace strellon::render {

struct CommandContext {
    std::string defaultPlugin;              // used when --plugin is not given
    bool progressBar = false;               // draw progress on err (a terminal)
    const std::atomic<bool>* stop = nullptr; // set to interrupt a render
};

// Returns the exit status: 0 done, 1 failed, 2 bad command line. Errors are
// one line on err; listings and the closing summary go to out.
int runRenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     const CommandContext& context);

}  // namespace strellon::render
