#include "host/render/PluginControl.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace strellon::render {

namespace {

bool parseIndex(const std::string& text, long& value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    value = std::strtol(text.c_str(), nullptr, 10);
    return true;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string compactName(const std::string& name) {
    std::string out;
    for (char c : name)
        if (!std::isspace(static_cast<unsigned char>(c)))
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::vector<std::string> programNames(host::HostedPlugin& plugin) {
    const int count = plugin.effect()->numPrograms;
    std::vector<std::string> names;
    bool indexed = true;
    for (int i = 0; i < count && indexed; ++i) {
        char buffer[256] = {};
        indexed = plugin.dispatch(vst2::effGetProgramNameIndexed, i, -1, buffer) != 0;
        buffer[sizeof buffer - 1] = '\0';
        names.emplace_back(buffer);
    }
    if (indexed) return names;
    // Plug-ins without indexed names: visit each program and come back.
    names.clear();
    const auto current = static_cast<vst2::int32>(plugin.dispatch(vst2::effGetProgram));
    for (int i = 0; i < count; ++i) {
        plugin.dispatch(vst2::effSetProgram, 0, i);
        names.push_back(plugin.text(vst2::effGetProgramName));
    }
    plugin.dispatch(vst2::effSetProgram, 0, current);
    return names;
}

std::vector<std::string> parameterNames(host::HostedPlugin& plugin) {
    std::vector<std::string> names;
    for (int i = 0; i < plugin.effect()->numParams; ++i) names.push_back(plugin.text(vst2::effGetParamName, i));
    return names;
}

bool selectProgram(host::HostedPlugin& plugin, const std::string& choice, std::string& error) {
    const int count = plugin.effect()->numPrograms;
    long index = -1;
    if (parseIndex(choice, index)) {
        if (index >= count) {
            error = "program " + choice + " does not exist (the plug-in has " + std::to_string(count) +
                    " programs, 0 to " + std::to_string(count - 1) + ")";
            return false;
        }
    } else {
        const std::vector<std::string> names = programNames(plugin);
        const std::string wanted = compactName(choice);
        for (int i = 0; i < static_cast<int>(names.size()) && index < 0; ++i)
            if (!wanted.empty() && compactName(names[i]) == wanted) index = i;
        if (index < 0) {
            error = "no program named \"" + choice + "\" (see --list-programs)";
            return false;
        }
    }
    plugin.changeProgram(index);
    return true;
}

bool setParameterByName(host::HostedPlugin& plugin, const std::string& assignment,
                        std::string& error) {
    const auto equals = assignment.find('=');
    if (equals == std::string::npos) {
        error = "--param wants NAME=VALUE, not \"" + assignment + "\"";
        return false;
    }
    const std::string name = assignment.substr(0, equals);
    const std::string valueText = trimmed(assignment.substr(equals + 1));
    char* end = nullptr;
    const double value = std::strtod(valueText.c_str(), &end);
    if (valueText.empty() || *end != '\0' || !std::isfinite(value) || value < 0.0 || value > 1.0) {
        error = "parameter value \"" + valueText + "\" for " + trimmed(name) +
                " is not a number from 0 to 1";
        return false;
    }
    const std::vector<std::string> names = parameterNames(plugin);
    const std::string wanted = compactName(name);
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        if (!wanted.empty() && compactName(names[i]) == wanted) {
            plugin.setParameter(i, static_cast<float>(value));
            return true;
        }
    }
    error = "no parameter named \"" + trimmed(name) + "\" (see --list-params)";
    return false;
}

std::string programListing(host::HostedPlugin& plugin) {
    std::string out;
    const std::vector<std::string> names = programNames(plugin);
    for (std::size_t i = 0; i < names.size(); ++i) {
        char line[320];
        std::snprintf(line, sizeof line, "%4zu  %s\n", i, names[i].c_str());
        out += line;
    }
    return out;
}

std::string parameterListing(host::HostedPlugin& plugin) {
    std::string out;
    const std::vector<std::string> names = parameterNames(plugin);
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        const std::string display = trimmed(plugin.text(vst2::effGetParamDisplay, i));
        const std::string label = trimmed(plugin.text(vst2::effGetParamLabel, i));
        char line[700];
        std::snprintf(line, sizeof line, "%4d  %-16s %9.6f  %s%s%s\n", i, trimmed(names[i]).c_str(),
                      plugin.getParameter(i), display.c_str(), label.empty() ? "" : " ",
                      label.c_str());
        out += line;
    }
    return out;
}

}  // namespace strellon::render
