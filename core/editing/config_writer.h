#pragma once

#include "model/defaults.h"
#include "model/ssh_host.h"
#include "stores/vault_store.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Edits the OpenSSH client configuration block by block; every line outside
// the edited block stays byte for byte as it was. The text forms never fail.
namespace moorkeep::ConfigWriter {

// Names the file that a file form works on.
struct AtPath {
    std::string path;
    // Called with the file's bytes (nothing when it is missing) and the new
    // text just before the file is replaced; it may throw to stop the write.
    // When another program changed the file meanwhile, the edit is made
    // again from what the file holds then, and judged again.
    std::function<void(const std::string& path, const std::optional<std::string>& current,
                       const std::string& next)>
        beforeReplace = {};
    // Called when the file was not replaced with the text beforeReplace
    // let, so that what it prepared for that text can be undone.
    std::function<void()> afterFailedReplace = {};
};

std::string appendHostBlock(std::string_view to, const SSHHost& host, const Defaults& defaults,
                            const KeyIdToPath& keyIdToPath);
// The same block inserted before the line of this index (counted from 0),
// with one blank line after it, so that OpenSSH reads it before the block
// that starts there; comment lines right above that line stay with it. At
// or past the end, the block is appended.
std::string insertHostBlock(std::string_view to, const SSHHost& host, const Defaults& defaults,
                            const KeyIdToPath& keyIdToPath, std::size_t beforeLine);
// The block of the alias moved, byte for byte, before the Host or Match line
// of this index (counted from 0), which must come before it; comment lines
// right above that line stay with it. Nothing when the block is not found
// or the line is not such a header.
std::optional<std::string> moveHostBlock(std::string_view in, const std::string& alias,
                                         std::size_t beforeLine);
// An update rewrites only the field groups (HostName, User, Port,
// IdentityFile, ProxyJump, each extra option in any spelling) whose value
// differs from `original`, the record as the files give it now; the header
// stays unless the alias changes. Without `original`, it is the block as the
// text alone gives it.
std::string updateHostBlock(std::string_view in, const SSHHost& host,
                            const std::optional<std::string>& originalAlias,
                            const Defaults& defaults, const KeyIdToPath& keyIdToPath);
std::string updateHostBlock(std::string_view in, const SSHHost& host, const SSHHost& original,
                            const std::optional<std::string>& originalAlias,
                            const Defaults& defaults, const KeyIdToPath& keyIdToPath);
std::string deleteHostBlock(std::string_view in, const std::string& alias);
std::string updateDefaultsBlock(std::string_view in, const Defaults& defaults,
                                const KeyIdToPath& keyIdToPath);
std::string updateDefaultsBlock(std::string_view in, const Defaults& defaults,
                                const Defaults& original, const KeyIdToPath& keyIdToPath);
// Appends a "Host *" block, separated as appendHostBlock separates a host
// block, for a configuration that has none yet: with the groups that differ
// from `original` (what other blocks already give), or with every value.
std::string appendDefaultsBlock(std::string_view to, const Defaults& defaults,
                                const std::optional<Defaults>& original,
                                const KeyIdToPath& keyIdToPath);

// Whether the text holds the host block of this alias.
bool hasHostBlock(std::string_view text, const std::string& alias);

// Throws std::invalid_argument, naming the field, when a text that would be
// written into the file holds a line break or a NUL character, when the alias
// is empty, or when an extra option's name would not read back as the keyword
// of one directive of the block (empty, white space or "=", Host or Match).
void checkWritable(const SSHHost& host, const KeyIdToPath& keyIdToPath);
void checkWritable(const Defaults& defaults, const KeyIdToPath& keyIdToPath);

// Also refuses what OpenSSH would reject in the groups about to be written
// (those that differ from `original`; all of them for a new block): a port
// outside 1 to 65535, white space or a quote in HostName, User or ProxyJump.
void checkChange(const std::optional<SSHHost>& original, const SSHHost& host,
                 const Defaults& defaults, const KeyIdToPath& keyIdToPath);
void checkChange(const std::optional<Defaults>& original, const Defaults& defaults,
                 const KeyIdToPath& keyIdToPath);

// File forms. They refuse (FileError) a file that exists but cannot be read
// or is not valid UTF-8, and never replace it then. The update and delete
// forms return whether the block was found; when it was not, nothing is
// written.
void appendHostBlock(const AtPath& atPath, const SSHHost& host, const Defaults& defaults,
                     const KeyIdToPath& keyIdToPath);
void insertHostBlock(const AtPath& atPath, const SSHHost& host, const Defaults& defaults,
                     const KeyIdToPath& keyIdToPath, std::size_t beforeLine);
bool updateHostBlock(const AtPath& atPath, const SSHHost& host,
                     const std::optional<std::string>& originalAlias, const Defaults& defaults,
                     const KeyIdToPath& keyIdToPath);
bool updateHostBlock(const AtPath& atPath, const SSHHost& host, const SSHHost& original,
                     const std::optional<std::string>& originalAlias, const Defaults& defaults,
                     const KeyIdToPath& keyIdToPath);
bool deleteHostBlock(const AtPath& atPath, const std::string& alias);
bool moveHostBlock(const AtPath& atPath, const std::string& alias, std::size_t beforeLine);
// The block moved as moveHostBlock moves it, then updated, in one
// replacement; false also when the line is not a header above the block.
bool moveAndUpdateHostBlock(const AtPath& atPath, const SSHHost& host, const SSHHost& original,
                            const std::optional<std::string>& originalAlias,
                            const Defaults& defaults, const KeyIdToPath& keyIdToPath,
                            std::size_t beforeLine);
bool updateDefaultsBlock(const AtPath& atPath, const Defaults& defaults,
                         const KeyIdToPath& keyIdToPath);
bool updateDefaultsBlock(const AtPath& atPath, const Defaults& defaults, const Defaults& original,
                         const KeyIdToPath& keyIdToPath);
void appendDefaultsBlock(const AtPath& atPath, const Defaults& defaults,
                         const std::optional<Defaults>& original, const KeyIdToPath& keyIdToPath);

} // namespace moorkeep::ConfigWriter
