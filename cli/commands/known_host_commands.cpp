#include "known_host_commands.h"

#include "cli_errors.h"
#include "files/paths.h"
#include "session.h"

#include <array>

namespace moorkeep::cli::knownhostcommands {

namespace {

constexpr std::array<OptionSpec, 1> knownOptions{{{"--json", false}}};
constexpr std::array<OptionSpec, 1> forgetOptions{{{"--yes", false}}};
constexpr std::array<std::string_view, 1> nameArgument{"NAME"};

constexpr std::string_view knownHelp = R"(Usage: moorkeepctl host known NAME [--json]

Lists the host keys ssh trusts for NAME (an alias or any destination name):
the lines of the known_hosts files ssh reads for it (UserKnownHostsFile, then
GlobalKnownHostsFile) that give a key for the name ssh looks up, which is
HostKeyAlias when set, else the host name, written "[host]:port" when the
port is not 22. Hashed lines are matched too. Each key shows its type, its
SHA-256 fingerprint as ssh-keygen -l prints it, its file and line, whether the
line is hashed, and its marker (@cert-authority or @revoked). Lines ssh cannot
read are skipped and counted. With CheckHostIP, ssh also checks the keys kept
for the host's address, which are not listed.

Options:
  --json   print as a JSON object
)";

constexpr std::string_view forgetHelp = R"(Usage: moorkeepctl host forget NAME --yes

Removes the host keys ssh trusts for NAME from the user's known_hosts files,
as "ssh-keygen -R" does for the name ssh looks up: plain and hashed lines
that give a key for it, and nothing else. Lines with a marker
(@cert-authority, @revoked) and the global files stay. Each file changed keeps
its mode, and its previous bytes are kept beside it as FILE.old. A file with a
line ssh cannot read is not changed, as ssh-keygen refuses it. ssh asks to
confirm the key on the next connection.

Options:
  --yes   remove them; without it, only says what would be removed
)";

std::string markerText(KnownHostKey::Marker marker) {
    switch (marker) {
    case KnownHostKey::Marker::certAuthority:
        return "cert-authority";
    case KnownHostKey::Marker::revoked:
        return "revoked";
    case KnownHostKey::Marker::none:
        break;
    }
    return "";
}

std::string homeOf(Session& session) {
    const auto files = session.store().storeFiles();
    return files ? files->home : "";
}

nlohmann::json keysJson(const KnownHostKeys& keys, const std::string& home) {
    auto shown = [&](const std::vector<std::string>& files) {
        nlohmann::json out = nlohmann::json::array();
        for (const auto& file : files)
            out.push_back(paths::tilded(file, home));
        return out;
    };
    nlohmann::json list = nlohmann::json::array();
    for (const auto& key : keys.keys) {
        const std::string marker = markerText(key.marker);
        list.push_back({{"file", paths::tilded(key.file, home)},
                        {"line", key.line},
                        {"type", key.keyType},
                        {"fingerprint", key.fingerprint},
                        {"hashed", key.hashed},
                        {"marker", marker.empty() ? nlohmann::json() : nlohmann::json(marker)},
                        {"global", key.global}});
    }
    return {{"name", keys.name},
            {"lookupName", keys.lookupName},
            {"checkHostIp", keys.checkHostIp},
            {"userFiles", shown(keys.userFiles)},
            {"globalFiles", shown(keys.globalFiles)},
            {"malformedLines", keys.malformedLines},
            {"keys", list}};
}

void printKeys(Output& out, const KnownHostKeys& keys, const std::string& home) {
    const std::string who =
        keys.name +
        (keys.lookupName == keys.name ? std::string() : " (looked up as " + keys.lookupName + ")");
    if (keys.keys.empty()) {
        out.line("No key is known for " + who +
                 " yet: ssh will ask you to confirm the key on first connect.");
    } else {
        out.line("Host keys ssh trusts for " + who + ":");
        std::vector<Row> rows;
        for (const auto& key : keys.keys)
            rows.push_back(
                {key.keyType, key.fingerprint.empty() ? "-" : key.fingerprint,
                 paths::tilded(key.file, home) + ":" + std::to_string(key.line),
                 key.hashed ? "hashed" : "-",
                 key.marker == KnownHostKey::Marker::none ? "-" : "@" + markerText(key.marker)});
        out.table({"TYPE", "FINGERPRINT", "FILE:LINE", "NAME", "MARKER"}, rows);
    }
    if (keys.checkHostIp)
        out.line("CheckHostIP is on: ssh also checks the keys kept for the host's address.");
    if (keys.malformedLines > 0)
        out.warning(std::to_string(keys.malformedLines) +
                    (keys.malformedLines == 1 ? " line" : " lines") +
                    " of the known_hosts files could not be read and " +
                    (keys.malformedLines == 1 ? "was" : "were") + " skipped");
}

// "3 lines from ~/.ssh/known_hosts and 1 line from ~/.ssh/known_hosts2".
std::string removalText(const KnownHostKeys& keys, const std::string& home) {
    const auto perFile = keys.removableLinesPerFile();
    std::string text;
    for (std::size_t i = 0; i < perFile.size(); ++i) {
        const auto& [file, count] = perFile[i];
        text += (i == 0                    ? ""
                 : i + 1 == perFile.size() ? " and "
                                           : ", ") +
                std::to_string(count) + (count == 1 ? " line from " : " lines from ") +
                paths::tilded(file, home);
    }
    return text;
}

} // namespace

int known(Session& session, const ParsedArguments& args) {
    const KnownHostKeys keys = session.store().knownHostKeys(args.positionals[0]);
    const std::string home = homeOf(session);
    if (args.has("--json"))
        session.output().json(keysJson(keys, home));
    else
        printKeys(session.output(), keys, home);
    return 0;
}

int forget(Session& session, const ParsedArguments& args) {
    const std::string& name = args.positionals[0];
    const KnownHostKeys keys = session.store().knownHostKeys(name);
    const std::string home = homeOf(session);
    const std::string removal = removalText(keys, home);
    if (removal.empty()) {
        session.output().line("No key of " + keys.lookupName +
                              " to forget in the user's known_hosts files.");
        return 0;
    }
    if (!args.has("--yes"))
        throw RefusedInput("forgetting " + name + " removes " + removal +
                           " (each file's previous bytes kept as FILE.old); run again with --yes "
                           "to remove them");
    session.store().forgetHostKeys(name);
    return 0;
}

const Command knownCommand{"known",      "list the host keys ssh trusts for a host",
                           knownHelp,    knownOptions,
                           nameArgument, known};
const Command forgetCommand{"forget",     "remove a host's keys from the known_hosts files",
                            forgetHelp,   forgetOptions,
                            nameArgument, forget};

} // namespace moorkeep::cli::knownhostcommands
