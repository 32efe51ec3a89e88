#include "stores/ssh_verdict_cache.h"

#include "diagnosis/ssh_verdict.h"
#include "files/atomic_file.h"
#include "files/file_stamp.h"
#include "files/text_file.h"

#include <nlohmann/json.hpp>
#include <utility>

namespace moorkeep {

namespace {

nlohmann::json stampJson(const std::string& path) {
    const files::FileStamp s = files::stampOf(path);
    return {path, s.exists, s.device, s.inode, s.size, s.modifiedNs, s.changedNs};
}

nlohmann::json findingJson(const Finding& f) {
    nlohmann::json out = {{"severity", static_cast<int>(f.severity)},
                          {"code", f.code},
                          {"file", f.file},
                          {"line", f.line},
                          {"message", f.message},
                          {"hosts", f.hosts},
                          {"path", f.path}};
    if (f.fix)
        out["fix"] = {f.fix->path, f.fix->mode};
    return out;
}

Finding findingOf(const nlohmann::json& j) {
    Finding f;
    f.severity = static_cast<Severity>(j.at("severity").get<int>());
    f.code = j.at("code").get<std::string>();
    f.file = j.at("file").get<std::string>();
    f.line = j.at("line").get<std::size_t>();
    f.message = j.at("message").get<std::string>();
    f.hosts = j.at("hosts").get<std::vector<std::string>>();
    f.path = j.at("path").get<std::string>();
    if (j.contains("fix"))
        f.fix = FindingFix{j["fix"].at(0).get<std::string>(), j["fix"].at(1).get<unsigned>()};
    return f;
}

} // namespace

SshVerdictCache::SshVerdictCache(std::string path)
    : path_(std::move(path)) {}

std::vector<Finding> SshVerdictCache::findings(const std::string& sshPath, const StoreFiles& files,
                                               const ConfigFiles& met) const {
    nlohmann::json inputs = nlohmann::json::array({stampJson(sshPath), files.home});
    for (const auto& list : {met.files, met.folders})
        for (const auto& path : list)
            inputs.push_back(stampJson(path));
    if (const auto text = files::readBytes(path_)) {
        const auto kept = nlohmann::json::parse(*text, nullptr, false);
        try {
            if (kept.is_object() && kept.value("inputs", nlohmann::json()) == inputs) {
                std::vector<Finding> out;
                for (const auto& finding : kept.at("findings"))
                    out.push_back(findingOf(finding));
                return out;
            }
        } catch (const nlohmann::json::exception&) {
            // A damaged file is answered anew.
        }
    }
    std::vector<Finding> found = SshVerdict::ask(sshPath, files).findings;
    nlohmann::json keep = {{"inputs", std::move(inputs)}, {"findings", nlohmann::json::array()}};
    for (const Finding& finding : found)
        keep["findings"].push_back(findingJson(finding));
    try {
        files::writeAtomically(path_, keep.dump());
    } catch (const std::exception&) {
        // Reads never fail: the next run asks ssh again.
    }
    return found;
}

} // namespace moorkeep
