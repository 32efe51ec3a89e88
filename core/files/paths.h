#pragma once

#include <string>
#include <string_view>

namespace moorkeep::paths {

// Joins with a single "/" (a trailing "/" on the left is not doubled).
std::string join(std::string_view left, std::string_view right);
// The path with its last component removed ("/" for a file in the root).
std::string parent(std::string_view path);
// The last component.
std::string baseName(std::string_view path);
// The current user's home directory: $HOME, else the password database.
std::string currentUserHome();
// "~" or "~/..." with the given home; "~name/..." with that user's home.
std::string expandTilde(std::string_view path, std::string_view home);
// The path as people read it: a path inside home written from "~".
std::string tilded(std::string_view path, std::string_view home);
// Lexical clean-up: "~" expanded with the given home, empty and "."
// components dropped, ".." resolved where possible, no trailing slash.
std::string standardize(std::string_view path, std::string_view home);

} // namespace moorkeep::paths
