#include "cli_home.h"
#include "stores/user_meta_store.h"
#include "support/records.h"

namespace moorkeep::test {
namespace {

// A configuration that includes a folder of files, and a host kept in the
// metadata file.
TEST(HostListFilesTest, JsonNamesTheFileAndLineOfEachHostAndByFileHasASectionForEach) {
    CliHome home;
    home.writeConfig("Include config.d/*\n"
                     "Host web\n"
                     "  HostName web.example.org\n"
                     "\n"
                     "Host db\n");
    writeFile(home.sshPath("config.d/work"), "Host build\n  User ci\nHost ci\n");
    writeFile(home.sshPath("config.d/lab"), "# lab\nHost pi\n");
    UserMeta meta;
    meta.hosts = {
        test::host("kept", "kept.example.org", "", 22, {}, {}, {}, HostSource::user, "KEPT")};
    UserMetaStore(home.metaPath()).save(meta);

    std::vector<std::string> places;
    for (const auto& host : decoded<nlohmann::json>(home.run({"host", "list", "--json"})))
        places.push_back(host.at("alias").get<std::string>() + " " + host.at("file").dump() + " " +
                         host.at("line").dump());
    EXPECT_EQ(places, (std::vector<std::string>{
                          "pi \"~/.ssh/config.d/lab\" 2", "build \"~/.ssh/config.d/work\" 1",
                          "ci \"~/.ssh/config.d/work\" 3", "web \"~/.ssh/config\" 2",
                          "db \"~/.ssh/config\" 5", "kept null null"}));

    // One section per file, in reading order.
    const auto result = home.run({"host", "list", "--by-file"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "~/.ssh/config (2 hosts)\n"
                          "ALIAS  HOSTNAME         USER  PORT  KEY  SOURCE\n"
                          "web    web.example.org  -     22    -    config\n"
                          "db     db               -     22    -    config\n"
                          "\n"
                          "~/.ssh/config.d/lab (1 host)\n"
                          "ALIAS  HOSTNAME  USER  PORT  KEY  SOURCE\n"
                          "pi     pi        -     22    -    config\n"
                          "\n"
                          "~/.ssh/config.d/work (2 hosts)\n"
                          "ALIAS  HOSTNAME  USER  PORT  KEY  SOURCE\n"
                          "build  build     ci    22    -    config\n"
                          "ci     ci        -     22    -    config\n"
                          "\n"
                          "Stored in Moorkeep (1 host)\n"
                          "ALIAS  HOSTNAME          USER  PORT  KEY  SOURCE\n"
                          "kept   kept.example.org  -     22    -    user\n");
}

} // namespace
} // namespace moorkeep::test
