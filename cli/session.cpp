#include "session.h"

#include "heap_room.h"
#include "reading/config_parser.h"
#include "stores/store_factory.h"

#include <cstdlib>
#include <set>
#include <string>
#include <sys/stat.h>
#include <utility>

namespace moorkeep::cli {

namespace {

std::size_t fileBytes(const std::string& path) {
    struct stat file {};
    return ::stat(path.c_str(), &file) == 0 && S_ISREG(file.st_mode)
               ? static_cast<std::size_t>(file.st_size)
               : 0;
}

// What the reading of the configuration takes in: the main file, and when
// that is small, the files its Include lines name, where most of a
// configuration may stand. Reading those once more to find them costs less
// than the faults the room then spares.
std::size_t configBytes(const StoreFiles& files) {
    const std::size_t main = fileBytes(files.configPath);
    if (main >= heap::largeConfigBytes)
        return main;
    std::set<std::string> visited;
    ConfigFiles met;
    ConfigParser::readLines(files.configPath, visited, files.home, {}, nullptr, &met);
    std::size_t total = 0;
    for (const std::string& file : met.files)
        total += fileBytes(file);
    return total;
}

} // namespace

Session::Session(GlobalOptions options, Output& output)
    : options_(std::move(options))
    , output_(output) {}

Session::~Session() {
    if (store_)
        for (const auto& notice : store_->takeNotices())
            output_.warning(notice);
    // The process ends with the session: the hosts of a large configuration
    // are left to it instead of being freed one by one, which takes longer
    // than printing them. They stay reachable, so no leak is reported.
    static std::optional<VaultData>* const leftToExit = new std::optional<VaultData>();
    *leftToExit = std::move(data_);
}

VaultStore& Session::store() {
    if (!store_) {
        store_ = makeVaultStore({options_.demo, options_.home, options_.meta},
                                std::getenv("MOORKEEP_DEMO"));
        if (const auto files = store_->storeFiles())
            heap::makeRoomForConfig(configBytes(*files));
    }
    return *store_;
}

void Session::beginChange(const std::optional<std::string>& checkedFor) {
    // ssh starts up while the change is read and made. It starts after the
    // heap's room is made, as faults taken side by side slow each other.
    if (checkedFor)
        store().expectChange(*checkedFor);
    // The demo keeps no files, so it has nothing to lock.
    if (locks_ || !store().storeFiles())
        return;
    // A scan may run the key tool for a while; run it before the locks, so
    // that the scan under them finds a fresh cache and runs nothing.
    store_->refreshKeyCache();
    locks_ = store_->holdChanges();
    data_.reset();
    aliasData_.reset();
}

const VaultData& Session::data() {
    if (!data_) {
        data_ = store().loadData();
        warn(*data_);
    }
    return *data_;
}

VaultData Session::dataHandingOverHosts(const VaultStore::HostSink& sink, bool withFacts) {
    VaultData data = store().loadDataHandingOverHosts(sink, withFacts);
    warn(data);
    return data;
}

void Session::warn(const VaultData& data) {
    // Reading goes on without what it could not use; the user hears of it,
    // apart from the output.
    for (const auto& warning : data.warnings)
        output_.warning(warning);
}

const VaultData& Session::dataForAliases(const AliasSet& aliases) {
    if (data_)
        return *data_;
    if (!aliasData_ || aliasData_->first != aliases)
        aliasData_.emplace(aliases, store().loadDataForAliases(aliases));
    return aliasData_->second;
}

} // namespace moorkeep::cli
