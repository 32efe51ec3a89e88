#include "diagnosis/diagnosis.h"

#include "diagnosis/block_checks.h"
#include "diagnosis/config_checks.h"
#include "diagnosis/file_modes.h"
#include "diagnosis/key_findings.h"
#include "diagnosis/ssh_verdict.h"
#include "openssh/openssh_check.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <sys/stat.h>

namespace moorkeep {
namespace {

using config::DocumentLine;
using Kind = DocumentLine::Kind;

// Each finding at a line gets the plain names of the Host line whose block
// holds that line.
void nameHosts(const config::ConfigDocument& document, std::vector<Finding>& findings) {
    std::map<std::pair<std::string, std::size_t>, std::vector<Finding*>> wanted;
    for (Finding& finding : findings)
        if (finding.line > 0)
            wanted[{finding.path, finding.line}].push_back(&finding);
    if (wanted.empty())
        return;
    std::vector<const DocumentLine*> headers(1);
    for (const DocumentLine& line : document.lines) {
        if (line.kind == Kind::includeBegin)
            headers.push_back(nullptr);
        else if (line.kind == Kind::includeEnd)
            headers.pop_back();
        else if (line.kind == Kind::host || line.kind == Kind::match)
            headers.back() = &line;
        if (line.kind == Kind::includeEnd || !headers.back() || headers.back()->kind != Kind::host)
            continue;
        const auto found = wanted.find({document.files[line.file], line.line});
        if (found == wanted.end())
            continue;
        for (Finding* finding : found->second)
            for (const auto& pattern : document.arguments(*headers.back()))
                if (pattern.find_first_of("*?!") == std::string::npos)
                    finding->hosts.push_back(pattern);
    }
}

// Whether OpenSSH itself already reported the check's finding; its report
// then takes the check's fix.
bool reported(std::vector<Finding>& findings, const Finding& finding,
              const std::vector<Finding>& fromSsh) {
    for (std::size_t i = 0; i < fromSsh.size(); ++i)
        if (fromSsh[i].code == finding.code && fromSsh[i].path == finding.path &&
            fromSsh[i].line == finding.line) {
            if (!findings[i].fix)
                findings[i].fix = finding.fix;
            return true;
        }
    return false;
}

void order(const config::ConfigDocument& document, std::vector<Finding>& findings) {
    auto rank = [&](const Finding& finding) {
        const auto at = std::ranges::find(document.files, finding.path);
        // ssh's closing count comes after the lines it counts.
        const std::size_t line = finding.code == "refused" ? SIZE_MAX : finding.line;
        return std::pair(at - document.files.begin(), line);
    };
    std::ranges::stable_sort(findings,
                             [&](const Finding& a, const Finding& b) { return rank(a) < rank(b); });
}

} // namespace

Finding findingAt(const StoreFiles& files, Severity severity, std::string code,
                  const std::string& path, std::size_t line, std::string message) {
    Finding finding;
    finding.severity = severity;
    finding.code = std::move(code);
    finding.path = path;
    finding.file = files.displayPath(path);
    finding.line = line;
    finding.message = std::move(message);
    return finding;
}

Finding DiagnosisInput::at(Severity severity, std::string code, const std::string& path,
                           std::size_t line, std::string message) const {
    return findingAt(files, severity, std::move(code), path, line, std::move(message));
}

std::string refusalSentence(const Finding& refusal) {
    std::string words = refusal.message;
    if (!words.empty() && words.back() == '.')
        words.pop_back();
    const std::string line =
        refusal.line > 0 ? "line " + std::to_string(refusal.line) + ": " : std::string();
    return "OpenSSH refuses " + refusal.file + ": " + line + words +
           ". ssh cannot connect to any host until this is fixed.";
}

const std::vector<FindingSource>& findingSources() {
    static const std::vector<FindingSource> sources{
        FileModes::check,          ConfigChecks::missingFiles, ConfigChecks::unjudgedMatches,
        BlockChecks::unusedBlocks, KeyFindings::check,
    };
    return sources;
}

std::optional<Finding> refusal(const StoreFiles& files, const std::vector<std::string>& configFiles,
                               const std::function<std::vector<Finding>()>& askSsh) {
    struct stat facts {};
    if (::stat(files.configPath.c_str(), &facts) != 0 || OpenSSHCheck::unsafeInput(configFiles))
        return std::nullopt;
    std::vector<Finding> findings = askSsh();
    for (const auto& file : configFiles)
        if (auto finding = FileModes::configFileFinding(files, file))
            findings.push_back(std::move(*finding));
    const Diagnosis diagnosis{std::move(findings)};
    const Finding* first = diagnosis.refusal();
    return first ? std::optional(*first) : std::nullopt;
}

std::vector<Finding> sshFindings(const StoreFiles& files, const std::string& sshPath,
                                 const std::vector<std::string>& configFiles) {
    struct stat facts {};
    if (::stat(files.configPath.c_str(), &facts) != 0)
        return {};
    if (const auto unsafe = OpenSSHCheck::unsafeInput(configFiles))
        return {findingAt(files, Severity::note, "not-checked", *unsafe, 0,
                          "OpenSSH was not asked about the configuration: this file is not a "
                          "plain file, or is too large.")};
    return SshVerdict::ask(sshPath, files).findings;
}

std::vector<std::vector<Finding>> checkFindings(const DiagnosisInput& input) {
    std::vector<std::vector<Finding>> found(findingSources().size());
    for (std::size_t i = 0; i < found.size(); ++i)
        findingSources()[i](input, found[i]);
    return found;
}

Diagnosis diagnose(const DiagnosisInput& input, std::vector<Finding> fromSsh,
                   std::vector<std::vector<Finding>> found) {
    Diagnosis diagnosis;
    struct stat facts {};
    if (::stat(input.files.configPath.c_str(), &facts) != 0)
        return diagnosis;
    const config::ConfigDocument& document = input.evaluator.document();
    diagnosis.findings = fromSsh;
    for (auto& some : found)
        for (Finding& finding : some)
            if (!reported(diagnosis.findings, finding, fromSsh))
                diagnosis.findings.push_back(std::move(finding));
    nameHosts(document, diagnosis.findings);
    order(document, diagnosis.findings);
    return diagnosis;
}

} // namespace moorkeep
