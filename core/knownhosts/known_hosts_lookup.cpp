#include "knownhosts/known_hosts_lookup.h"

#include "files/paths.h"
#include "knownhosts/known_hosts_digest.h"
#include "model/ascii.h"
#include "openssh/openssh_evaluator.h"

#include <climits>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace moorkeep::knownhosts {

namespace {

const std::string* valueOf(const HostEvaluation& evaluation, std::string_view keyword) {
    for (const auto& value : evaluation.effective)
        if (value.keyword == keyword)
            return &value.value;
    return nullptr;
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string word; in >> word;)
        out.push_back(word);
    return out;
}

// "${NAME}" from the environment, then the "%" tokens; nothing where ssh
// stops on an unset variable or an unknown token.
std::optional<std::string> expand(std::string_view text,
                                  const std::map<char, std::string>& tokens) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, 2) == "${") {
            const std::size_t end = text.find('}', i);
            if (end == std::string_view::npos)
                return std::nullopt;
            const char* value = std::getenv(std::string(text.substr(i + 2, end - i - 2)).c_str());
            if (!value)
                return std::nullopt;
            out += value;
            i = end;
        } else if (text[i] == '%') {
            if (i + 1 == text.size())
                return std::nullopt;
            const char token = text[++i];
            if (token == '%') {
                out += '%';
                continue;
            }
            const auto found = tokens.find(token);
            if (found == tokens.end())
                return std::nullopt;
            out += found->second;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> fileList(const std::string* value, std::string_view fallback) {
    const auto list = words(value ? *value : std::string(fallback));
    if (!list.empty() && equalsIgnoringCase(list.front(), "none"))
        return {};
    return list;
}

} // namespace

LocalFacts localFacts(const std::string& home, const std::string& user) {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        name[0] = '\0';
    return {home, user, name, ::getuid()};
}

KnownHostKeys lookupFor(const HostEvaluation& evaluation, const LocalFacts& local) {
    KnownHostKeys out;
    out.name = evaluation.name;
    const std::string* hostName = valueOf(evaluation, "hostname");
    const std::string host = hostName ? config::expandedHostName(*hostName, evaluation.name)
                                      : asciiLower(evaluation.name);
    const std::string* portText = valueOf(evaluation, "port");
    const std::string port = portText ? *portText : "22";
    const std::string* alias = valueOf(evaluation, "hostkeyalias");
    if (alias)
        out.lookupName = asciiLower(*alias);
    else
        out.lookupName = port == "22" ? host : "[" + host + "]:" + port;
    const std::string* checkIp = valueOf(evaluation, "checkhostip");
    out.checkHostIp = checkIp && equalsIgnoringCase(*checkIp, "yes");

    const std::string* user = valueOf(evaluation, "user");
    const std::string remoteUser = user ? *user : local.user;
    const std::string shortHost = local.hostName.substr(0, local.hostName.find('.'));
    const std::map<char, std::string> tokens{
        {'C', sha1Hex(local.hostName + host + port + remoteUser)},
        {'L', shortHost},
        {'i', std::to_string(local.uid)},
        {'k', alias ? out.lookupName : evaluation.name},
        {'l', local.hostName},
        {'n', evaluation.name},
        {'p', port},
        {'d', local.home},
        {'h', host},
        {'r', remoteUser},
        {'u', local.user}};
    for (const auto& file : fileList(valueOf(evaluation, "userknownhostsfile"),
                                     "~/.ssh/known_hosts ~/.ssh/known_hosts2"))
        if (auto expanded = expand(paths::expandTilde(file, local.home), tokens))
            out.userFiles.push_back(*expanded);
    out.globalFiles = fileList(valueOf(evaluation, "globalknownhostsfile"),
                               "/etc/ssh/ssh_known_hosts /etc/ssh/ssh_known_hosts2");
    return out;
}

} // namespace moorkeep::knownhosts
