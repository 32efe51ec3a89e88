#include "openssh/host_effects.h"

#include "files/background_work.h"
#include "keys/identity_paths.h"
#include "model/ascii.h"
#include "model/input_rules.h"
#include "openssh/ssh_arguments.h"
#include "openssh/ssh_command.h"
#include "reading/config_syntax.h"

#include <pwd.h>
#include <span>
#include <unistd.h>
#include <unordered_map>

namespace moorkeep::config {

std::string localUserName() {
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name)
        return entry->pw_name;
    return {};
}

std::optional<std::string> keyIdOfIdentity(std::string_view value,
                                           const ConfigParser::KeyPathToId& keyPathToId,
                                           const std::string& homedir,
                                           const std::string& localUser) {
    const auto path = IdentityPaths::expanded(value, homedir, localUser);
    if (!path)
        return std::nullopt;
    auto found = keyPathToId.find(*path);
    if (found == keyPathToId.end())
        return std::nullopt;
    return found->second;
}

HostValues::HostValues(const OpenSSHEvaluator& evaluator,
                       const ConfigParser::KeyPathToId& keyPathToId, const std::string& homedir,
                       const std::string& localUser, bool withFacts)
    : evaluator_(evaluator)
    , keyPathToId_(keyPathToId)
    , homedir_(homedir)
    , localUser_(localUser)
    , withFacts_(withFacts) {}

const std::optional<std::string>& HostValues::keyIdOf(const std::string& value) {
    auto found = keyIds_.find(value);
    if (found == keyIds_.end())
        found = keyIds_.emplace(value, keyIdOfIdentity(value, keyPathToId_, homedir_, localUser_))
                    .first;
    return found->second;
}

void HostValues::apply(SSHHost& host) {
    if (host.source != HostSource::config)
        return;
    const auto& lines = evaluator_.document().lines;
    const std::string name = SSHCommand::destinationPattern(host.alias);
    // The values are taken from the lines themselves: text is made only
    // for what the record keeps.
    EvaluatedLines& found = found_;
    evaluator_.evaluateLines(name, localUser_, {}, found);
    host.user.clear();
    host.port = 22;
    host.keyId.reset();
    host.proxyJump.reset();
    host.hostname = name;
    OptionMap extras;
    HostFacts facts;
    facts.block = std::move(host.facts.block);
    bool identityFileApplies = false;
    for (const auto [index, own] : found.effective) {
        const DocumentLine& line = lines[index];
        const std::string_view keyword = line.keyword;
        if (keyword == "hostname") {
            host.hostname = valueOf(line);
        } else if (keyword == "user") {
            host.user = valueOf(line);
        } else if (keyword == "port") {
            host.port = InputRules::portFromText(valueOf(line));
        } else if (keyword == "proxyjump") {
            host.proxyJump = valueOf(line);
        } else if (keyword == "identityfile") {
            identityFileApplies = true;
            if (const auto& id = keyIdOf(valueOf(line))) {
                if (withFacts_)
                    facts.keyIds.push_back(*id);
                if (!host.keyId)
                    host.keyId = *id;
            }
        } else {
            // The spelling the host's record already uses is kept.
            std::string spelling(keyword);
            for (const auto& [written, ignored] : host.extraOptions)
                if (equalsIgnoringCase(written, keyword))
                    spelling = written;
            extras.insert_or_assign(std::move(spelling), valueOf(line));
        }
    }
    host.extraOptions = std::move(extras);
    if (!withFacts_) {
        HostFacts placeOnly;
        placeOnly.block = std::move(facts.block);
        host.facts = std::move(placeOnly);
        return;
    }
    if (!identityFileApplies)
        for (std::string_view file : IdentityPaths::defaultFiles)
            if (const auto& id = keyIdOf(std::string(file)))
                facts.keyIds.push_back(*id);
    facts.keysByDefault = !identityFileApplies && !facts.keyIds.empty();
    found.effective.clear();
    HostEvaluation described = evaluator_.describe(found, name, false);
    facts.shadowed = std::move(described.shadowed);
    facts.unresolved = std::move(described.unresolved);
    facts.alsoApplies = std::move(described.alsoApplies);
    host.facts = std::move(facts);
}

void applyEvaluation(std::vector<SSHHost>& hosts, const OpenSSHEvaluator& evaluator,
                     const ConfigParser::KeyPathToId& keyPathToId, const std::string& homedir,
                     const std::string& localUser) {
    // Each host is evaluated alone, so a large configuration's hosts are
    // shared between two threads.
    const std::span<SSHHost> all(hosts);
    files::runInTwoHalves(all.size(), 2000, [&](std::size_t begin, std::size_t end) {
        HostValues values(evaluator, keyPathToId, homedir, localUser);
        for (SSHHost& host : all.subspan(begin, end - begin))
            values.apply(host);
    });
}

} // namespace moorkeep::config
