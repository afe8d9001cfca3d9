#include "tools/panel/PanelCommand.h"

#include <cstdlib>
#include <optional>
#include <sstream>

#include "host/midi/MidiFile.h"
#include "host/render/DemoPiece.h"
#include "host/render/PluginControl.h"
#include "tools/panel/PanelSession.h"

namespace strellon::panel {

namespace {

const char* const kUsage =
    "usage: strellon-panel [options] [-o panel.png]\n"
    "Opens Strellon's editor without a screen and writes a picture of it.\n"
    "  --program P          program by number (0..127) or name\n"
    "  --demo-program       the program the demo piece starts with\n"
    "  --set I=V            parameter by index or name, normalised value 0..1\n"
    "  --notes K,K,...      hold these MIDI notes, so their string lamps light\n"
    "  --click X,Y          click at a window point (after the editor opened)\n"
    "  --drag X,Y:X2,Y2     press at X,Y, drag to X2,Y2 and release\n"
    "  -o, --output FILE    the PNG to write (panel.png)\n"
    "Clicks and drags are replayed in the order given.\n";

bool parseInt(const std::string& text, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return end && *end == '\0';
}

bool parsePoint(const std::string& text, Point& p) {
    const auto comma = text.find(',');
    long x = 0, y = 0;
    if (comma == std::string::npos || !parseInt(text.substr(0, comma), x) ||
        !parseInt(text.substr(comma + 1), y))
        return false;
    p = Point(int(x), int(y));
    return true;
}

struct Gesture {
    Point from;
    std::optional<Point> to;
};

bool setParameter(host::HostedPlugin& plugin, const std::string& assignment, std::string& error) {
    const auto equals = assignment.find('=');
    long index = -1;
    if (equals == std::string::npos || !parseInt(assignment.substr(0, equals), index))
        return render::setParameterByName(plugin, assignment, error);
    char* end = nullptr;
    const std::string valueText = assignment.substr(equals + 1);
    const float value = std::strtof(valueText.c_str(), &end);
    if (index < 0 || index >= plugin.effect()->numParams || valueText.empty() || *end != '\0') {
        error = "bad parameter setting \"" + assignment + "\" (INDEX=VALUE, index 0.." +
                std::to_string(plugin.effect()->numParams - 1) + ")";
        return false;
    }
    plugin.setParameter(vst2::int32(index), value);
    return true;
}

}  // namespace

int demoFirstProgram() {
    midi::MidiFile file;
    midi::MidiError error;
    if (!midi::parseMidi(render::demoPiece(), file, error)) return 0;
    for (const midi::MidiEvent& e : file.events)
        if ((e.status & 0xF0) == 0xC0) return e.data1;
    return 0;
}

int runPanelCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::optional<std::string> program;
    std::vector<std::string> settings;
    std::vector<int> notes;
    std::vector<Gesture> gestures;
    std::string output = "panel.png";
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        const auto value = [&]() -> const std::string& { return args[++i]; };
        if (a == "--help" || a == "-h") {
            out << kUsage;
            return 0;
        } else if (a == "--demo-program") {
            program = std::to_string(demoFirstProgram());
        } else if (a == "--program" && hasValue) {
            program = value();
        } else if (a == "--set" && hasValue) {
            settings.push_back(value());
        } else if (a == "--notes" && hasValue) {
            std::stringstream list(value());
            std::string item;
            long key = 0;
            while (std::getline(list, item, ',')) {
                if (!parseInt(item, key) || key < 0 || key > 127) {
                    err << "strellon-panel: bad note \"" << item << "\" (0..127)\n";
                    return 2;
                }
                notes.push_back(int(key));
            }
        } else if (a == "--click" && hasValue) {
            Gesture g;
            if (!parsePoint(value(), g.from)) {
                err << "strellon-panel: bad point \"" << args[i] << "\" (X,Y)\n";
                return 2;
            }
            gestures.push_back(g);
        } else if (a == "--drag" && hasValue) {
            const std::string& text = value();
            const auto colon = text.find(':');
            Gesture g;
            Point to;
            if (colon == std::string::npos || !parsePoint(text.substr(0, colon), g.from) ||
                !parsePoint(text.substr(colon + 1), to)) {
                err << "strellon-panel: bad drag \"" << text << "\" (X,Y:X2,Y2)\n";
                return 2;
            }
            g.to = to;
            gestures.push_back(g);
        } else if ((a == "-o" || a == "--output") && hasValue) {
            output = value();
        } else {
            err << "strellon-panel: unknown or incomplete option \"" << a << "\"\n" << kUsage;
            return 2;
        }
    }

    PanelSession session;
    if (!session.ok()) {
        err << "strellon-panel: " << session.error() << "\n";
        return 1;
    }
    std::string error;
    if (program && !render::selectProgram(session.plugin(), *program, error)) {
        err << "strellon-panel: " << error << "\n";
        return 2;
    }
    for (const std::string& s : settings)
        if (!setParameter(session.plugin(), s, error)) {
            err << "strellon-panel: " << error << "\n";
            return 2;
        }
    if (session.open() != 1) {
        err << "strellon-panel: the editor did not open\n";
        return 1;
    }
    session.paint();
    if (!notes.empty()) session.holdNotes(notes);
    for (const Gesture& g : gestures) {
        if (g.to) session.dragTo(g.from, *g.to);
        else session.click(g.from);
        session.idle();
    }
    // The first idle applies what changed and reads the lamps; the second
    // draws them; the paint shows the whole panel as a window would.
    session.idle();
    session.idle();
    session.paint();
    if (!session.savePng(output)) {
        err << "strellon-panel: cannot write " << output << "\n";
        return 1;
    }
    const vst2::intptr current = session.plugin().dispatch(vst2::effGetProgram);
    out << output << ": the editor with program " << current << " \""
        << session.plugin().text(vst2::effGetProgramName) << "\"\n";
    session.close();
    return 0;
}

}  // namespace strellon::panel
