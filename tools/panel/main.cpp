// strellon-panel: a picture of Strellon's editor without a screen. See --help.
#include <iostream>

#include "tools/panel/PanelCommand.h"

int main(int argc, char** argv) {
    return strellon::panel::runPanelCommand({argv + 1, argv + argc}, std::cout, std::cerr);
}
