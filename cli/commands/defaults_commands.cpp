#include "defaults_commands.h"

#include "cli_errors.h"
#include "field_options.h"
#include "model/ascii.h"
#include "model/record_json.h"
#include "openssh/defaults_overrides.h"
#include "openssh/effect_check.h"
#include "openssh/openssh_check.h"
#include "openssh/ssh_arguments.h"
#include "record_views.h"
#include "session.h"
#include "stores/vault_rules.h"

#include <algorithm>
#include <array>

namespace moorkeep::cli {

namespace {

constexpr std::array<OptionSpec, 1> jsonOption{{{"--json", false}}};

int show(Session& session, const ParsedArguments& args) {
    const VaultData& data = session.data();
    if (args.has("--json"))
        session.output().json(data.defaults);
    else
        session.output().fields(views::defaultsFields(data.defaults, data.keys));
    return 0;
}

// Removing a default that a block other than Host * gives every host would
// change nothing OpenSSH uses: the user hears which line gives it instead.
void refuseUnsetElsewhere(Session& session, const FieldChanges& changes) {
    VaultStore& store = session.store();
    const auto files = store.storeFiles();
    if (!files)
        return;
    // Keyword as ssh -G prints it, and as the user named it.
    std::vector<std::pair<std::string, std::string>> removed;
    if (changes.proxyJump && !*changes.proxyJump)
        removed.emplace_back("proxyjump", "ProxyJump");
    if (changes.keyId && changes.keyId->value_or("").empty())
        removed.emplace_back("identityfile", "IdentityFile");
    // Port 22 is written as no Port line.
    if (changes.port == 22)
        removed.emplace_back("port", "Port");
    if (changes.user && changes.user->empty())
        removed.emplace_back("user", "User");
    for (const auto& option : changes.options)
        if (!option.value)
            removed.emplace_back(asciiLower(option.name), option.name);
    if (removed.empty())
        return;
    const auto evaluator = store.evaluator();
    const HostEvaluation evaluation = evaluator->evaluate(OpenSSHCheck::anyHost, store.localUser());
    for (const auto& value : evaluation.effective) {
        const auto name = std::find_if(removed.begin(), removed.end(), [&](const auto& entry) {
            return entry.first == value.keyword;
        });
        if (name == removed.end())
            continue;
        const config::DocumentLine* header =
            EffectCheck::headerOf(evaluator->document(), value.place);
        if (header && config::isDefaultsHeader(header->text))
            continue;
        throw RefusedInput("Removing " + name->second + " from the Host * block would change " +
                           "nothing: OpenSSH takes " + value.value + " from " +
                           files->displayPath(value.place.file) + " line " +
                           std::to_string(value.place.line) + " (" +
                           (header ? std::string(header->text) : "before the first Host line") +
                           "), which comes first. Nothing was changed.");
    }
}

int set(Session& session, const ParsedArguments& args) {
    session.beginChange();
    const VaultData& data = session.data();
    FieldChanges changes = readFieldChanges(args, data.keys, FieldTarget::defaults, "defaults set");
    refuseUnsetElsewhere(session, changes);
    Defaults defaults = data.defaults;
    applyFieldChanges(defaults, changes);
    session.store().saveConfigDefaults(defaults, VaultRules::keyIdToPath(data.keys));
    return 0;
}

constexpr std::string_view showHelp = R"(Usage: moorkeepctl defaults show [--json]

Shows the defaults for every host: the Host * block of ~/.ssh/config.

Options:
  --json   print the defaults as a JSON object
)";

constexpr std::string_view setHelp = R"(Usage: moorkeepctl defaults set [options]

Changes the defaults for every host (the Host * block of ~/.ssh/config; it is
added when there is none). Only what the options say changes.

Options:
  --user U             the default user (blank for none)
  --port N             the default port, 1 to 65535
  --key KEY            the default key: a key id, display name or file name
  --no-key             no default key
  --proxy-jump J       the default jump host (blank for none)
  --no-proxy-jump      no default jump host
  --option NAME=VALUE  set a directive (any spelling of NAME is replaced);
                       may be repeated
  --unset-option NAME  remove a directive; may be repeated
)";

constexpr std::array<Command, 2> commands{{
    {"show", "show the defaults", showHelp, jsonOption, {}, show},
    {"set", "change the defaults", setHelp, fieldOptionSpecs, {}, set},
}};

} // namespace

const CommandGroup& defaultsCommands() {
    static const CommandGroup group{"defaults", "Shows and changes the Host * defaults.", commands};
    return group;
}

} // namespace moorkeep::cli
