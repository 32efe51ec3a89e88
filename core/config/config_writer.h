#pragma once

#include "model/defaults.h"
#include "model/ssh_host.h"
#include "model/vault_store.h"

#include <optional>
#include <string>
#include <string_view>

// Edits the OpenSSH client configuration block by block; every line outside
// the edited block stays byte for byte as it was. The text forms never fail.
namespace moorkeep::ConfigWriter {

// Names the file that a file form works on.
struct AtPath {
    std::string path;
};

std::string appendHostBlock(std::string_view to, const SSHHost& host, const Defaults& defaults,
                            const KeyIdToPath& keyIdToPath);
std::string updateHostBlock(std::string_view in, const SSHHost& host,
                            const std::optional<std::string>& originalAlias,
                            const Defaults& defaults, const KeyIdToPath& keyIdToPath);
std::string deleteHostBlock(std::string_view in, const std::string& alias);
std::string updateDefaultsBlock(std::string_view in, const Defaults& defaults,
                                const KeyIdToPath& keyIdToPath);
// Appends a "Host *" block with the defaults, separated as appendHostBlock
// separates a host block: for a configuration that has none yet.
std::string appendDefaultsBlock(std::string_view to, const Defaults& defaults,
                                const KeyIdToPath& keyIdToPath);

// Whether the text holds the host block of this alias.
bool hasHostBlock(std::string_view text, const std::string& alias);

// Throws std::invalid_argument, naming the field, when a text that would be
// written into the file holds a line break or a NUL character, when the alias
// is empty, or when an extra option's name would not read back as the keyword
// of one directive of the block (empty, white space or "=", Host or Match).
void checkWritable(const SSHHost& host, const KeyIdToPath& keyIdToPath);
void checkWritable(const Defaults& defaults, const KeyIdToPath& keyIdToPath);

// File forms. They refuse (FileError) a file that exists but cannot be read
// or is not valid UTF-8, and never replace it then. The update and delete
// forms return whether the block was found; when it was not, nothing is
// written.
void appendHostBlock(const AtPath& atPath, const SSHHost& host, const Defaults& defaults,
                     const KeyIdToPath& keyIdToPath);
bool updateHostBlock(const AtPath& atPath, const SSHHost& host,
                     const std::optional<std::string>& originalAlias, const Defaults& defaults,
                     const KeyIdToPath& keyIdToPath);
bool deleteHostBlock(const AtPath& atPath, const std::string& alias);
bool updateDefaultsBlock(const AtPath& atPath, const Defaults& defaults,
                         const KeyIdToPath& keyIdToPath);
void appendDefaultsBlock(const AtPath& atPath, const Defaults& defaults,
                         const KeyIdToPath& keyIdToPath);

} // namespace moorkeep::ConfigWriter
