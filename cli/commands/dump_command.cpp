#include "dump_command.h"

#include "model/record_json.h"
#include "session.h"

#include <array>

namespace moorkeep::cli {

namespace {

// JSON is the only form; --json is accepted like everywhere else.
constexpr std::array<OptionSpec, 1> jsonOption{{{"--json", false}}};

int dump(Session& session, const ParsedArguments&) {
    session.output().json(session.data());
    return 0;
}

constexpr std::string_view help = R"(Usage: moorkeepctl dump

Prints everything the store holds as one JSON object: "keys", "hosts" and
"defaults", in the records' JSON form.
)";

} // namespace

const Command& dumpCommand() {
    static const Command command{
        "dump", "print keys, hosts and defaults as JSON", help, jsonOption, {}, dump};
    return command;
}

} // namespace moorkeep::cli
