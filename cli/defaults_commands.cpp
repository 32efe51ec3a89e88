#include "defaults_commands.h"

#include "field_options.h"
#include "model/record_json.h"
#include "record_views.h"
#include "session.h"
#include "stores/vault_rules.h"

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

int set(Session& session, const ParsedArguments& args) {
    session.beginChange();
    const VaultData& data = session.data();
    FieldChanges changes = readFieldChanges(args, data.keys, FieldTarget::defaults, "defaults set");
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
