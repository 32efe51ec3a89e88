#include "record_views.h"

#include "keys/certificate_reader.h"
#include "lookup.h"
#include "model/input_rules.h"
#include "model/record_json.h"
#include "openssh/ssh_command.h"
#include "stores/vault_rules.h"
#include "visible_text.h"

namespace moorkeep::cli::views {

namespace {

// A value read from a file, as one line: its own line breaks are escaped
// here, before fields() splits values at the line feeds put between items.
std::string orDash(const std::string& text) {
    return text.empty() ? "-" : visible(text);
}

std::string orDash(const std::optional<std::string>& text) {
    return text ? orDash(*text) : "-";
}

// As ssh-keygen -L tells it, on one line.
std::string certificateText(const KeyCertificate& certificate) {
    std::string principals;
    for (const std::string& name : certificate.principals)
        principals += (principals.empty() ? "" : ", ") + visible(name);
    return visible(certificate.path) + ": " + certificate.kind + " certificate \"" +
           visible(certificate.keyId) + "\", serial " + std::to_string(certificate.serial) +
           ", for " + (principals.empty() ? "anyone" : principals) + ", valid " +
           CertificateReader::validityText(certificate) + ", signed by " +
           visible(certificate.caFingerprint);
}

// The key's name, or its id when no key of the list has it.
std::string keyName(const std::optional<std::string>& keyId, const std::vector<SSHKey>& keys) {
    if (!keyId || keyId->empty())
        return "-";
    const SSHKey* key = keyWithId(keys, *keyId);
    return key ? key->name : *keyId;
}

std::string keyDescription(const std::optional<std::string>& keyId,
                           const std::vector<SSHKey>& keys) {
    if (!keyId || keyId->empty())
        return "-";
    const SSHKey* key = keyWithId(keys, *keyId);
    return key ? visible(key->name) + " (" + visible(key->path) + ")"
               : visible(*keyId) + " (no such key)";
}

// The host's own key, else the default identities OpenSSH offers it.
std::string hostKeyText(const SSHHost& host, const std::vector<SSHKey>& keys) {
    if (host.keyId || !host.facts.keysByDefault)
        return keyDescription(host.keyId, keys);
    std::string text;
    for (const auto& id : host.facts.keyIds)
        text += (text.empty() ? "" : "\n") + keyDescription(id, keys) + " default";
    return text;
}

std::string optionLines(const OptionMap& options) {
    std::string text;
    for (const auto& [name, value] : options)
        text += (text.empty() ? "" : "\n") + visible(name) + " " + visible(value);
    return text.empty() ? "-" : text;
}

std::string passphraseText(const std::optional<bool>& hasPassphrase) {
    if (!hasPassphrase)
        return "unknown";
    return *hasPassphrase ? "yes" : "no";
}

} // namespace

Row hostHeader() {
    return {"ALIAS", "HOSTNAME", "USER", "PORT", "KEY", "SOURCE"};
}

Row hostRow(const SSHHost& host, const std::vector<SSHKey>& keys) {
    return {host.alias,
            orDash(host.hostname),
            orDash(host.user),
            std::to_string(host.port),
            keyName(host.keyId, keys),
            std::string(toText(host.source))};
}

std::vector<Field> hostFields(const SSHHost& host, const std::vector<SSHKey>& keys) {
    return {{"Alias", visible(host.alias)},
            {"Id", visible(host.id)},
            {"Host name", orDash(host.hostname)},
            {"User", orDash(host.user)},
            {"Port", std::to_string(host.port)},
            {"Key", hostKeyText(host, keys)},
            {"ProxyJump", orDash(host.proxyJump)},
            {"Options", optionLines(host.extraOptions)},
            {"Source", std::string(toText(host.source))},
            {"Command", InputRules::hasControlCharacters(host.alias)
                            ? "- (the alias holds control characters)"
                            : visible(SSHCommand::build(host))}};
}

nlohmann::json hostJson(const SSHHost& host, const std::vector<SSHKey>& keys) {
    nlohmann::json out = host;
    if (host.keyId || !host.facts.keysByDefault)
        return out;
    out["defaultKeys"] = nlohmann::json::array();
    for (const auto& id : host.facts.keyIds)
        if (const SSHKey* key = keyWithId(keys, id))
            out["defaultKeys"].push_back({{"id", id}, {"name", key->name}, {"path", key->path}});
    return out;
}

Row keyHeader() {
    return {"NAME", "TYPE", "PASSPHRASE", "AGENT", "HOSTS", "PATH", "FINGERPRINT"};
}

Row keyRow(const SSHKey& key, const std::vector<SSHHost>& hosts, const AgentState& agent) {
    return {key.name,
            key.type,
            passphraseText(key.hasPassphrase),
            !agent.isRunning() ? "-"
            : agent.holds(key) ? "yes"
                               : "no",
            std::to_string(VaultRules::hostsUsingKey(hosts, key.id).size()),
            key.path,
            key.fingerprint};
}

std::vector<Field> keyFields(const SSHKey& key, const std::vector<SSHHost>& hosts) {
    std::string usedBy;
    for (const auto& host : VaultRules::hostsUsingKey(hosts, key.id))
        usedBy += (usedBy.empty() ? "" : "\n") + visible(host.alias);
    std::vector<Field> fields{
        {"Name", visible(key.name)},
        {"Id", visible(key.id)},
        {"Path", visible(key.path)},
        {"Type", visible(key.type)},
        {"Size", key.bits ? std::to_string(*key.bits) + " bits" : "-"},
        {"Fingerprint", visible(key.fingerprint)},
        {"Passphrase", passphraseText(key.hasPassphrase)},
        {"Created", orDash(key.createdAt)},
        {"Used by", usedBy.empty() ? "-" : usedBy},
        {"Public key", key.publicKeyMissing    ? "missing (key recreate-pub re-creates it)"
                       : key.publicKey.empty() ? "-"
                                               : visible(key.publicKey, true)}};
    for (const KeyCertificate& certificate : key.certificates)
        fields.push_back({"Certificate", certificateText(certificate)});
    return fields;
}

std::vector<Field> defaultsFields(const Defaults& defaults, const std::vector<SSHKey>& keys) {
    return {{"User", orDash(defaults.user)},
            {"Port", std::to_string(defaults.port)},
            {"Key", keyDescription(defaults.keyId, keys)},
            {"ProxyJump", orDash(defaults.proxyJump)},
            {"Options", optionLines(defaults.extraOptions)},
            {"Source file", orDash(defaults.sourceFile)}};
}

} // namespace moorkeep::cli::views
