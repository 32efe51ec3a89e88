#pragma once

#include "openssh/ignored_change.h"

#include <QString>
#include <functional>

class QWidget;

// The alert for a change OpenSSH would ignore, with the ways out that apply:
// moving the block above the one that wins and saving, or editing the
// defaults when "Host *" wins.
namespace moorkeep::IgnoredChangeAlert {

enum class Choice { moveAndSave, editDefaults, cancel };

// Opens it over parent, which stays as it is; chosen hears the answer once.
void open(const QString& message, const IgnoredChange::Winner& winner, const QString& alias,
          bool canMove, QWidget* parent, std::function<void(Choice)> chosen);

} // namespace moorkeep::IgnoredChangeAlert
