#include "keys/key_scanner.h"

#include "files/background_work.h"
#include "files/folders.h"
#include "files/paths.h"
#include "files/plain_file.h"
#include "files/text_file.h"
#include "keys/file_facts.h"
#include "keys/key_protection.h"
#include "keys/key_text.h"
#include "keys/utc_date.h"
#include "model/input_rules.h"
#include "model/short_digest.h"

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <unordered_map>

namespace moorkeep::KeyScanner {
namespace {

constexpr std::string_view publicSuffix = ".pub";

// One public key file met in the listing and the cache entry that describes it.
struct FoundKey {
    std::string baseName;
    std::string privatePath;
    bool hasPrivateFile = false;
    bool othersMayRead = false; // the private file's mode lets group or others in
    KeyCacheEntry entry;
};

// The base name of a public key entry, or nothing for other entries and for
// names that are never keys.
std::optional<std::string> keyBaseName(const std::string& entryName) {
    if (!entryName.ends_with(publicSuffix))
        return std::nullopt;
    std::string baseName = entryName.substr(0, entryName.size() - publicSuffix.size());
    if (skippedNames().contains(baseName))
        return std::nullopt;
    return baseName;
}

// The hit test looks at file attributes only, never at contents.
bool sameFileFacts(const KeyCacheEntry& cached, const KeyCacheEntry& current) {
    return cached.pubMtime == current.pubMtime && cached.pubSize == current.pubSize &&
           cached.privMtime == current.privMtime && cached.privSize == current.privSize;
}

// The public file's facts and text, or nothing when the file does not make a
// key: unreadable, not UTF-8, or blank.
std::optional<FoundKey> examine(const std::string& directory, const std::string& baseName,
                                const std::string& entryName) {
    FoundKey found{baseName, paths::join(directory, baseName), false, false, {}};
    KeyCacheEntry& entry = found.entry;
    entry.pubPath = paths::join(directory, entryName);
    // A key file that is not a plain file (a link to a device, a FIFO, a
    // file of /proc) could keep the tool busy to its time limit on every
    // scan, its facts never the same twice: it is not a key.
    auto pubFacts = keys::readFileFacts(entry.pubPath);
    if (!pubFacts || !files::isPlainFile(entry.pubPath))
        return std::nullopt;
    entry.pubMtime = pubFacts->modified.value_or(0);
    entry.pubSize = pubFacts->size.value_or(0);
    auto privFacts = keys::readFileFacts(found.privatePath);
    if (privFacts && files::isPlainFile(found.privatePath)) {
        found.hasPrivateFile = true;
        entry.privMtime = privFacts->modified;
        entry.privSize = privFacts->size;
        found.othersMayRead = (privFacts->permissions.value_or(0) & 077) != 0;
    }
    double fileDate = pubFacts->born.value_or(
        pubFacts->modified.value_or(static_cast<double>(std::time(nullptr))));
    entry.createdAt = keys::utcDate(fileDate);
    return found;
}

enum class PublicKeyRead { key, noKey, tooLarge };

// Reads the public key text of a cache miss.
PublicKeyRead readPublicKey(KeyCacheEntry& entry) {
    files::ReadResult read = files::readFile(entry.pubPath, publicKeySizeLimit);
    if (read.status == files::ReadStatus::tooLarge)
        return PublicKeyRead::tooLarge;
    if (read.status != files::ReadStatus::ok || !files::isValidUtf8(read.bytes))
        return PublicKeyRead::noKey;
    entry.publicKey = InputRules::trimWhitespaceAndNewlines(read.bytes);
    if (entry.publicKey.empty())
        return PublicKeyRead::noKey;
    entry.type = keyType(entry.publicKey);
    return PublicKeyRead::key;
}

std::string tooLargeWarning(const std::string& pubPath) {
    return pubPath + " is larger than 64 KiB, so it is not taken for a public key.";
}

// OpenSSH's own rule: it refuses a private key whose mode lets anyone else in.
std::string looseModeWarning(const std::string& privatePath) {
    return privatePath + ": permissions too open: others may read or change this private key, "
                         "so OpenSSH refuses it (chmod 600 fixes it).";
}

// Runs the tool for the keys that missed the cache, several at a time. Each
// answer lands in its own key's entry, so the listing order is kept.
void queryTool(std::vector<FoundKey>& found, const std::vector<std::size_t>& misses,
               const std::string& toolPath) {
    struct Query {
        FoundKey* key;
        bool probe;
    };
    std::vector<Query> queries;
    for (std::size_t index : misses) {
        queries.push_back({&found[index], false});
        if (found[index].hasPrivateFile)
            queries.push_back({&found[index], true});
    }
    files::runInParallel(queries.size(), [&](std::size_t index) {
        FoundKey& key = *queries[index].key;
        if (queries[index].probe)
            key.entry.hasPassphrase = probeHasPassphrase(key.privatePath, toolPath);
        else
            key.entry.fingerprint = keyFingerprint(key.entry.pubPath, toolPath);
    });
}

SSHKey keyFrom(const FoundKey& found) {
    const KeyCacheEntry& entry = found.entry;
    return {keyId(found.privatePath), found.baseName,  "~/.ssh/" + found.baseName, entry.type,
            entry.fingerprint,        entry.publicKey, entry.hasPassphrase,        entry.createdAt};
}

} // namespace

const std::set<std::string, std::less<>>& skippedNames() {
    static const std::set<std::string, std::less<>> names{
        "known_hosts", "known_hosts.old", "known_hosts2", "authorized_keys", "authorized_keys2",
        "config",      "environment",     "rc",           ".DS_Store",       "agent_sock"};
    return names;
}

ScanResult scan(const std::string& sshDirectory, const std::vector<KeyCacheEntry>& cache,
                const std::string& toolPath) {
    auto names = files::entryNames(sshDirectory);
    if (!names)
        return {};
    // A hand-edited list may name a file twice; the later entry wins.
    std::unordered_map<std::string_view, const KeyCacheEntry*> cached;
    for (const KeyCacheEntry& entry : cache)
        cached[entry.pubPath] = &entry;

    std::vector<FoundKey> found;
    std::vector<std::size_t> misses;
    std::vector<std::string> warnings;
    for (const std::string& name : *names) {
        auto baseName = keyBaseName(name);
        if (!baseName)
            continue;
        auto key = examine(sshDirectory, *baseName, name);
        if (!key)
            continue;
        if (static_cast<std::uint64_t>(key->entry.pubSize) > publicKeySizeLimit) {
            warnings.push_back(tooLargeWarning(key->entry.pubPath));
            continue;
        }
        auto hit = cached.find(key->entry.pubPath);
        if (hit != cached.end() && sameFileFacts(*hit->second, key->entry)) {
            key->entry = *hit->second;
            // An older scan may have taken a key the tool refused for its
            // loose mode for a protected one, and a chmod leaves the file's
            // facts as they were: the format, where known, has the last word.
            if (key->hasPrivateFile)
                if (auto known = KeyProtection::ofFile(key->privatePath))
                    key->entry.hasPassphrase = *known;
        } else {
            PublicKeyRead read = readPublicKey(key->entry);
            if (read == PublicKeyRead::tooLarge)
                warnings.push_back(tooLargeWarning(key->entry.pubPath));
            if (read != PublicKeyRead::key)
                continue;
            misses.push_back(found.size());
        }
        if (key->othersMayRead)
            warnings.push_back(looseModeWarning(key->privatePath));
        found.push_back(std::move(*key));
    }
    queryTool(found, misses, toolPath);

    ScanResult result;
    result.warnings = std::move(warnings);
    result.keys.reserve(found.size());
    result.cache.reserve(found.size());
    for (FoundKey& key : found) {
        result.keys.push_back(keyFrom(key));
        result.cache.push_back(std::move(key.entry));
    }
    return result;
}

std::optional<std::string> findBaseName(const std::string& sshDirectory, std::string_view id) {
    auto names = files::entryNames(sshDirectory);
    if (!names)
        return std::nullopt;
    for (const std::string& name : *names) {
        auto baseName = keyBaseName(name);
        if (!baseName || keyId(paths::join(sshDirectory, *baseName)) != id)
            continue;
        // Only a public file that makes a key in a scan counts.
        KeyCacheEntry entry;
        entry.pubPath = paths::join(sshDirectory, name);
        if (keys::readFileFacts(entry.pubPath) && readPublicKey(entry) == PublicKeyRead::key)
            return baseName;
    }
    return std::nullopt;
}

std::vector<SSHKey> scan(const std::string& sshDirectory) {
    return scan(sshDirectory, {}).keys;
}

std::string keyId(std::string_view privateKeyPath) {
    return shortDigest(privateKeyPath);
}

std::string keyType(std::string_view publicKey) {
    std::string_view piece = keys::firstPiece(publicKey);
    // Kept on a security key: named as ssh-keygen -l names them.
    if (piece.starts_with("sk-ssh-ed25519@") || piece.starts_with("sk-ssh-ed25519-cert-"))
        return "ed25519-sk";
    if (piece.starts_with("sk-ecdsa-sha2-"))
        return "ecdsa-sk";
    if (piece.starts_with("ssh-ed25519"))
        return "ed25519";
    if (piece.starts_with("ssh-rsa"))
        return "rsa";
    if (piece.starts_with("ecdsa-sha2"))
        return "ecdsa";
    if (piece.starts_with("ssh-dss"))
        return "dsa";
    return "unknown";
}

} // namespace moorkeep::KeyScanner
