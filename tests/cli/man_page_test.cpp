#include "cli_home.h"

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <sstream>

// The manual page against --help: every command that a help text lists and
// every option that a command's help names must be in the page, each option
// in the subsection of its command. The commands are found by walking the
// help texts, so a new command or option without a page entry fails here.
namespace moorkeep::test {
namespace {

const std::string manPagePath = MOORKEEPCTL_MAN_PAGE;

std::string help(const std::vector<std::string>& words) {
    std::vector<std::string> args = words;
    args.push_back("--help");
    auto result = runDemo(args);
    EXPECT_EQ(result.status, 0) << result.err;
    return result.out;
}

// The names under "Commands:", up to the next empty line.
std::vector<std::string> listedCommands(const std::string& helpText) {
    std::vector<std::string> names;
    std::istringstream lines(helpText);
    bool inList = false;
    for (std::string line; std::getline(lines, line);) {
        if (line == "Commands:")
            inList = true;
        else if (line.empty())
            inList = false;
        else if (inList && line.rfind("  ", 0) == 0)
            names.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
    return names;
}

std::set<std::string> namedOptions(const std::string& text) {
    static const std::regex option("--[a-z][a-z0-9-]*");
    std::set<std::string> options;
    for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it)
        options.insert(it->str());
    return options;
}

// Roff source as it reads: font changes and quotes dropped, escaped hyphens
// made plain.
std::string plain(std::string line) {
    static const std::regex font(R"(\\f[BIRP])");
    line = std::regex_replace(line, font, "");
    for (std::size_t at; (at = line.find("\\-")) != std::string::npos;)
        line.replace(at, 2, "-");
    std::erase(line, '"');
    return line;
}

// The page by section heading (.SH and .SS, as plain text) with the plain
// text under each heading up to the next one.
std::map<std::string, std::string> sectionsOf(const std::string& page) {
    std::map<std::string, std::string> result;
    std::string heading;
    std::istringstream lines(page);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(".SH ", 0) == 0 || line.rfind(".SS ", 0) == 0)
            heading = plain(line.substr(4));
        else if (!heading.empty())
            result[heading] += plain(line) + "\n";
    }
    return result;
}

struct CommandHelp {
    std::string path; // "host add"
    std::string text;
};

// Every command under the words that runs something, found from their help
// down.
void collectLeaves(const std::vector<std::string>& words, const std::string& path,
                   std::vector<CommandHelp>& leaves) {
    const std::string text = help(words);
    const auto subcommands = listedCommands(text);
    for (const auto& name : subcommands) {
        auto longer = words;
        longer.push_back(name);
        collectLeaves(longer, path.empty() ? name : path + " " + name, leaves);
    }
    if (subcommands.empty())
        leaves.push_back({path, text});
}

TEST(ManPageTest, DescribesEveryCommandAndItsOptions) {
    const auto sections = sectionsOf(readFile(manPagePath));
    std::vector<CommandHelp> leaves;
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
        for (const auto& option : namedOptions(text)) {
            if (option != "--help" || path == "GLOBAL OPTIONS") {
                EXPECT_THAT(section->second, HasSubstr(option)) << path << " " << option;
            }
        }
    }
}

TEST(ManPageTest, CarriesTheVersionAndFormatsWithoutWarnings) {
    EXPECT_THAT(readFile(manPagePath), HasSubstr("\"Moorkeep " MOORKEEP_VERSION "\""));
    auto result = runProcess("/usr/bin/groff", {"-man", "-ww", "-z", manPagePath});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
}

} // namespace
} // namespace moorkeep::test
