#pragma once

#include "model/config_records.h"
#include "reading/config_parser.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace moorkeep::config {

// Turns directive lines, fed in reading order, into hosts and defaults. The
// lines need not outlive the call that feeds them, so a reader can hand them
// over as it meets them, without a list of every line of the configuration.
class LineInterpreter {
public:
    // With onlyAliases, the hosts of other aliases are skipped: they cost no
    // record, and the hosts kept and the defaults come out as without it.
    LineInterpreter(const ConfigParser::KeyPathToId& keyPathToId, const std::string& homedir,
                    const ConfigParser::AliasFilter* onlyAliases = nullptr);

    // line: the line's number in its file, counted from 1, which a host
    // keeps as the place of its block; 0 when not known, which leaves the
    // place empty.
    void add(std::string_view directive, std::string_view value, const std::string& sourceFile,
             std::size_t line);
    // Takes a Host line of one plain host name (its patterns as split) that
    // the aliases read leave out, as add() would, without splitting it
    // again; false, and nothing taken, for any other line.
    bool skipHost(std::span<const std::string> patterns);
    // Whether a Host line's patterns (as split) are one plain host name that
    // is none of these aliases: the block of another host, which a reading
    // of the aliases leaves out.
    static bool namesOtherHost(std::span<const std::string> patterns,
                               const ConfigParser::AliasFilter& aliases);
    // Whether the options that follow, until the next Host or Match line,
    // change nothing: a reader of a large file need not hand them over.
    bool ignoresOptions() const {
        return current_ == Block::none || current_ == Block::skippedHost;
    }
    // The hosts, completed from the defaults, and the defaults.
    ParsedConfig finish();

    // From now on each host is handed over as soon as its block ends (at
    // the next Host or Match line, or in finish()), with its id and
    // completed from these defaults (the whole configuration's, read
    // beforehand), instead of kept for finish(): for a reading that
    // evaluates each host at once and keeps none.
    void handOver(std::function<void(SSHHost&&)> sink, Defaults defaults) {
        sink_ = std::move(sink);
        handOverDefaults_ = std::move(defaults);
    }

private:
    enum class Block { none, defaults, host, skippedHost };

    void handOverCurrent();

    const ConfigParser::KeyPathToId& keyPathToId_;
    const std::string& homedir_;
    const ConfigParser::AliasFilter* onlyAliases_;
    std::vector<SSHHost> hosts_; // the last one is current while in a host block
    std::vector<bool> hasPort_;  // for each host: its block has a Port line
    Defaults defaults_;
    Block current_ = Block::none;
    std::function<void(SSHHost&&)> sink_;
    Defaults handOverDefaults_;
};

} // namespace moorkeep::config
