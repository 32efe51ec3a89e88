#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>
#include <optional>

// How the program names itself to the desktop: its name, version, desktop
// entry and icon, and its answers to --help and --version.
namespace moorkeep::AppIdentity {

// The text that --help or --version asks for, or nothing when the program
// is to start. Read before the application connects to a display, so these
// work anywhere; options this program does not know are left to Qt.
std::optional<QString> commandLineAnswer(const QStringList& arguments);

// The application icon: the desktop theme's, else the one built in.
QIcon icon();

// Sets the application's name, version, desktop file name and window icon;
// docks and task bars group the window under the installed desktop entry by
// this name.
void apply();

} // namespace moorkeep::AppIdentity
