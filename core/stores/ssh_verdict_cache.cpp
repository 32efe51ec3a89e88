#include "stores/ssh_verdict_cache.h"

#include "diagnosis/ssh_verdict.h"
#include "files/atomic_file.h"
#include "files/file_stamp.h"
#include "files/paths.h"
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

// The inputs ssh's answer depended on, as they are now.
nlohmann::json inputsOf(const std::string& sshPath, const StoreFiles& files,
                        const std::vector<std::string>& paths) {
    nlohmann::json inputs = nlohmann::json::array({stampJson(sshPath), files.home});
    for (const auto& path : paths)
        inputs.push_back(stampJson(path));
    return inputs;
}

} // namespace

SshVerdictCache::SshVerdictCache(std::string path)
    : path_(std::move(path)) {}

std::optional<SshVerdictCache::Kept> SshVerdictCache::kept(const std::string& sshPath,
                                                           const StoreFiles& files) const {
    const auto text = files::readBytes(path_);
    if (!text)
        return std::nullopt;
    const auto keptJson = nlohmann::json::parse(*text, nullptr, false);
    try {
        const nlohmann::json& inputs = keptJson.at("inputs");
        std::vector<std::string> paths;
        for (std::size_t i = 2; i < inputs.size(); ++i)
            paths.push_back(inputs[i].at(0).get<std::string>());
        if (inputs != inputsOf(sshPath, files, paths))
            return std::nullopt;
        Kept out{{}, keptJson.at("files").get<std::vector<std::string>>()};
        for (const auto& finding : keptJson.at("findings"))
            out.findings.push_back(findingOf(finding));
        return out;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt; // a damaged or older file is answered anew
    }
}

std::vector<Finding> SshVerdictCache::askAndKeep(const std::string& sshPath,
                                                 const StoreFiles& files,
                                                 const ConfigFiles& met) const {
    std::vector<std::string> paths = met.files;
    paths.insert(paths.end(), met.folders.begin(), met.folders.end());
    nlohmann::json inputs = inputsOf(sshPath, files, paths);
    std::vector<Finding> found = SshVerdict::ask(sshPath, files).findings;
    nlohmann::json keep = {
        {"inputs", std::move(inputs)}, {"files", met.files}, {"findings", nlohmann::json::array()}};
    for (const Finding& finding : found)
        keep["findings"].push_back(findingJson(finding));
    try {
        // The metadata folder may not exist before the first note is kept.
        files::createDirectories(paths::parent(path_), 0700);
        files::writeAtomically(path_, keep.dump());
    } catch (const std::exception&) {
        // Reads never fail: the next run asks ssh again.
    }
    return found;
}

} // namespace moorkeep
