#include "cli_home.h"

#include <algorithm>
#include <map>
#include <regex>
#include <sstream>

// The manual page against --help: every command that a help text lists and
// every option that a command's help names must be in the page, each option
// in the subsection of its command. The commands are found by walking the
// help texts, so a new command or option without a page entry fails here.
namespace moorkeep::test {
namespace {

const std::string manPagePath = MOORKEEPCTL_MAN_PAGE;

std::string help(std::vector<std::string> words) {
    words.push_back("--help");
    auto result = runDemo(words);
    EXPECT_EQ(result.status, 0) << result.err;
    return result.out;
}

// Each match of the pattern: its first group, or the whole match.
std::vector<std::string> matches(const std::string& text, const std::regex& pattern) {
    std::vector<std::string> found;
    for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it)
        found.push_back(it->str(it->size() > 1 ? 1 : 0));
    return found;
}

// The page by section heading (.SH and .SS) with the text under each heading
// up to the next one, as it reads: font changes and quotes dropped, escaped
// hyphens made plain.
std::map<std::string, std::string> sectionsOf(std::string page) {
    page = std::regex_replace(page, std::regex(R"(\\f[BIRP]|")"), "");
    page = std::regex_replace(page, std::regex(R"(\\-)"), "-");
    std::map<std::string, std::string> result;
    std::string heading;
    std::istringstream lines(page);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(".SH ") || line.starts_with(".SS "))
            heading = line.substr(4);
        else if (!heading.empty())
            result[heading] += line + "\n";
    }
    return result;
}

// Every command under the words that runs something, with its help text,
// found from their help down.
void collectLeaves(const std::vector<std::string>& words, const std::string& path,
                   std::vector<std::pair<std::string, std::string>>& leaves) {
    const std::string text = help(words);
    // The names under "Commands:", up to the next empty line.
    static const std::regex commandName("\n  ([a-z][a-z-]*)");
    const auto begin = text.find("Commands:\n");
    const auto subcommands =
        begin == std::string::npos
            ? std::vector<std::string>{}
            : matches(text.substr(begin, text.find("\n\n", begin) - begin), commandName);
    for (const auto& name : subcommands) {
        auto longer = words;
        longer.push_back(name);
        collectLeaves(longer, path.empty() ? name : path + " " + name, leaves);
    }
    if (subcommands.empty())
        leaves.push_back({path, text});
}

// The page also carries the version and formats without a warning.
TEST(ManPageTest, DescribesEveryCommandAndItsOptionsAndFormatsCleanly) {
    const std::string page = readFile(manPagePath);
    EXPECT_THAT(page, HasSubstr("\"Moorkeep " MOORKEEP_VERSION "\""));
    auto groff = runProcess("/usr/bin/groff", {"-man", "-ww", "-z", manPagePath});
    EXPECT_EQ(groff.status, 0);
    EXPECT_EQ(groff.err, "");
    const auto sections = sectionsOf(page);
    std::vector<std::pair<std::string, std::string>> leaves;
    collectLeaves({}, "", leaves);
    ASSERT_GE(leaves.size(), 15u) << "the help texts list fewer commands than expected";
    // The global options are those of the top-level help.
    leaves.push_back({"GLOBAL OPTIONS", help({})});
    for (const auto& [path, text] : leaves) {
        // The subsection whose heading is the command, maybe followed by its
        // arguments.
        const auto section = std::ranges::find_if(sections, [&](const auto& entry) {
            return entry.first == path || entry.first.starts_with(path + " ");
        });
        if (section == sections.end()) {
            ADD_FAILURE() << "no subsection for \"" << path << "\"";
            continue;
        }
        static const std::regex optionName("--[a-z][a-z0-9-]*");
        for (const auto& option : matches(text, optionName)) {
            if (option != "--help" || path == "GLOBAL OPTIONS") {
                EXPECT_THAT(section->second, HasSubstr(option)) << path << " " << option;
            }
        }
    }
}

} // namespace
} // namespace moorkeep::test
