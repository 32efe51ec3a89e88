#pragma once

#include <string>
#include <utility>
#include <vector>

namespace moorkeep {
class ContentView;
}

// The window's steps the user waits for once the host list is shown, each
// timed from the input to the paint that shows its result: keystrokes in the
// search field, moves of the selection (to the host's facts, and to its known
// host keys), and opening the defaults dialog. Each figure is the slowest of
// its kind in the run; a name and milliseconds. The steps start once the
// work started on other threads after the load is done, and each once that
// of the step before is; how long the first wait took is a figure too.
std::vector<std::pair<std::string, double>> measureWindowSteps(moorkeep::ContentView& window);
