// What the system store finds wrong with the set-up, and the changes that mend it.
#include "diagnosis/diagnosis.h"
#include "diagnosis/file_modes.h"
#include "keys/configured_certificates.h"
#include "stores/ssh_verdict_cache.h"
#include "stores/system_vault_store.h"

namespace moorkeep {

Diagnosis SystemVaultStore::diagnose() {
    // Indexed: the checks evaluate every alias of the configuration.
    const config::OpenSSHEvaluator evaluator(
        config::readDocument(places_.configPath, places_.homedir), true);
    UserMeta meta;
    std::vector<std::string> warnings;
    const DiagnosisInput input{
        places_.files(),
        OpenSSHCheck::findSsh(places_.sshPath, places_.keyToolPath).value_or(places_.sshPath),
        evaluator, places_.localUser,
        scanKeys(meta, warnings, ConfiguredCertificates::namedIn(evaluator.document()))};
    return moorkeep::diagnose(input);
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
