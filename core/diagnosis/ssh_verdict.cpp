#include "diagnosis/ssh_verdict.h"

#include "files/paths.h"
#include "openssh/openssh_check.h"

#include <algorithm>
#include <regex>

namespace moorkeep::SshVerdict {
namespace {

struct Kind {
    const char* start; // how ssh's message begins
    const char* code;
    Severity severity;
};

// What ssh's messages mean; anything else is an error when ssh stopped on
// it and a warning when it went on.
constexpr Kind kinds[] = {
    {"Bad configuration option:", "bad-option", Severity::error},
    {"Unsupported option", "unsupported-option", Severity::warning},
    {"Deprecated option", "deprecated-option", Severity::warning},
    {"Bad owner or permissions on ", "config-permissions", Severity::error},
};

Finding placed(const std::string& file, std::size_t line, std::string message, bool refused,
               const StoreFiles& files) {
    Finding finding;
    finding.path = paths::standardize(file, files.home);
    finding.file = files.displayPath(finding.path);
    finding.line = line;
    finding.severity = refused ? Severity::error : Severity::warning;
    finding.code = refused ? "openssh-error" : "openssh-warning";
    for (const Kind& kind : kinds)
        if (message.starts_with(kind.start)) {
            finding.code = kind.code;
            finding.severity = kind.severity;
        }
    finding.message = std::move(message);
    return finding;
}

// A message of ssh's with its place: "FILE line N: ...", "FILE: line N: ...",
// "FILE: terminating, ..." or one that names a file ("Bad owner ... on FILE").
std::optional<Finding> findingOf(std::string text, bool refused, const StoreFiles& files) {
    static const std::regex atLine(R"(^(.+?):? line ([0-9]+): (.*)$)");
    static const std::regex terminating(
        R"(^(.+): (terminating, [0-9]+ bad configuration options)$)");
    static const std::regex onFile(R"(^Bad owner or permissions on (.+)$)");
    // Debugging output counts only for what ssh says of the lines it reads.
    const bool debug = text.starts_with("debug");
    if (debug) {
        const auto colon = text.find(": ");
        text = colon == std::string::npos ? std::string() : text.substr(colon + 2);
    }
    std::smatch match;
    if (std::regex_match(text, match, atLine)) {
        if (debug && !match.str(3).starts_with("Deprecated option"))
            return std::nullopt;
        return placed(match.str(1), std::stoul(match.str(2)), match.str(3), refused, files);
    }
    if (debug || text.empty() || text.starts_with("OpenSSH_"))
        return std::nullopt;
    if (std::regex_match(text, match, terminating)) {
        Finding finding = placed(match.str(1), 0, match.str(2), true, files);
        finding.code = "refused";
        return finding;
    }
    if (std::regex_match(text, match, onFile))
        return placed(match.str(1), 0, text, refused, files);
    return placed(files.configPath, 0, text, refused, files);
}

} // namespace

std::vector<Finding> findingsOf(const std::string& errorOutput, int status,
                                const StoreFiles& files) {
    std::vector<Finding> findings;
    std::size_t start = 0;
    while (start < errorOutput.size()) {
        std::size_t end = errorOutput.find('\n', start);
        if (end == std::string::npos)
            end = errorOutput.size();
        std::string text = errorOutput.substr(start, end - start);
        std::erase(text, '\r');
        start = end + 1;
        auto finding = findingOf(std::move(text), status != 0, files);
        // A final Match pass reads everything twice.
        if (finding && std::ranges::find(findings, *finding) == findings.end())
            findings.push_back(std::move(*finding));
    }
    return findings;
}

Verdict ask(const std::string& sshPath, const StoreFiles& files) {
    const KeyToolResult result =
        OpenSSHCheck::runCheck(sshPath, files.configPath, OpenSSHCheck::anyHost, {"-v"});
    Verdict verdict;
    if (result.status == -1) {
        Finding finding;
        finding.code = "not-checked";
        finding.path = files.configPath;
        finding.file = files.displayPath(files.configPath);
        finding.message = "OpenSSH could not check the configuration (" + result.errorOutput + ").";
        verdict.findings.push_back(std::move(finding));
        return verdict;
    }
    verdict.asked = true;
    verdict.refused = result.status != 0;
    verdict.findings = findingsOf(result.errorOutput, result.status, files);
    if (verdict.refused && std::ranges::none_of(verdict.findings, [](const Finding& f) {
            return f.severity == Severity::error;
        }))
        verdict.findings.push_back(placed(files.configPath, 0,
                                          "ssh -G stopped without a message (status " +
                                              std::to_string(result.status) +
                                              "), perhaps at its time or memory limit.",
                                          true, files));
    return verdict;
}

} // namespace moorkeep::SshVerdict
