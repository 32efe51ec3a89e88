#pragma once

#include "config/config_parser.h"
#include "model/config_records.h"

#include <string>
#include <string_view>
#include <vector>

namespace moorkeep::config {

// Turns directive lines, fed in reading order, into hosts and defaults. The
// lines need not outlive the call that feeds them, so a reader can hand them
// over as it meets them, without a list of every line of the configuration.
class LineInterpreter {
public:
    LineInterpreter(const ConfigParser::KeyPathToId& keyPathToId, const std::string& homedir);

    void add(std::string_view directive, std::string_view value, const std::string& sourceFile);
    // The hosts, completed from the defaults, and the defaults.
    ParsedConfig finish();

private:
    enum class Block { none, defaults, host };

    const ConfigParser::KeyPathToId& keyPathToId_;
    const std::string& homedir_;
    std::vector<SSHHost> hosts_; // the last one is current while in a host block
    Defaults defaults_;
    Block current_ = Block::none;
};

} // namespace moorkeep::config
