#include "diagnosis/finding.h"

#include <algorithm>
#include <cstdio>

namespace moorkeep {

std::size_t Diagnosis::count(Severity severity) const {
    return static_cast<std::size_t>(std::ranges::count(findings, severity, &Finding::severity));
}

const Finding* Diagnosis::refusal() const {
    // ssh's closing count says less than the line it counts.
    const Finding* count = nullptr;
    for (const Finding& finding : findings)
        if (finding.severity == Severity::error) {
            if (finding.code != "refused")
                return &finding;
            count = count ? count : &finding;
        }
    return count;
}

std::vector<Finding> Diagnosis::aboutHost(const std::string& alias) const {
    std::vector<Finding> about;
    for (const Finding& finding : findings)
        if (std::ranges::find(finding.hosts, alias) != finding.hosts.end())
            about.push_back(finding);
    return about;
}

const char* severityName(Severity severity) {
    switch (severity) {
    case Severity::error:
        return "error";
    case Severity::warning:
        return "warning";
    case Severity::note:
        break;
    }
    return "note";
}

std::string findingLine(const Finding& finding) {
    std::string place = finding.file;
    if (finding.line > 0)
        place += ":" + std::to_string(finding.line);
    return place + " " + finding.message;
}

std::string fixCommand(const FindingFix& fix, const std::string& shownPath) {
    if (!fix.keyId.empty())
        return "moorkeepctl key recreate-pub " + shownPath.substr(shownPath.rfind('/') + 1);
    char mode[8];
    std::snprintf(mode, sizeof mode, "%o", fix.mode & 07777u);
    return std::string("chmod ") + mode + " " + shownPath;
}

} // namespace moorkeep
