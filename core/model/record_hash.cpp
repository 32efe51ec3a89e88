#include "model/record_hash.h"

#include <cstdint>
#include <optional>
#include <string>

namespace moorkeep {
namespace {

class Hasher {
public:
    template <typename T> Hasher& add(const T& value) {
        mix(std::hash<T>{}(value));
        return *this;
    }
    // An optional contributes a presence marker and, when present, its value.
    template <typename T> Hasher& add(const std::optional<T>& value) {
        mix(value.has_value() ? 1 : 0);
        if (value)
            add(*value);
        return *this;
    }
    Hasher& add(const OptionMap& options) {
        mix(options.size());
        for (const auto& [key, value] : options)
            add(key).add(value);
        return *this;
    }
    Hasher& add(HostSource source) {
        mix(hashValue(source));
        return *this;
    }
    std::size_t result() const { return seed; }

private:
    void mix(std::size_t h) { seed ^= h + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); }
    std::size_t seed = 0;
};

} // namespace

std::size_t hashValue(HostSource source) {
    return std::hash<std::string_view>{}(toText(source));
}

std::size_t hashValue(const SSHHost& h) {
    return Hasher{}
        .add(h.id)
        .add(h.alias)
        .add(h.hostname)
        .add(h.user)
        .add(h.port)
        .add(h.keyId)
        .add(h.proxyJump)
        .add(h.extraOptions)
        .add(h.source)
        .result();
}

std::size_t hashValue(const SSHKey& k) {
    return Hasher{}
        .add(k.id)
        .add(k.name)
        .add(k.path)
        .add(k.type)
        .add(k.fingerprint)
        .add(k.publicKey)
        .add(k.hasPassphrase)
        .add(k.createdAt)
        .result();
}

std::size_t hashValue(const Defaults& d) {
    return Hasher{}
        .add(d.user)
        .add(d.port)
        .add(d.keyId)
        .add(d.proxyJump)
        .add(d.extraOptions)
        .add(d.sourceFile)
        .result();
}

} // namespace moorkeep
