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

void to_json(nlohmann::json& j, const SSHKey& k) {
    j = nlohmann::json{{"id", k.id},
                       {"name", k.name},
                       {"path", k.path},
                       {"type", k.type},
                       {"fingerprint", k.fingerprint},
                       {"publicKey", k.publicKey},
                       {"createdAt", k.createdAt}};
    putOptional(j, "hasPassphrase", k.hasPassphrase);
}

void from_json(const nlohmann::json& j, SSHKey& k) {
    k = SSHKey{requireString(j, "id"),           requireString(j, "name"),
               requireString(j, "path"),         requireString(j, "type"),
               requireString(j, "fingerprint"),  requireString(j, "publicKey"),
               optionalBool(j, "hasPassphrase"), requireString(j, "createdAt")};
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
