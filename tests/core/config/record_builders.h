#pragma once

#include "model/defaults.h"
#include "model/ssh_host.h"

#include <string>

// Chained setters for the records the writer tests build, so a table row
// names only the fields that matter to it.
namespace moorkeep::test {

class HostBuilder {
public:
    explicit HostBuilder(std::string alias) { host_.alias = std::move(alias); }

    HostBuilder hostname(std::string value) const { return with(&SSHHost::hostname, value); }
    HostBuilder user(std::string value) const { return with(&SSHHost::user, value); }
    HostBuilder port(std::int64_t value) const { return with(&SSHHost::port, value); }
    HostBuilder keyId(std::string value) const { return with(&SSHHost::keyId, value); }
    HostBuilder proxyJump(std::string value) const { return with(&SSHHost::proxyJump, value); }
    HostBuilder extraOptions(OptionMap value) const { return with(&SSHHost::extraOptions, value); }
    HostBuilder source(HostSource value) const { return with(&SSHHost::source, value); }

    operator SSHHost() const { return host_; }

private:
    template <typename Field, typename Value>
    HostBuilder with(Field SSHHost::*field, Value value) const {
        HostBuilder copy = *this;
        copy.host_.*field = std::move(value);
        return copy;
    }

    SSHHost host_;
};

inline HostBuilder host(std::string alias) {
    return HostBuilder(std::move(alias));
}

class DefaultsBuilder {
public:
    DefaultsBuilder user(std::string value) const { return with(&Defaults::user, value); }
    DefaultsBuilder port(std::int64_t value) const { return with(&Defaults::port, value); }
    DefaultsBuilder keyId(std::string value) const { return with(&Defaults::keyId, value); }
    DefaultsBuilder proxyJump(std::string value) const { return with(&Defaults::proxyJump, value); }
    DefaultsBuilder extraOptions(OptionMap value) const {
        return with(&Defaults::extraOptions, value);
    }

    operator Defaults() const { return defaults_; }

private:
    template <typename Field, typename Value>
    DefaultsBuilder with(Field Defaults::*field, Value value) const {
        DefaultsBuilder copy = *this;
        copy.defaults_.*field = std::move(value);
        return copy;
    }

    Defaults defaults_;
};

inline DefaultsBuilder defaults() {
    return {};
}

} // namespace moorkeep::test
