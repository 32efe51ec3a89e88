#include "keys/lone_private_key.h"

#include "files/text_file.h"
#include "keys/key_facts_reader.h"
#include "keys/key_protection.h"
#include "model/secret_wipe.h"

namespace moorkeep::LonePrivateKey {
namespace {

// The kind the traditional PEM label names.
std::string pemType(std::string_view firstLine) {
    if (firstLine.find("BEGIN RSA PRIVATE KEY") != std::string_view::npos)
        return "rsa";
    if (firstLine.find("BEGIN DSA PRIVATE KEY") != std::string_view::npos)
        return "dsa";
    if (firstLine.find("BEGIN EC PRIVATE KEY") != std::string_view::npos)
        return "ecdsa";
    return "unknown";
}

std::optional<Facts> factsOf(std::string_view text) {
    const std::string_view firstLine = text.substr(0, text.find('\n'));
    if (!firstLine.starts_with("-----BEGIN ") ||
        firstLine.find("PRIVATE KEY") == std::string_view::npos)
        return std::nullopt;
    Facts facts;
    facts.hasPassphrase = KeyProtection::fromText(text);
    if (auto key = KeyFactsReader::fromPrivateText(text)) {
        facts.type = key->type;
        facts.bits = key->bits;
        facts.fingerprint = key->fingerprint;
        return facts;
    }
    facts.type = pemType(firstLine);
    facts.askTool = facts.hasPassphrase != true;
    return facts;
}

} // namespace

std::optional<Facts> read(const std::string& path) {
    files::ReadResult file = files::readFile(path, sizeLimit);
    if (file.status != files::ReadStatus::ok)
        return std::nullopt;
    std::optional<Facts> facts = factsOf(file.bytes);
    // A key in the clear is key material.
    wipeBytes(file.bytes.data(), file.bytes.size());
    return facts;
}

} // namespace moorkeep::LonePrivateKey
