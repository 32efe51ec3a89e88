#pragma once

#include "model/ssh_host.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How the dialogs read and check what the user typed. The desktop dialogs and
// the command-line companion both use these, so a value typed in either is
// read the same way.
namespace moorkeep::InputRules {

// Removes leading and trailing space separators (Unicode Zs) and tabs; line
// breaks stay.
std::string trimWhitespace(std::string_view text);
// Also removes leading and trailing line breaks.
std::string trimWhitespaceAndNewlines(std::string_view text);
// The trimmed text, or nothing when nothing remains (ProxyJump, comments).
std::optional<std::string> nonEmptyTrimmed(std::string_view text);

// An optional "+" or "-" and one or more digits, nothing else, within the
// signed 64-bit range.
std::optional<std::int64_t> parseInteger(std::string_view text);
// A port as the configuration gives it: 22 when the text is empty or not an
// integer; no range check.
std::int64_t portFromText(std::string_view text);

// A key file name: not empty, only letters, numbers (of any script), "-"
// and "_".
bool isValidKeyFileName(std::string_view name);
// An optional e-mail address: empty after trimming, or a non-empty part
// before the first "@" and a domain after it whose first "." is neither its
// first nor its last character, with no control characters (it becomes the
// comment of a key line).
bool isValidEmail(std::string_view text);

// Control characters (C0, DEL, C1), line breaks included, and the Unicode
// line and paragraph separators: text that could start a second line in a
// key file or steer a terminal.
bool hasControlCharacters(std::string_view text);
// The Unicode marks that reorder how text is shown (U+061C, U+200E, U+200F,
// U+202A to U+202E, U+2066 to U+2069): a name holding one can display as
// another.
bool hasDirectionMarks(std::string_view text);
// A display name for a key: no control characters and no direction marks.
bool isValidDisplayName(std::string_view text);
inline constexpr std::string_view displayNameRuleMessage =
    "The display name must not contain control characters (such as line breaks) or "
    "text direction marks.";
// A passphrase that ssh-keygen takes whole: no C0 control character or DEL,
// where it would cut the passphrase short (at a carriage return, say).
bool isValidPassphrase(std::string_view text);
// What an alias that is not one host name is refused with (by the store and
// by the host dialog).
inline constexpr std::string_view aliasRuleMessage =
    "An alias is one host name: no spaces, no * ? ! , no quotes, none of "
    "$ ` \\ ; & < > | ( ) { } and no leading - or #";
// Whether the alias names one host, as OpenSSH reads a Host line and as ssh
// takes it on its command line: no white space or control characters (it
// would be several patterns), none of * ? ! , (wildcards, negation, lists),
// no shell metacharacters (ssh refuses them in a destination), no leading
// "-" (it would read as an option of ssh) and no leading "#" (OpenSSH would
// read the Host line as a comment).
bool isValidAlias(std::string_view alias);

// What an option name that is not a plain keyword is refused with.
inline constexpr std::string_view optionNameRuleMessage =
    "An option name is a plain OpenSSH keyword: letters and digits only, starting with a letter.";
// Whether the name is a plain keyword: an ASCII letter, then letters and
// digits. Quotes, "#" and other marks would make OpenSSH read the line as
// something else (a quoted keyword, a comment).
bool isValidOptionName(std::string_view name);

// Whether another host already has exactly this alias. editedId names the
// host being edited, which does not count; nothing when adding.
bool isDuplicateAlias(const std::vector<SSHHost>& hosts, std::string_view alias,
                      const std::optional<std::string>& editedId);

} // namespace moorkeep::InputRules
