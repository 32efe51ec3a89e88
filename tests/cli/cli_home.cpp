#include "cli_home.h"

#include "model/record_json.h"

#include <cctype>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace moorkeep::test {

namespace {

const std::string keygen = "/usr/bin/ssh-keygen";

} // namespace

std::string caseName(const std::vector<std::string>& args, std::size_t index) {
    std::string name;
    for (const auto& arg : args) {
        std::string word;
        for (char c : arg)
            if (std::isalnum(static_cast<unsigned char>(c)))
                word += c;
        if (!word.empty())
            name += (name.empty() ? "" : "_") + word;
    }
    return std::to_string(index) + "_" + (name.empty() ? "none" : name);
}

ProcessResult runDemo(const std::vector<std::string>& command, const std::string& input) {
    return runProcess(cliPath, command, input, {{"MOORKEEP_DEMO", "1"}});
}

CliHome::CliHome() {
    std::filesystem::create_directories(sshPath(""));
    std::filesystem::permissions(sshPath(""), std::filesystem::perms::owner_all);
}

std::string CliHome::sshPath(const std::string& name) const {
    return dir_.file(".ssh/" + name);
}

std::vector<std::string> CliHome::args(const std::vector<std::string>& command) const {
    std::vector<std::string> all{"--home", home(), "--meta", metaPath()};
    all.insert(all.end(), command.begin(), command.end());
    return all;
}

ProcessResult CliHome::run(const std::vector<std::string>& command,
                           const std::string& input) const {
    return runProcess(cliPath, args(command), input, {{"MOORKEEP_DEMO", std::nullopt}});
}

TerminalResult CliHome::runOnTerminal(const std::vector<std::string>& command,
                                      const std::vector<TerminalStep>& steps) const {
    return test::runOnTerminal(cliPath, args(command), steps, {{"MOORKEEP_DEMO", std::nullopt}});
}

void CliHome::writeConfig(const std::string& text) const {
    writeFile(configPath(), text);
}

std::string CliHome::config() const {
    return readFile(configPath());
}

void CliHome::makeKey(const std::string& name, const std::string& passphrase,
                      const std::string& type) const {
    std::vector<std::string> args{"-q", "-t",           type, "-N",         passphrase,
                                  "-C", name + "@test", "-f", sshPath(name)};
    if (type == "rsa")
        args.insert(args.end(), {"-b", "1024"});
    auto result = runProcess(keygen, args);
    ASSERT_EQ(result.status, 0) << result.err;
}

bool CliHome::keyOpensWith(const std::string& name, const std::string& passphrase) const {
    return runProcess(keygen, {"-y", "-P", passphrase, "-f", sshPath(name)}).status == 0;
}

VaultData CliHome::snapshot() const {
    auto result = run({"dump"});
    EXPECT_EQ(result.status, 0) << result.err;
    VaultData data;
    try {
        data = nlohmann::json::parse(result.out).get<VaultData>();
    } catch (const std::exception& error) {
        ADD_FAILURE() << "dump does not decode: " << error.what() << "\n" << result.out;
    }
    return data;
}

} // namespace moorkeep::test
