#include "check_command.h"

#include "diagnosis/diagnosis.h"
#include "session.h"

#include <algorithm>
#include <array>

namespace moorkeep::cli {

namespace {

constexpr std::array<OptionSpec, 1> checkOptions{{{"--json", false}}};

nlohmann::json findingJson(const Finding& finding) {
    nlohmann::json out = {{"severity", severityName(finding.severity)},
                          {"code", finding.code},
                          {"file", finding.file},
                          {"line", finding.line},
                          {"message", finding.message},
                          {"hosts", finding.hosts}};
    if (finding.fix)
        out["fix"] = fixCommand(*finding.fix, finding.file);
    return out;
}

std::string place(const Finding& finding) {
    return finding.line > 0 ? finding.file + ":" + std::to_string(finding.line) : finding.file;
}

void printText(Output& output, const Diagnosis& diagnosis) {
    if (diagnosis.findings.empty()) {
        output.line("No problems found.");
        return;
    }
    std::size_t width = 0;
    for (const Finding& finding : diagnosis.findings)
        width = std::max(width, place(finding).size());
    for (const Finding& finding : diagnosis.findings) {
        std::string text = place(finding);
        text.resize(width + 2, ' ');
        std::string severity = severityName(finding.severity);
        severity.resize(9, ' ');
        output.line(text + severity + finding.message);
    }
}

int check(Session& session, const ParsedArguments& args) {
    const Diagnosis diagnosis = session.store().diagnose();
    if (args.has("--json")) {
        nlohmann::json out = nlohmann::json::array();
        for (const Finding& finding : diagnosis.findings)
            out.push_back(findingJson(finding));
        session.output().json(out);
    } else {
        printText(session.output(), diagnosis);
    }
    return diagnosis.count(Severity::error) > 0 ? 1 : 0;
}

constexpr std::string_view help = R"(Usage: moorkeepctl check [--json]

Checks the OpenSSH set-up: runs `ssh -G` once over the whole configuration
and reports every message it prints at its file and line, in its own words,
then checks what ssh does not say: owners and modes of the configuration
files, private keys and ~/.ssh; IdentityFile, CertificateFile and Include
lines that name no file; blocks ssh never uses; and Match conditions that are
not judged here.

Each finding is printed as FILE:LINE, its severity and its message. "error":
ssh refuses to connect to some or all hosts; "warning": something written is
silently not used; "note": something could not be judged.

Options:
  --json   print an array of records: severity, code, file, line (0 for the
           file as a whole), message, hosts (the aliases of the block it is
           about) and, where one exists, fix (the command that mends it)

Exit status: 1 when there is an error, 0 otherwise.
)";

} // namespace

const Command& checkCommand() {
    static const Command command{
        "check", "report what ssh refuses or ignores in the set-up", help, checkOptions, {}, check};
    return command;
}

RefusalWarning::RefusalWarning(Session& session)
    : session_(session) {
    VaultStore& store = session.store();
    asked_ = std::async(std::launch::async, [&store] { return store.refusal(); });
}

void RefusalWarning::warn() {
    if (const auto refusal = asked_.get())
        session_.output().warning(refusalSentence(*refusal));
}

} // namespace moorkeep::cli
