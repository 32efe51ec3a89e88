// What the system store finds wrong with the set-up, and the changes that mend it.
#include "diagnosis/diagnosis.h"
#include "diagnosis/file_modes.h"
#include "files/background_work.h"
#include "keys/configured_certificates.h"
#include "stores/ssh_verdict_cache.h"
#include "stores/system_vault_store.h"

#include <optional>
#include <set>

namespace moorkeep {

Diagnosis SystemVaultStore::diagnose() {
    const StoreFiles files = places_.files();
    const std::string ssh =
        OpenSSHCheck::findSsh(places_.sshPath, places_.keyToolPath).value_or(places_.sshPath);
    // ssh takes about as long as everything done here, so it is asked at
    // once, about the files the Include lines name, and answers while the
    // configuration is read and checked.
    std::set<std::string> visited;
    ConfigFiles met;
    ConfigParser::readLines(places_.configPath, visited, places_.homedir, {}, nullptr, &met);
    std::vector<Finding> fromSsh;
    // Indexed: the checks evaluate every alias of the configuration.
    std::optional<const config::OpenSSHEvaluator> evaluator;
    std::vector<SSHKey> keys;
    std::vector<std::vector<Finding>> found;
    files::runSideBySide(
        [&] { fromSsh = sshFindings(files, ssh, met.files); },
        [&] {
            evaluator.emplace(config::readDocument(places_.configPath, places_.homedir), true);
            UserMeta meta;
            std::vector<std::string> warnings;
            keys = scanKeys(meta, warnings, ConfiguredCertificates::namedIn(evaluator->document()));
            found = checkFindings({files, ssh, *evaluator, places_.localUser, keys});
        });
    return moorkeep::diagnose({files, ssh, *evaluator, places_.localUser, std::move(keys)},
                              std::move(fromSsh), std::move(found));
}

SSHHost SystemVaultStore::moveAndSaveConfigHost(const SSHHost& host,
                                                const std::optional<std::string>& originalAlias,
                                                const KeyIdToPath& keyIdToPath, std::size_t line) {
    ChangeLocks locks(*this);
    return hostChanges_.saveConfigHost(host, originalAlias, keyIdToPath, line);
}

// Asked beside nearly every read, so ssh's part is kept while its inputs
// stay as they were, and then nothing is read again.
std::optional<Finding> SystemVaultStore::refusal() {
    const StoreFiles files = places_.files();
    const std::string ssh =
        OpenSSHCheck::findSsh(places_.sshPath, places_.keyToolPath).value_or(places_.sshPath);
    const SshVerdictCache cache(places_.metaStore.path() + ".ssh-verdict");
    if (auto kept = cache.kept(ssh, files))
        return moorkeep::refusal(files, kept->configFiles, [&] { return kept->findings; });
    ConfigFiles met;
    const config::ConfigDocument document =
        config::readDocument(places_.configPath, places_.homedir, {}, nullptr, &met);
    return moorkeep::refusal(files, document.files,
                             [&] { return cache.askAndKeep(ssh, files, met); });
}

void SystemVaultStore::applyFix(const FindingFix& fix) {
    const StoreLock lock(places_.sshDirectory, StoreLock::Mode::change, ChangeLocks::wait,
                         StoreLock::Target::folder);
    FileModes::apply(fix, places_.displayPath(fix.path));
}

} // namespace moorkeep
