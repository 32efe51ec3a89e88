#include "stores/demo_sample_data.h"

#include "files/paths.h"

#include <pwd.h>
#include <unistd.h>

namespace moorkeep {
namespace {

std::string demoUserName() {
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_name && *entry->pw_name)
        return entry->pw_name;
    return "me";
}

VaultData buildSampleData() {
    const std::string me = demoUserName();
    VaultData data;
    data.hosts = {
        {"1",
         "prod-web-1",
         "10.0.1.11",
         "deploy",
         22,
         "1",
         "bastion",
         {{"ServerAliveInterval", "60"}, {"ServerAliveCountMax", "3"}},
         HostSource::config},
        {"2", "prod-web-2", "10.0.1.12", "deploy", 22, "1", "bastion", {}, HostSource::config},
        {"3",
         "bastion",
         "bastion.example.com",
         "admin",
         2222,
         "2",
         std::nullopt,
         {{"ForwardAgent", "yes"}},
         HostSource::config},
        {"4",
         "staging-db",
         "db.staging.internal.example.com",
         "postgres",
         5432,
         "3",
         "bastion",
         {{"LocalForward", "5433 localhost:5432"}},
         HostSource::config},
        {"5", "dev-box", "192.168.1.50", me, 22, "2", std::nullopt, {}, HostSource::user},
        {"6", "github.com", "github.com", "git", 22, "4", std::nullopt, {}, HostSource::config},
    };
    data.keys = {
        {"1", "prod-deploy", "~/.ssh/prod_ed25519", "ed25519", "SHA256:xK9m3...j4Qw",
         "ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIHx9demoProdDeployKeyBodyQw deploy@prod-web-1", true,
         "2025-08-12"},
        {"2", "personal", "~/.ssh/id_ed25519", "ed25519", "SHA256:pL2n8...rT5x",
         "ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIPl2demoPersonalKeyBodyT5x " + me + "@laptop", true,
         "2024-03-01"},
        {"3", "staging-access", "~/.ssh/staging_rsa", "rsa-4096", "SHA256:aB3c4...dE6f",
         "ssh-rsa AAAAB3NzaC1yc2EAAAADAQABAAACAQDdemoStagingAccessKeyBody6f svc-staging@ci", false,
         "2025-01-20"},
        {"4", "github", "~/.ssh/github_ed25519", "ed25519", "SHA256:gH7i8...jK0l",
         "ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIGh7demoGithubKeyBodyK0l " + me + "@desktop", false,
         "2024-11-15"},
    };
    data.defaults.keyId = "2";
    data.defaults.extraOptions = {
        {"AddKeysToAgent", "yes"}, {"UseKeychain", "yes"}, {"SetEnv", "TERM=xterm-256color"}};
    return data;
}

} // namespace

const VaultData& demoSampleData() {
    static const VaultData data = buildSampleData();
    return data;
}

std::map<std::string, std::vector<KnownHostKey>> demoKnownHostKeys() {
    const std::string file = "~/.ssh/known_hosts";
    using Marker = KnownHostKey::Marker;
    return {
        {"bastion",
         {{file, 3, "ssh-ed25519", "SHA256:3vdemoBastionEd25519HostKeyQ8", true, Marker::none,
           false},
          {file, 4, "ecdsa-sha2-nistp256", "SHA256:Wb2demoBastionEcdsaHostKeyZk", true,
           Marker::none, false}}},
        {"github.com",
         {{file, 1, "ssh-ed25519", "SHA256:+DiY3wvvV6TuJJhbpZisF/zLDA0zPMSvHdkr4UvCOqU", false,
           Marker::none, false}}},
        {"prod-web-1",
         {{file, 7, "ssh-ed25519", "SHA256:n4TdemoProdWebOneHostKeyBodyP1", true, Marker::none,
           false}}},
    };
}

} // namespace moorkeep
