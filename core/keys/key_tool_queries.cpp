#include "keys/key_protection.h"
#include "keys/key_text.h"
#include "keys/key_tool.h"
#include "model/input_rules.h"

#include <charconv>

namespace moorkeep {
namespace {

constexpr double queryLimitSeconds = 5.0;

} // namespace

KeyListing keyListing(const std::string& publicKeyPath, const std::string& toolPath) {
    KeyToolResult result = runKeyTool(toolPath, {"-lf", publicKeyPath}, queryLimitSeconds);
    KeyListing listing;
    std::string_view token = result.status == 0
                                 ? keys::firstPieceStartingWith(result.output, "SHA256:")
                                 : std::string_view();
    if (token.empty())
        return listing;
    listing.fingerprint = std::string(token);
    // "BITS SHA256:... COMMENT (TYPE)"
    const std::string_view size = keys::firstPiece(result.output);
    int bits = 0;
    if (std::from_chars(size.data(), size.data() + size.size(), bits).ptr ==
        size.data() + size.size())
        listing.bits = bits;
    return listing;
}

std::string keyFingerprint(const std::string& publicKeyPath, const std::string& toolPath) {
    return keyListing(publicKeyPath, toolPath).fingerprint;
}

std::string publicHalfOf(const std::string& privateKeyPath, const std::string& toolPath) {
    KeyToolResult result =
        runKeyTool(toolPath, {"-y", "-P", "", "-f", privateKeyPath}, queryLimitSeconds);
    return result.status == 0 ? InputRules::trimWhitespaceAndNewlines(result.output) : "";
}

bool probeHasPassphrase(const std::string& privateKeyPath, const std::string& toolPath) {
    // The file's format says it, where it is a format we know: the tool
    // also refuses a key in the clear whose mode is too loose.
    if (auto known = KeyProtection::ofFile(privateKeyPath))
        return *known;
    // Printing the public half with the empty passphrase succeeds only for an
    // unprotected key; any failure, a start failure included, counts as
    // protected.
    return runKeyTool(toolPath, {"-y", "-P", "", "-f", privateKeyPath}, queryLimitSeconds).status !=
           0;
}

} // namespace moorkeep
