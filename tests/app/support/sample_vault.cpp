#include "support/sample_vault.h"

namespace moorkeep::test {

SSHHost configHost(const std::string& alias, std::optional<std::string> keyId) {
    SSHHost host;
    host.id = "cfg-" + alias;
    host.alias = alias;
    host.hostname = alias + ".example.org";
    host.user = "deploy";
    host.keyId = std::move(keyId);
    host.source = HostSource::config;
    return host;
}

SSHHost userHost(const std::string& alias) {
    SSHHost host;
    host.id = "USER-" + alias;
    host.alias = alias;
    host.hostname = alias + ".example.net";
    host.user = "admin";
    host.port = 2222;
    host.source = HostSource::user;
    return host;
}

SSHKey sampleKey(const std::string& file, const std::string& name) {
    return {.id = "key-" + file,
            .name = name,
            .path = "~/.ssh/" + file,
            .type = "ed25519",
            .fingerprint = "SHA256:" + file,
            .publicKey = "ssh-ed25519 AAAA " + file,
            .hasPassphrase = false,
            .createdAt = "2024-01-02"};
}

VaultData sampleVault() {
    VaultData data;
    data.keys = {sampleKey("id_ed25519", "Laptop"), sampleKey("id_work", "Work")};
    data.hosts = {configHost("web", "key-id_ed25519"), configHost("db", "key-id_work"),
                  userHost("backup")};
    data.defaults.user = "me";
    data.defaults.port = 2200;
    return data;
}

} // namespace moorkeep::test
