#include "global_options.h"

#include "cli_errors.h"

#include <filesystem>

namespace moorkeep::cli {

namespace {

// Absolute, so key ids (digests of absolute key paths) come out as they do
// for the desktop application.
std::string absolutePath(const std::string& option, const std::string& path) {
    if (path.empty())
        throw UsageError(option + " needs a path", "");
    std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
    if (absolute.size() > 1 && absolute.back() == '/')
        absolute.pop_back();
    return absolute;
}

} // namespace

CommandLine readGlobalOptions(std::span<const std::string> args) {
    CommandLine line;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.empty() || arg[0] != '-')
            break;
        auto equals = arg.find('=');
        std::string name = arg.substr(0, equals);
        if (name == "--home" || name == "--meta") {
            std::string value;
            if (equals != std::string::npos)
                value = arg.substr(equals + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            else
                throw UsageError("option " + name + " needs a value", "");
            (name == "--home" ? line.options.home : line.options.meta) = absolutePath(name, value);
        } else if (arg == "--demo") {
            line.options.demo = true;
        } else if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--version") {
            line.version = true;
        } else {
            throw UsageError("unknown option " + name, "");
        }
    }
    line.rest = args.subspan(i);
    return line;
}

} // namespace moorkeep::cli
