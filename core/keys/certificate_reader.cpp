#include "keys/certificate_reader.h"

#include "files/text_file.h"
#include "keys/key_facts_reader.h"
#include "keys/key_text.h"
#include "keys/ssh_wire.h"
#include "model/input_rules.h"

#include <ctime>

namespace moorkeep::CertificateReader {
namespace {

using keys::WireReader;

constexpr std::string_view certSuffix = "-cert-v01@openssh.com";
constexpr std::size_t fileSizeLimit = 64 * 1024;

// The plain kind a certificate kind certifies, and how many strings its key
// takes in the blob.
struct PlainKind {
    std::string name;
    int fields = 0;
};

std::optional<PlainKind> plainKind(std::string_view certName) {
    if (!certName.ends_with(certSuffix))
        return std::nullopt;
    std::string plain(certName.substr(0, certName.size() - certSuffix.size()));
    if (plain == "ssh-rsa" || plain.starts_with("ecdsa-sha2-"))
        return PlainKind{plain, 2};
    if (plain == "ssh-dss")
        return PlainKind{plain, 4};
    if (plain == "ssh-ed25519")
        return PlainKind{plain, 1};
    if (plain == "sk-ssh-ed25519")
        return PlainKind{plain + "@openssh.com", 2};
    if (plain == "sk-ecdsa-sha2-nistp256")
        return PlainKind{plain + "@openssh.com", 3};
    return std::nullopt;
}

std::string wireString(std::string_view text) {
    std::string bytes;
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((text.size() >> shift) & 0xff);
    return bytes.append(text);
}

std::optional<std::vector<std::string>> principalsOf(std::string_view packed) {
    std::vector<std::string> names;
    WireReader reader(packed);
    while (!reader.atEnd()) {
        auto name = reader.string();
        if (!name)
            return std::nullopt;
        names.emplace_back(*name);
    }
    return names;
}

// The fields after the certified key, up to the signature.
bool readCommon(WireReader& reader, KeyCertificate& out) {
    auto serial = reader.u64();
    auto kind = serial ? reader.u32() : std::nullopt;
    auto keyId = kind ? reader.string() : std::nullopt;
    auto packed = keyId ? reader.string() : std::nullopt;
    auto after = packed ? reader.u64() : std::nullopt;
    auto before = after ? reader.u64() : std::nullopt;
    auto principals = before ? principalsOf(*packed) : std::nullopt;
    if (!principals || (*kind != 1 && *kind != 2) || !reader.skip(3))
        return false;
    out.serial = *serial;
    out.kind = *kind == 1 ? "user" : "host";
    out.keyId = std::string(*keyId);
    out.principals = std::move(*principals);
    out.validAfter = *after;
    out.validBefore = *before;
    return true;
}

std::optional<Certified> fromBlob(std::string_view blob, std::string_view name) {
    auto plain = plainKind(name);
    WireReader reader(blob);
    auto named = reader.string();
    if (!plain || !named || *named != name || !reader.string())
        return std::nullopt;
    const std::string_view fields = reader.rest();
    if (!reader.skip(plain->fields))
        return std::nullopt;
    const std::string plainBlob =
        wireString(plain->name) +
        std::string(fields.substr(0, fields.size() - reader.rest().size()));
    auto key = KeyFactsReader::fromBlob(plainBlob, plain->name);
    Certified out;
    if (!key || !readCommon(reader, out.certificate))
        return std::nullopt;
    auto caBlob = reader.string();
    WireReader caReader(caBlob.value_or(""));
    auto caName = caReader.string();
    auto ca = caName ? KeyFactsReader::fromBlob(*caBlob, *caName) : std::nullopt;
    if (!ca || !reader.string() || !reader.atEnd())
        return std::nullopt;
    out.certificate.caType = ca->type;
    out.certificate.caFingerprint = ca->fingerprint;
    out.keyType = key->type;
    out.keyFingerprint = key->fingerprint;
    return out;
}

std::string localTime(std::uint64_t seconds) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    char text[32] = {};
    if (localtime_r(&time, &parts) == nullptr ||
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts) == 0)
        return "?";
    return text;
}

} // namespace

bool isCertificateText(std::string_view text) {
    return keys::firstPiece(text).ends_with(certSuffix);
}

std::optional<Certified> fromText(std::string_view text) {
    const std::string_view name = keys::firstPiece(text);
    std::string_view rest = text.substr(text.find(name) + name.size());
    const std::string_view encoded = keys::firstPiece(rest);
    auto blob = keys::decodeBase64(encoded);
    return blob ? fromBlob(*blob, name) : std::nullopt;
}

std::optional<Certified> ofFile(const std::string& path) {
    files::ReadResult read = files::readFile(path, fileSizeLimit);
    if (read.status != files::ReadStatus::ok || !files::isValidUtf8(read.bytes))
        return std::nullopt;
    return fromText(InputRules::trimWhitespaceAndNewlines(read.bytes));
}

std::string validityText(const KeyCertificate& certificate) {
    const bool fromStart = certificate.validAfter == 0;
    const bool noEnd = certificate.validBefore == KeyCertificate::noEnd;
    if (fromStart && noEnd)
        return "forever";
    if (fromStart)
        return "before " + localTime(certificate.validBefore);
    if (noEnd)
        return "after " + localTime(certificate.validAfter);
    return "from " + localTime(certificate.validAfter) + " to " +
           localTime(certificate.validBefore);
}

} // namespace moorkeep::CertificateReader
