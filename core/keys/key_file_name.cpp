#include "keys/key_file_name.h"

#include "keys/key_scanner.h"

namespace moorkeep {

std::string sanitizeKeyFileName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        auto c = static_cast<unsigned char>(name[i]);
        bool alphabet = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '_';
        out += alphabet ? static_cast<char>(c) : '_';
        // Skip the continuation bytes of a multi-byte scalar: one scalar, one "_".
        ++i;
        while (i < name.size() && (static_cast<unsigned char>(name[i]) & 0xC0) == 0x80)
            ++i;
    }
    return out;
}

bool isReservedKeyFileName(std::string_view name) {
    // A key of a name the scanner skips would be made and never listed.
    return KeyScanner::skippedNames().contains(name) || name.ends_with(".pub");
}

std::string reservedKeyFileNameMessage(std::string_view name) {
    return "\"" + std::string(name) +
           "\" is a name OpenSSH uses for its own files in ~/.ssh. Choose another name for the "
           "key.";
}

} // namespace moorkeep
