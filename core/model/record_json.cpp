#include "model/record_json.h"

#include "model/json_fields.h"

namespace moorkeep {

using namespace moorkeep::json;

void to_json(nlohmann::json& j, HostSource source) {
    j = std::string(toText(source));
}

void from_json(const nlohmann::json& j, HostSource& source) {
    if (!j.is_string())
        throw DecodeError("source must be a string");
    auto parsed = hostSourceFromText(j.get<std::string>());
    if (!parsed)
        throw DecodeError("unknown source \"" + j.get<std::string>() + "\"");
    source = *parsed;
}

void to_json(nlohmann::json& j, const SSHHost& h) {
    j = nlohmann::json{{"id", h.id},        {"alias", h.alias}, {"hostname", h.hostname},
                       {"user", h.user},    {"port", h.port},   {"extraOptions", h.extraOptions},
                       {"source", h.source}};
    putOptional(j, "keyId", h.keyId);
    putOptional(j, "proxyJump", h.proxyJump);
}

void from_json(const nlohmann::json& j, SSHHost& h) {
    requireObject(j);
    if (!j.contains("source"))
        throw DecodeError("missing member \"source\"");
    HostSource source;
    from_json(j.at("source"), source);
    h = SSHHost{requireString(j, "id"),
                requireString(j, "alias"),
                requireString(j, "hostname"),
                requireString(j, "user"),
                requireInt(j, "port"),
                optionalString(j, "keyId"),
                optionalString(j, "proxyJump"),
                requireStringMap(j, "extraOptions"),
                source};
}

// The validity ends as numbers of seconds; no end is null.
void to_json(nlohmann::json& j, const KeyCertificate& c) {
    j = nlohmann::json{{"path", c.path},
                       {"kind", c.kind},
                       {"keyId", c.keyId},
                       {"principals", c.principals},
                       {"serial", c.serial},
                       {"caType", c.caType},
                       {"caFingerprint", c.caFingerprint},
                       {"validAfter", c.validAfter},
                       {"validBefore", nullptr}};
    if (c.validBefore != KeyCertificate::noEnd)
        j["validBefore"] = c.validBefore;
}

void from_json(const nlohmann::json& j, KeyCertificate& c) {
    c = KeyCertificate{};
    c.path = requireString(j, "path");
    c.kind = requireString(j, "kind");
    c.keyId = requireString(j, "keyId");
    for (const auto& name : requireArray(j, "principals"))
        c.principals.push_back(name.get<std::string>());
    c.serial = j.at("serial").get<std::uint64_t>();
    c.caType = requireString(j, "caType");
    c.caFingerprint = requireString(j, "caFingerprint");
    c.validAfter = j.at("validAfter").get<std::uint64_t>();
    if (!j.at("validBefore").is_null())
        c.validBefore = j.at("validBefore").get<std::uint64_t>();
}

void to_json(nlohmann::json& j, const SSHKey& k) {
    j = nlohmann::json{{"id", k.id},
                       {"name", k.name},
                       {"path", k.path},
                       {"type", k.type},
                       {"fingerprint", k.fingerprint},
                       {"publicKey", k.publicKey},
                       {"createdAt", k.createdAt},
                       {"bits", nullptr},
                       {"publicKeyMissing", k.publicKeyMissing},
                       {"certificates", k.certificates}};
    if (k.bits)
        j["bits"] = *k.bits;
    putOptional(j, "hasPassphrase", k.hasPassphrase);
}

void from_json(const nlohmann::json& j, SSHKey& k) {
    k = SSHKey{requireString(j, "id"),
               requireString(j, "name"),
               requireString(j, "path"),
               requireString(j, "type"),
               requireString(j, "fingerprint"),
               requireString(j, "publicKey"),
               optionalBool(j, "hasPassphrase"),
               requireString(j, "createdAt"),
               std::nullopt,
               false,
               {}};
    if (auto bits = j.find("bits"); bits != j.end() && bits->is_number_integer())
        k.bits = bits->get<int>();
    k.publicKeyMissing = optionalBool(j, "publicKeyMissing").value_or(false);
    if (auto certificates = j.find("certificates"); certificates != j.end())
        k.certificates = certificates->get<std::vector<KeyCertificate>>();
}

void to_json(nlohmann::json& j, const Defaults& d) {
    j = nlohmann::json{
        {"user", d.user}, {"port", d.port}, {"keyId", d.keyId}, {"extraOptions", d.extraOptions}};
    putOptional(j, "proxyJump", d.proxyJump);
    putOptional(j, "sourceFile", d.sourceFile);
}

void from_json(const nlohmann::json& j, Defaults& d) {
    d = Defaults{requireString(j, "user"),
                 requireInt(j, "port"),
                 requireString(j, "keyId"),
                 optionalString(j, "proxyJump"),
                 requireStringMap(j, "extraOptions"),
                 optionalString(j, "sourceFile")};
}

void to_json(nlohmann::json& j, const VaultData& v) {
    j = nlohmann::json{{"keys", v.keys}, {"hosts", v.hosts}, {"defaults", v.defaults}};
    if (!v.warnings.empty())
        j["warnings"] = v.warnings;
}

void from_json(const nlohmann::json& j, VaultData& v) {
    VaultData out;
    for (const auto& key : requireArray(j, "keys"))
        out.keys.push_back(key.get<SSHKey>());
    for (const auto& host : requireArray(j, "hosts"))
        out.hosts.push_back(host.get<SSHHost>());
    if (!j.contains("defaults"))
        throw DecodeError("missing member \"defaults\"");
    out.defaults = j.at("defaults").get<Defaults>();
    if (const auto warnings = j.find("warnings"); warnings != j.end() && !warnings->is_null()) {
        for (const auto& warning : requireArray(j, "warnings")) {
            if (!warning.is_string())
                throw DecodeError("member \"warnings\" must hold strings");
            out.warnings.push_back(warning.get<std::string>());
        }
    }
    v = std::move(out);
}

} // namespace moorkeep
