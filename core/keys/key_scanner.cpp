#include "keys/key_scanner.h"

#include "files/background_work.h"
#include "files/folders.h"
#include "files/paths.h"
#include "files/plain_file.h"
#include "files/text_file.h"
#include "keys/certificate_reader.h"
#include "keys/file_facts.h"
#include "keys/key_facts_reader.h"
#include "keys/key_protection.h"
#include "keys/key_text.h"
#include "keys/lone_private_key.h"
#include "keys/utc_date.h"
#include "model/input_rules.h"
#include "model/short_digest.h"

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>

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
    bool lone = false;          // no public file: not cached, read anew each scan
    bool askPublicHalf = false; // a lone key only ssh-keygen -y can describe
};

// A certificate met in the listing, for the key it certifies.
struct FoundCertificate {
    std::string fileName;
    CertificateReader::Certified read;
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
    FoundKey found{baseName, paths::join(directory, baseName), false, false, {}, false, false};
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

enum class Query { listing, protection, publicHalf };

// The facts of a key that missed the cache, read in this process where the
// format is known; what is left is for the tool.
void readInProcess(FoundKey& key, std::vector<std::pair<FoundKey*, Query>>& queries) {
    KeyCacheEntry& entry = key.entry;
    if (auto facts = KeyFactsReader::fromPublicText(entry.publicKey)) {
        entry.fingerprint = facts->fingerprint;
        entry.bits = facts->bits;
    } else {
        queries.emplace_back(&key, Query::listing);
    }
    if (!key.hasPrivateFile)
        return;
    if (auto known = KeyProtection::ofFile(key.privatePath))
        entry.hasPassphrase = *known;
    else
        queries.emplace_back(&key, Query::protection);
}

// Runs the tool for what the reader could not tell, several at a time. Each
// answer lands in its own key's entry, so the listing order is kept.
void queryTool(std::vector<FoundKey>& found, const std::vector<std::size_t>& misses,
               const std::string& toolPath) {
    std::vector<std::pair<FoundKey*, Query>> queries;
    for (std::size_t index : misses)
        readInProcess(found[index], queries);
    for (FoundKey& key : found)
        if (key.askPublicHalf)
            queries.emplace_back(&key, Query::publicHalf);
    files::runInParallel(queries.size(), [&](std::size_t index) {
        auto [key, query] = queries[index];
        KeyCacheEntry& entry = key->entry;
        if (query == Query::protection) {
            entry.hasPassphrase = probeHasPassphrase(key->privatePath, toolPath);
        } else if (query == Query::listing) {
            KeyListing listing = keyListing(entry.pubPath, toolPath);
            entry.fingerprint = listing.fingerprint;
            entry.bits = listing.bits;
        } else if (auto facts =
                       KeyFactsReader::fromPublicText(publicHalfOf(key->privatePath, toolPath))) {
            entry.type = facts->type;
            entry.bits = facts->bits;
            entry.fingerprint = facts->fingerprint;
        }
    });
}

// A private key file whose public file is missing, as a key of its own.
std::optional<FoundKey> examineLone(const std::string& directory, const std::string& name) {
    FoundKey found{name, paths::join(directory, name), true, false, {}, true, false};
    auto privFacts = keys::readFileFacts(found.privatePath);
    if (!privFacts || !files::isPlainFile(found.privatePath) ||
        static_cast<std::uint64_t>(privFacts->size.value_or(0)) > LonePrivateKey::sizeLimit)
        return std::nullopt;
    auto facts = LonePrivateKey::read(found.privatePath);
    if (!facts)
        return std::nullopt;
    KeyCacheEntry& entry = found.entry;
    entry.type = facts->type;
    entry.bits = facts->bits;
    entry.fingerprint = facts->fingerprint;
    entry.hasPassphrase = facts->hasPassphrase.value_or(true);
    entry.createdAt = keys::utcDate(privFacts->born.value_or(privFacts->modified.value_or(0)));
    found.askPublicHalf = facts->askTool;
    found.othersMayRead = (privFacts->permissions.value_or(0) & 077) != 0;
    return found;
}

SSHKey keyFrom(const FoundKey& found) {
    const KeyCacheEntry& entry = found.entry;
    return {keyId(found.privatePath),
            found.baseName,
            "~/.ssh/" + found.baseName,
            entry.type,
            entry.fingerprint,
            entry.publicKey,
            entry.hasPassphrase,
            entry.createdAt,
            entry.bits,
            found.lone,
            {}};
}

// Each certificate joins the key it certifies; of two keys alike, the one
// whose name it bears. A certificate of no key here is not shown.
void attachCertificates(std::vector<SSHKey>& keys, std::vector<FoundCertificate>& certificates) {
    for (FoundCertificate& found : certificates) {
        SSHKey* owner = nullptr;
        for (SSHKey& key : keys) {
            const bool named = found.fileName == key.name + "-cert.pub";
            if (key.fingerprint == found.read.keyFingerprint && (!owner || named))
                owner = &key;
        }
        if (!owner)
            continue;
        found.read.certificate.path = "~/.ssh/" + found.fileName;
        owner->certificates.push_back(std::move(found.read.certificate));
    }
}

// The key a public file makes, a certificate it holds, or nothing, with the
// warnings it gives. A cache entry stands for the file while its facts last.
struct PublicFile {
    std::optional<FoundKey> key;
    std::optional<FoundCertificate> certificate;
    bool missed = false;
};

PublicFile examinePublic(const std::string& directory, const std::string& baseName,
                         const std::string& name,
                         const std::unordered_map<std::string_view, const KeyCacheEntry*>& cached,
                         std::vector<std::string>& warnings) {
    auto key = examine(directory, baseName, name);
    if (!key)
        return {};
    if (static_cast<std::uint64_t>(key->entry.pubSize) > publicKeySizeLimit) {
        warnings.push_back(tooLargeWarning(key->entry.pubPath));
        return {};
    }
    PublicFile out;
    auto hit = cached.find(key->entry.pubPath);
    // An entry of an older scan without a size is read again for it.
    if (hit != cached.end() && sameFileFacts(*hit->second, key->entry) &&
        (hit->second->bits || hit->second->fingerprint == "unknown")) {
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
            return {};
        out.missed = true;
    }
    if (CertificateReader::isCertificateText(key->entry.publicKey)) {
        if (auto read = CertificateReader::fromText(key->entry.publicKey))
            out.certificate = FoundCertificate{name, std::move(*read)};
        return out;
    }
    if (key->othersMayRead)
        warnings.push_back(looseModeWarning(key->privatePath));
    out.key = std::move(key);
    return out;
}

// Whether the entry may be a private key without its public file.
bool mayBeLone(const std::string& name, const std::unordered_set<std::string_view>& listed) {
    return !name.ends_with(publicSuffix) && !name.starts_with('.') &&
           !skippedNames().contains(name) && !listed.contains(name + std::string(publicSuffix));
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
    const std::unordered_set<std::string_view> listed(names->begin(), names->end());

    std::vector<FoundKey> found;
    std::vector<FoundCertificate> certificates;
    std::vector<std::size_t> misses;
    ScanResult result;
    for (const std::string& name : *names) {
        if (auto baseName = keyBaseName(name)) {
            PublicFile file = examinePublic(sshDirectory, *baseName, name, cached, result.warnings);
            if (file.certificate)
                certificates.push_back(std::move(*file.certificate));
            if (!file.key)
                continue;
            if (file.missed)
                misses.push_back(found.size());
            found.push_back(std::move(*file.key));
        } else if (mayBeLone(name, listed)) {
            if (auto lone = examineLone(sshDirectory, name)) {
                if (lone->othersMayRead)
                    result.warnings.push_back(looseModeWarning(lone->privatePath));
                found.push_back(std::move(*lone));
            }
        }
    }
    queryTool(found, misses, toolPath);

    result.keys.reserve(found.size());
    for (FoundKey& key : found) {
        result.keys.push_back(keyFrom(key));
        if (!key.lone)
            result.cache.push_back(std::move(key.entry));
    }
    attachCertificates(result.keys, certificates);
    return result;
}

std::optional<std::string> findBaseName(const std::string& sshDirectory, std::string_view id) {
    auto names = files::entryNames(sshDirectory);
    if (!names)
        return std::nullopt;
    const std::unordered_set<std::string_view> listed(names->begin(), names->end());
    for (const std::string& name : *names) {
        auto baseName = keyBaseName(name);
        if (!baseName && mayBeLone(name, listed) && keyId(paths::join(sshDirectory, name)) == id &&
            examineLone(sshDirectory, name))
            return name;
        if (!baseName || keyId(paths::join(sshDirectory, *baseName)) != id)
            continue;
        // Only a public file that makes a key in a scan counts.
        KeyCacheEntry entry;
        entry.pubPath = paths::join(sshDirectory, name);
        if (keys::readFileFacts(entry.pubPath) && readPublicKey(entry) == PublicKeyRead::key &&
            !CertificateReader::isCertificateText(entry.publicKey))
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
