#pragma once

#include "files/file_stamp.h"
#include "model/config_records.h"
#include "openssh/openssh_evaluator.h"
#include "reading/config_parser.h"
#include "reading/config_read_problem.h"
#include "stores/store_places.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace moorkeep {

// Reads the hosts and defaults of the configuration, with the values OpenSSH
// uses for them, and keeps the read a change under the change locks starts
// from.
class HostReader {
public:
    using KeyPathToId = StorePlaces::KeyPathToId;

    explicit HostReader(const StorePlaces& places);

    std::vector<ConfigLineSource> readConfigLines() const;
    std::vector<ConfigLineSource> readConfigLines(ConfigReadProblems& problems) const;
    ParsedConfig readConfig(const KeyPathToId& keyPathToId) const;
    // What OpenSSH makes of the configuration as it is now, or with some
    // files' texts replaced. With aliases, only for those: the option lines
    // of blocks that cannot apply to them are passed over, as
    // readDocument passes them over.
    config::OpenSSHEvaluator
    evaluatorWith(const config::TextOverrides& overrides,
                  const ConfigParser::AliasFilter* onlyAliases = nullptr) const;

    // The configuration, with every host or only those of these aliases,
    // what reading skipped and what it depended on. A read of some aliases
    // under the change locks is kept for the change that follows.
    struct ConfigRead {
        ParsedConfig config;
        ConfigReadProblems problems;
        ConfigFiles met;
        std::vector<std::string> certificateFiles; // every CertificateFile value
        // What OpenSSH makes of the files as read, kept by a read of some
        // aliases for the change that follows.
        std::shared_ptr<const config::OpenSSHEvaluator> evaluator;
    };
    // The files as OpenSSH reads them, before they are interpreted: read
    // while the keys are scanned, whose paths the interpreting needs.
    // With onlyAliases, the option lines of blocks that a reading of those
    // aliases does without (see read()) are left out.
    struct DocumentRead {
        config::ConfigDocument document;
        ConfigReadProblems problems;
        ConfigFiles met;
    };
    DocumentRead readDocument(const ConfigParser::AliasFilter* onlyAliases = nullptr) const;
    ConfigRead read(const ConfigParser::AliasFilter* onlyAliases, const KeyPathToId& keyPathToId,
                    DocumentRead files) const;

    // The hosts read() gives, those keep takes, each handed to sink as soon
    // as it is evaluated instead of kept: part 0's and part 1's (which follow
    // them) each in reading order, on two threads at the same time. The read
    // holds no hosts. Without withFacts a host's facts are only its block's
    // place.
    using HostSink = std::function<void(int part, SSHHost&& host)>;
    ConfigRead readHandingOver(const KeyPathToId& keyPathToId, DocumentRead files,
                               const std::function<bool(const SSHHost&)>& keep,
                               const HostSink& sink, bool withFacts) const;

    // The configuration with only the hosts of this alias, and the file of
    // its first Host line, read in one pass.
    struct ConfigBlock {
        ParsedConfig config;
        std::optional<std::string> file;
        ConfigReadProblems problems; // the files reading skipped
        // What OpenSSH makes of the files as read; never null.
        std::shared_ptr<const config::OpenSSHEvaluator> evaluator;
        std::vector<std::string> filesRead; // every file the reading met
    };
    ConfigBlock readConfigBlock(const std::string& alias, const KeyPathToId& keyPathToId) const;

private:
    // The configuration read once: the hosts (only those of onlyAliases,
    // when given) with the values OpenSSH uses for them. seen hears of every
    // Host line: its value and its file.
    using HostLineSeen = std::function<void(std::string_view value, const std::string& file)>;
    ConfigRead readEvaluated(const KeyPathToId& keyPathToId,
                             const ConfigParser::AliasFilter* onlyAliases, const HostLineSeen& seen,
                             DocumentRead files) const;
    // The configuration with only the hosts of these aliases, the file of
    // each one's first Host line, and what reading skipped and depended on.
    struct AliasesRead {
        ConfigRead read;
        std::map<std::string, std::string, std::less<>> blockFiles;
    };
    AliasesRead readAliases(const ConfigParser::AliasFilter& aliases,
                            const KeyPathToId& keyPathToId, DocumentRead files) const;
    // A read for some aliases made while this thread held the change locks:
    // a change that follows in the same hold (the command line reads a
    // host, then changes it) starts from it instead of reading every file
    // again, as long as each file it depended on is as it was.
    struct HeldRead {
        std::uint64_t hold = 0;
        ConfigParser::AliasFilter aliases;
        KeyPathToId keyPathToId;
        AliasesRead read;
        std::vector<std::pair<std::string, files::FileStamp>> stamps;
    };
    void keepHeldRead(const ConfigParser::AliasFilter& aliases, const KeyPathToId& keyPathToId,
                      const AliasesRead& read) const;
    // The held read, when it serves this alias, taken out: one change uses
    // it, and a reading let go of leaves its memory to the next.
    std::optional<AliasesRead> takeHeldRead(const std::string& alias,
                                            const KeyPathToId& keyPathToId) const;

    const StorePlaces& places_;
    mutable std::mutex heldReadMutex_;
    mutable std::optional<HeldRead> heldRead_;
};

} // namespace moorkeep
