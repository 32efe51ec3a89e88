#include "support/ssh_view.h"

#include "keys/key_tool.h"
#include "support/temp_dir.h"

#include <sstream>
#include <stdexcept>

namespace moorkeep::test {

SshView sshView(const std::string& config, const std::string& host, const std::string& home) {
    const KeyToolResult run =
        runKeyTool("/usr/bin/ssh", {"-G", "-F", config, "--", host}, 30, {{{"HOME", home}}});
    if (run.status != 0)
        throw std::runtime_error("ssh -G rejects the file: " + run.errorOutput + "\n--- file:\n" +
                                 readFile(config));
    SshView view;
    std::istringstream lines(run.output);
    for (std::string key, value; lines >> key >> std::ws && std::getline(lines, value);)
        view[key].push_back(value);
    return view;
}

std::set<std::string> changedKeywords(const SshView& before, const SshView& after) {
    std::set<std::string> changed;
    for (const SshView* view : {&before, &after})
        for (const auto& [key, values] : *view)
            if (!before.contains(key) || !after.contains(key) || before.at(key) != after.at(key))
                changed.insert(key);
    return changed;
}

std::string withCrLf(std::string text) {
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2)
        text.insert(at, "\r");
    return text;
}

} // namespace moorkeep::test
