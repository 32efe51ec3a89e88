#include "cli_errors.h"
#include "commands/backup_commands.h"
#include "commands/check_command.h"
#include "commands/defaults_commands.h"
#include "commands/dump_command.h"
#include "commands/host_commands.h"
#include "commands/key_commands.h"
#include "files/interrupt_cleanup.h"
#include "global_options.h"
#include "heap_room.h"
#include "output.h"
#include "session.h"
#include "visible_text.h"

#include <iostream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

using namespace moorkeep::cli;

namespace {

constexpr std::string_view help = R"(Usage: moorkeepctl [global options] COMMAND [options]

Reads and changes the OpenSSH client set-up that Moorkeep manages: the hosts of
~/.ssh/config, its Host * defaults and the key pairs in ~/.ssh. Changes are made
exactly as the desktop application makes them.

Commands:
  check      report what ssh refuses or ignores in the set-up
  dump       print keys, hosts and defaults as JSON
  host       list, show, add, change, delete and connect to hosts
  defaults   show and change the Host * defaults
  key        list, show, generate, rename, delete, install keys; passphrases
  backup     list the backups of the configuration and put one back

Global options:
  --home DIR    use DIR/.ssh (default: your home directory)
  --meta FILE   the metadata file (default: the one of that home directory)
  --demo        work on the demo data in memory (as MOORKEEP_DEMO=1 does)
  --help        show this help
  --version     print the version

Run 'moorkeepctl COMMAND --help' for more.

Exit status: 0 success; 1 the operation failed; 2 a usage error, an unknown
host or key, or input that would be refused.
)";

int run(std::span<const std::string> args, Output& output) {
    CommandLine line = readGlobalOptions(args);
    if (line.help) {
        output.stream() << help;
        return 0;
    }
    if (line.version) {
        output.stream() << "moorkeepctl " << MOORKEEP_VERSION << '\n';
        return 0;
    }
    if (line.rest.empty())
        throw UsageError("missing command", "");
    Session session(line.options, output);
    const std::string& word = line.rest.front();
    auto rest = line.rest.subspan(1);
    if (word == dumpCommand().name)
        return runCommand(session, dumpCommand(), word, rest);
    if (word == checkCommand().name)
        return runCommand(session, checkCommand(), word, rest);
    for (const CommandGroup* group :
         {&hostCommands(), &defaultsCommands(), &keyCommands(), &backupCommands()})
        if (word == group->name)
            return runGroup(session, *group, rest);
    throw UsageError("unknown command " + word, "");
}

} // namespace

int main(int argc, char** argv) {
    heap::keepLargeBuffers();
    // An interrupted command leaves no key copy, half-made key or child
    // behind.
    moorkeep::InterruptCleanup::install();
    const std::vector<std::string> args(argv + 1, argv + argc);
    Output output(std::cout, colourWanted(STDOUT_FILENO), std::cerr);
    try {
        return run(args, output);
    } catch (const UsageError& error) {
        std::string topic = error.helpTopic().empty() ? "" : error.helpTopic() + " ";
        std::cerr << "moorkeepctl: " << visible(error.what(), true) << "\nTry 'moorkeepctl "
                  << topic << "--help'.\n";
        return 2;
    } catch (const RefusedInput& error) {
        std::cerr << "moorkeepctl: " << visible(error.what(), true) << '\n';
        return 2;
    } catch (const std::invalid_argument& error) {
        // The store refuses a value it would not write into the files.
        std::cerr << "moorkeepctl: " << visible(error.what(), true) << '\n';
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "moorkeepctl: " << visible(error.what(), true) << '\n';
        return 1;
    }
}
