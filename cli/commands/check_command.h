#pragma once

#include "command_table.h"
#include "diagnosis/finding.h"

#include <future>
#include <optional>

namespace moorkeep::cli {

// check: what is wrong with the OpenSSH set-up.
const Command& checkCommand();

// Whether ssh refuses the configuration, asked on a thread of its own as
// the command starts: ssh takes as long as a whole reading of it, which the
// command goes on with meanwhile. warn() waits for the answer and warns on
// standard error, in one line, so that what a read prints is not taken as
// what ssh uses.
class RefusalWarning {
public:
    explicit RefusalWarning(Session& session);
    void warn();

private:
    Session& session_;
    std::future<std::optional<Finding>> asked_;
};

} // namespace moorkeep::cli
