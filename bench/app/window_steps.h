#pragma once

#include <string>
#include <utility>
#include <vector>

namespace moorkeep {
class ContentView;
}

// The window's steps the user waits for once the host list is shown, each
// timed from the input to the paint that shows its result: keystrokes in the
// search field, moves of the selection, and opening the defaults dialog.
// Each figure is the slowest of its kind in the run; a name and milliseconds.
std::vector<std::pair<std::string, double>> measureWindowSteps(moorkeep::ContentView& window);
