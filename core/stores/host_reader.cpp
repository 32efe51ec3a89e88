#include "stores/host_reader.h"

#include "files/background_work.h"
#include "keys/configured_certificates.h"
#include "openssh/host_effects.h"
#include "openssh/ssh_arguments.h"
#include "openssh/ssh_command.h"
#include "reading/config_syntax.h"
#include "reading/line_interpreter.h"
#include "stores/store_lock.h"

#include <algorithm>
#include <span>

namespace moorkeep {

namespace {

// What interpreting a document's lines reads of it besides the lines. Views
// taken before the document moves into an evaluator stay valid after.
struct DocumentParts {
    std::span<const std::string> fileNames;
    std::span<const std::string> argumentWords;
    std::span<const std::uint32_t> argumentStarts;

    explicit DocumentParts(const config::ConfigDocument& document)
        : fileNames(document.files)
        , argumentWords(document.argumentWords)
        , argumentStarts(document.argumentStarts) {}

    std::span<const std::string> arguments(const config::DocumentLine& line) const {
        return config::ConfigDocument::argumentList(argumentWords, argumentStarts, line);
    }
};

// Feeds the interpreter the lines that mean something to it.
void interpretLines(config::LineInterpreter& interpreter,
                    std::span<const config::DocumentLine> lines, const DocumentParts& parts,
                    const std::function<void(std::string_view, const std::string&)>& seen) {
    using Kind = config::DocumentLine::Kind;
    for (const auto& line : lines) {
        if (line.kind == Kind::includeBegin || line.kind == Kind::includeEnd)
            continue;
        if (line.kind == Kind::option && interpreter.ignoresOptions())
            continue;
        const std::string& file = parts.fileNames[line.file];
        if (line.kind == Kind::host) {
            // Most Host lines of a reading of a few aliases name another host.
            const std::span<const std::string> patterns = parts.arguments(line);
            if (interpreter.skipHost(patterns)) {
                if (seen)
                    seen(patterns[0], file);
                continue;
            }
            if (seen)
                seen(config::headerPatterns(line.value()), file);
        }
        interpreter.add(config::writtenKeyword(line), line.value(), file, line.line);
    }
}

// A thread costs more than a small configuration's whole reading.
constexpr std::size_t linesForTwoThreads = 4000;

// Runs both, side by side when the configuration is large enough.
void runForLines(std::size_t lineCount, const std::function<void()>& first,
                 const std::function<void()>& second) {
    if (lineCount < linesForTwoThreads) {
        first();
        second();
    } else {
        files::runSideBySide(first, second);
    }
}

} // namespace

HostReader::HostReader(const StorePlaces& places)
    : places_(places) {}

std::vector<ConfigLineSource> HostReader::readConfigLines() const {
    return ConfigParser::readLines(places_.configPath, places_.homedir);
}

std::vector<ConfigLineSource> HostReader::readConfigLines(ConfigReadProblems& problems) const {
    return ConfigParser::readLines(places_.configPath, places_.homedir, problems);
}

namespace {

// The blocks that give the aliases nothing: those of another plain host
// name, as long as OpenSSH applies them to none of the names the aliases are
// evaluated for. Nothing without aliases.
config::BlockFilter blocksLeftOut(const ConfigParser::AliasFilter* onlyAliases) {
    if (!onlyAliases)
        return {};
    std::vector<std::string> names;
    for (const std::string& alias : *onlyAliases) {
        names.push_back(alias);
        names.push_back(SSHCommand::destinationPattern(alias));
    }
    return [onlyAliases, names = std::move(names)](std::span<const std::string> patterns) {
        return config::LineInterpreter::namesOtherHost(patterns, *onlyAliases) &&
               std::none_of(names.begin(), names.end(), [&](const std::string& name) {
                   return config::hostPatternsMatch(name, patterns);
               });
    };
}

} // namespace

config::OpenSSHEvaluator
HostReader::evaluatorWith(const config::TextOverrides& overrides,
                          const ConfigParser::AliasFilter* onlyAliases) const {
    return config::OpenSSHEvaluator(config::readDocument(places_.configPath, places_.homedir,
                                                         overrides, nullptr, nullptr,
                                                         blocksLeftOut(onlyAliases)));
}

HostReader::DocumentRead
HostReader::readDocument(const ConfigParser::AliasFilter* onlyAliases) const {
    DocumentRead files;
    files.document = config::readDocument(places_.configPath, places_.homedir, {}, &files.problems,
                                          &files.met, blocksLeftOut(onlyAliases));
    return files;
}

HostReader::ConfigRead HostReader::readEvaluated(const KeyPathToId& keyPathToId,
                                                 const ConfigParser::AliasFilter* onlyAliases,
                                                 const HostLineSeen& seen,
                                                 DocumentRead files) const {
    // One reading serves all: the hosts as their blocks give them, the
    // values OpenSSH uses for them, and the certificates it names.
    ConfigRead read;
    read.problems = std::move(files.problems);
    read.met = std::move(files.met);
    config::ConfigDocument& document = files.document;
    read.certificateFiles = ConfiguredCertificates::namedIn(document);
    // The evaluator indexes the blocks on another thread while this one
    // interprets the lines. Moving the document leaves its lines, file
    // names, texts and argument lists where they are, so the views taken here
    // stay valid.
    const std::span<const config::DocumentLine> lines(document.lines);
    const DocumentParts parts(document);
    std::shared_ptr<const config::OpenSSHEvaluator> evaluator;
    config::LineInterpreter interpreter(keyPathToId, places_.homedir, onlyAliases);
    const auto makeEvaluator = [&] {
        // An index of the blocks by name pays for itself after a few names;
        // a reading of a few aliases evaluates only those.
        const bool many = !onlyAliases || onlyAliases->size() > 8;
        evaluator = std::make_shared<const config::OpenSSHEvaluator>(std::move(document), many);
    };
    runForLines(lines.size(), makeEvaluator,
                [&] { interpretLines(interpreter, lines, parts, seen); });
    read.config = interpreter.finish();
    if (read.config.hosts.empty() && !onlyAliases)
        return read;
    config::applyEvaluation(read.config.hosts, *evaluator, keyPathToId, places_.homedir,
                            places_.localUser);
    if (onlyAliases)
        read.evaluator = std::move(evaluator);
    return read;
}

HostReader::ConfigRead HostReader::readHandingOver(const KeyPathToId& keyPathToId,
                                                   DocumentRead files,
                                                   const std::function<bool(const SSHHost&)>& keep,
                                                   const HostSink& sink, bool withFacts) const {
    ConfigRead read;
    read.problems = std::move(files.problems);
    read.met = std::move(files.met);
    read.certificateFiles = ConfiguredCertificates::namedIn(files.document);
    // The defaults the hosts are completed from, as read() gives them, are
    // the whole configuration's: read first, by an interpreter that skips
    // every host, while the evaluator indexes the blocks.
    const std::span<const config::DocumentLine> lines(files.document.lines);
    const DocumentParts parts(files.document);
    std::optional<const config::OpenSSHEvaluator> evaluator;
    runForLines(
        lines.size(), [&] { evaluator.emplace(std::move(files.document), true); },
        [&] {
            const ConfigParser::AliasFilter none;
            config::LineInterpreter defaults(keyPathToId, places_.homedir, &none);
            interpretLines(defaults, lines, parts, {});
            read.config.defaults = defaults.finish().defaults;
        });
    // A large configuration is read in two parts side by side, split at a
    // Host line, where an interpreter starts as it would after any line.
    std::size_t split = lines.size();
    if (lines.size() >= linesForTwoThreads) {
        split = lines.size() / 2;
        while (split < lines.size() && lines[split].kind != config::DocumentLine::Kind::host)
            ++split;
    }
    const auto readPart = [&](int part, std::span<const config::DocumentLine> partLines) {
        config::LineInterpreter interpreter(keyPathToId, places_.homedir);
        config::HostValues values(*evaluator, keyPathToId, places_.homedir, places_.localUser,
                                  withFacts);
        interpreter.handOver(
            [&](SSHHost&& host) {
                if (!keep(host))
                    return;
                values.apply(host);
                sink(part, std::move(host));
            },
            read.config.defaults);
        interpretLines(interpreter, partLines, parts, {});
        interpreter.finish();
    };
    if (split == lines.size())
        readPart(0, lines);
    else
        files::runSideBySide([&] { readPart(0, lines.first(split)); },
                             [&] { readPart(1, lines.subspan(split)); });

    return read;
}

ParsedConfig HostReader::readConfig(const KeyPathToId& keyPathToId) const {
    return ConfigParser::read(places_.configPath, keyPathToId, places_.homedir);
}

HostReader::AliasesRead HostReader::readAliases(const ConfigParser::AliasFilter& aliases,
                                                const KeyPathToId& keyPathToId,
                                                DocumentRead files) const {
    AliasesRead some;
    some.read = readEvaluated(
        keyPathToId, &aliases,
        [&](std::string_view value, const std::string& file) {
            if (aliases.contains(value))
                some.blockFiles.try_emplace(std::string(value), file);
        },
        std::move(files));
    return some;
}

void HostReader::keepHeldRead(const ConfigParser::AliasFilter& aliases,
                              const KeyPathToId& keyPathToId, const AliasesRead& read) const {
    const std::uint64_t hold = StoreLock::holdOf(places_.sshDirectory);
    if (hold == 0)
        return;
    HeldRead held{hold, aliases, keyPathToId, read, {}};
    for (const auto& path : read.read.met.files)
        held.stamps.emplace_back(path, files::stampOf(path));
    for (const auto& path : read.read.met.folders)
        held.stamps.emplace_back(path, files::stampOf(path));
    std::lock_guard lock(heldReadMutex_);
    heldRead_ = std::move(held);
}

std::optional<HostReader::AliasesRead>
HostReader::takeHeldRead(const std::string& alias, const KeyPathToId& keyPathToId) const {
    std::lock_guard lock(heldReadMutex_);
    std::optional<HeldRead> held = std::exchange(heldRead_, std::nullopt);
    if (!held || held->hold != StoreLock::holdOf(places_.sshDirectory) ||
        !held->aliases.contains(alias) || held->keyPathToId != keyPathToId)
        return std::nullopt;
    for (const auto& [path, stamp] : held->stamps)
        if (files::stampOf(path) != stamp)
            return std::nullopt;
    return std::move(held->read);
}

HostReader::ConfigBlock HostReader::readConfigBlock(const std::string& alias,
                                                    const KeyPathToId& keyPathToId) const {
    std::optional<AliasesRead> held = takeHeldRead(alias, keyPathToId);
    AliasesRead read = held ? std::move(*held) : readAliases({alias}, keyPathToId, readDocument());
    ConfigBlock block{std::move(read.read.config), std::nullopt, std::move(read.read.problems),
                      std::move(read.read.evaluator), std::move(read.read.met.files)};
    // A held read may have kept other aliases too.
    std::erase_if(block.config.hosts, [&](const SSHHost& host) { return host.alias != alias; });
    if (auto file = read.blockFiles.find(alias); file != read.blockFiles.end())
        block.file = file->second;
    return block;
}

HostReader::ConfigRead HostReader::read(const ConfigParser::AliasFilter* onlyAliases,
                                        const KeyPathToId& keyPathToId, DocumentRead files) const {
    if (!onlyAliases)
        return readEvaluated(keyPathToId, nullptr, {}, std::move(files));
    AliasesRead some = readAliases(*onlyAliases, keyPathToId, std::move(files));
    keepHeldRead(*onlyAliases, keyPathToId, some);
    return std::move(some.read);
}

} // namespace moorkeep
