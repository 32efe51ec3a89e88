#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace moorkeep {

// A line of a known_hosts file that gives a key for the name OpenSSH looks up.
struct KnownHostKey {
    enum class Marker { none, certAuthority, revoked };

    std::string file; // absolute path
    std::size_t line = 0;
    std::string keyType;     // as the line writes it
    std::string fingerprint; // "SHA256:..." as ssh-keygen -l prints it; empty for a key that does
                             // not decode
    bool hashed = false;     // the line names the host by a "|1|" hash
    Marker marker = Marker::none;
    bool global = false; // in a GlobalKnownHostsFile, which forgetting leaves alone

    // Whether forgetting the host removes the line: as for ssh-keygen -R,
    // lines of the user's files without a marker.
    bool removable() const { return !global && marker == Marker::none; }

    bool operator==(const KnownHostKey&) const = default;
};

// The host keys OpenSSH's client trusts for one destination name.
struct KnownHostKeys {
    std::string name; // the destination name
    std::string
        lookupName; // what ssh looks up: HostKeyAlias, or the host name ("[name]:port" off port 22)
    bool checkHostIp = false;           // ssh also checks the address's keys, which are not listed
    std::vector<std::string> userFiles; // UserKnownHostsFile, expanded, in order
    std::vector<std::string> globalFiles; // GlobalKnownHostsFile
    std::vector<KnownHostKey> keys;       // in file order
    std::size_t malformedLines = 0;       // lines OpenSSH cannot read, skipped

    bool operator==(const KnownHostKeys&) const = default;

    // How many lines forgetting the host removes, per file, in file order.
    std::vector<std::pair<std::string, std::size_t>> removableLinesPerFile() const {
        std::vector<std::pair<std::string, std::size_t>> perFile;
        for (const KnownHostKey& key : keys) {
            if (!key.removable())
                continue;
            if (perFile.empty() || perFile.back().first != key.file)
                perFile.emplace_back(key.file, 0);
            ++perFile.back().second;
        }
        return perFile;
    }
};

// What forgetting a host's keys removed: per file, how many lines.
struct ForgottenHostKeys {
    struct File {
        std::string path;
        std::size_t lines = 0;
        std::string backup; // the file's previous bytes, as ssh-keygen keeps them
        bool operator==(const File&) const = default;
    };
    std::vector<File> files;

    std::size_t lines() const {
        std::size_t total = 0;
        for (const auto& file : files)
            total += file.lines;
        return total;
    }
};

} // namespace moorkeep
