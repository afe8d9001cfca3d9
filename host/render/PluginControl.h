// What the renderer asks of a plug-in before it plays: its programs and
// parameters by name, and setting them from the command line. Main thread.
#pragma once

#include <string>
#include <vector>

#include "host/PluginHost.h"

namespace strellon::render {

// Lower case without blanks: "  nisFilter1 " and "NISFILTER1" match.
std::string compactName(const std::string& name);

std::vector<std::string> programNames(host::HostedPlugin& plugin);
std::vector<std::string> parameterNames(host::HostedPlugin& plugin);

// choice is a program number or a program name (first match, compact names).
bool selectProgram(host::HostedPlugin& plugin, const std::string& choice, std::string& error);

// assignment is NAME=VALUE with VALUE a normalised value from 0 to 1.
bool setParameterByName(host::HostedPlugin& plugin, const std::string& assignment,
                        std::string& error);

// One line per program ("  3  Celtic Harp") or parameter ("  12  Exciter1  0.300000  30.0 %").
std::string programListing(host::HostedPlugin& plugin);
std::string parameterListing(host::HostedPlugin& plugin);

}  // namespace strellon::render
