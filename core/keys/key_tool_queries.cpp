#include "keys/key_protection.h"
#include "keys/key_text.h"
#include "keys/key_tool.h"

namespace moorkeep {
namespace {

constexpr double queryLimitSeconds = 5.0;

} // namespace

std::string keyFingerprint(const std::string& publicKeyPath, const std::string& toolPath) {
    KeyToolResult result = runKeyTool(toolPath, {"-lf", publicKeyPath}, queryLimitSeconds);
    std::string_view token = result.status == 0
                                 ? keys::firstPieceStartingWith(result.output, "SHA256:")
                                 : std::string_view();
    return token.empty() ? "unknown" : std::string(token);
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
