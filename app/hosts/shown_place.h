#pragma once

#include "model/host_evaluation.h"

#include <QString>
#include <string>

// Files and lines of the configuration as the detail pane names them.
namespace moorkeep::ShownPlace {

// A file as people write it: the home folder as "~".
QString path(const std::string& file);
// "~/.ssh/config line 12".
QString line(const ConfigPlace& place);

} // namespace moorkeep::ShownPlace
