#include "backup_commands.h"

#include "cli_errors.h"
#include "session.h"

#include <array>
#include <nlohmann/json.hpp>

namespace moorkeep::cli {

namespace {

constexpr std::array<OptionSpec, 1> jsonOption{{{"--json", false}}};
constexpr std::array<OptionSpec, 1> forceOption{{{"--force", false}}};
constexpr std::array<std::string_view, 1> idArgument{"ID"};

SystemVaultStore& systemStore(Session& session) {
    SystemVaultStore* store = session.systemStore();
    if (!store)
        throw RefusedInput("the demo data has no backups");
    return *store;
}

int list(Session& session, const ParsedArguments& args) {
    const auto backups = systemStore(session).backups().list();
    if (args.has("--json")) {
        nlohmann::json out = nlohmann::json::array();
        for (const auto& backup : backups)
            out.push_back({{"id", backup.id},
                           {"file", backup.file},
                           {"time", backup.time},
                           {"size", backup.size}});
        session.output().json(out);
        return 0;
    }
    std::vector<Row> rows;
    for (const auto& backup : backups)
        rows.push_back({backup.id, backup.file, backup.time, std::to_string(backup.size)});
    session.output().table({"ID", "FILE", "TIME", "SIZE"}, rows);
    return 0;
}

int restore(Session& session, const ParsedArguments& args) {
    SystemVaultStore& store = systemStore(session);
    const std::string& id = args.positionals[0];
    if (!store.backups().find(id))
        throw RefusedInput("there is no backup " + id + " (see 'moorkeepctl backup list')");
    if (args.has("--force")) {
        store.restoreBackup(id, SystemVaultStore::RestoreCheck::none);
        return 0;
    }
    try {
        store.restoreBackup(id);
    } catch (const OpenSSHCheck::Rejection& rejection) {
        throw OpenSSHCheck::Rejection(std::string(rejection.what()) +
                                      "\nTo put it back all the same, run 'moorkeepctl backup "
                                      "restore --force " +
                                      id + "'.");
    }
    return 0;
}

constexpr std::string_view listHelp = R"(Usage: moorkeepctl backup list [--json]

Lists the backups of the configuration files, newest first: the id, the file
it was taken from, the time (UTC) and the size in bytes. A backup is taken
each time a change replaces ~/.ssh/config or a file it includes; the newest 20
of each file are kept in $XDG_STATE_HOME/Moorkeep/backups (by default
~/.local/state/Moorkeep/backups).

Options:
  --json   print the backups as a JSON array
)";

constexpr std::string_view restoreHelp = R"(Usage: moorkeepctl backup restore [--force] ID

Puts the backup ID back in place of the file it was taken from, in one step.
What the file holds now is backed up first, so a restore can be undone too.
Only ~/.ssh/config and the files it includes now are restored, and only with
text that OpenSSH accepts.

Options:
  --force   put the backup back even though OpenSSH rejects it
)";

constexpr std::array<Command, 2> commands{{
    {"list", "list the backups", listHelp, jsonOption, {}, list},
    {"restore", "put a backup back", restoreHelp, forceOption, idArgument, restore},
}};

} // namespace

const CommandGroup& backupCommands() {
    static const CommandGroup group{
        "backup", "Lists the backups of the configuration files and puts one back.", commands};
    return group;
}

} // namespace moorkeep::cli
