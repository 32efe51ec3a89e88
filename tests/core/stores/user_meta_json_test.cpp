#include "stores/user_meta_json.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>

namespace moorkeep {
namespace {

KeyCacheEntry cacheEntry(double pubMtime) {
    return KeyCacheEntry{"/home/u/.ssh/id_ed25519.pub",
                         pubMtime,
                         81,
                         std::nullopt,
                         std::nullopt,
                         "SHA256:abc",
                         std::nullopt,
                         "ed25519",
                         "ssh-ed25519 AAAA u@h",
                         "2024-12-05"};
}

UserMeta sampleMeta() {
    UserMeta meta;
    meta.keyMeta = {{"a1b2c3d4e5f60718", "Work laptop"}};
    meta.hosts = {SSHHost{"3F2504E0-4F89-11D3-9A0C-0305E82C3301",
                          "db",
                          "db.example.com",
                          "ops",
                          2222,
                          std::nullopt,
                          "bastion",
                          {{"ServerAliveInterval", "30"}, {"Compression", "yes"}},
                          HostSource::user}};
    meta.keyCache = std::vector{cacheEntry(1733412345.5)};
    return meta;
}

TEST(UserMetaJsonTest, WritesSortedKeysAtEveryLevelAndLeavesOutAbsentOptionals) {
    EXPECT_EQ(UserMetaJson::encode(sampleMeta()), R"({
  "hosts": [
    {
      "alias": "db",
      "extraOptions": {
        "Compression": "yes",
        "ServerAliveInterval": "30"
      },
      "hostname": "db.example.com",
      "id": "3F2504E0-4F89-11D3-9A0C-0305E82C3301",
      "port": 2222,
      "proxyJump": "bastion",
      "source": "user",
      "user": "ops"
    }
  ],
  "keyCache": [
    {
      "createdAt": "2024-12-05",
      "fingerprint": "SHA256:abc",
      "pubMtime": 1733412345.5,
      "pubPath": "/home/u/.ssh/id_ed25519.pub",
      "pubSize": 81,
      "publicKey": "ssh-ed25519 AAAA u@h",
      "type": "ed25519"
    }
  ],
  "keyMeta": [
    {
      "id": "a1b2c3d4e5f60718",
      "name": "Work laptop"
    }
  ],
  "version": 1
}
)");
}

TEST(UserMetaJsonTest, ReadsBackWhatItWrites) {
    UserMeta meta = sampleMeta();
    meta.preferredTerminal = "iTerm";
    meta.keyCache->push_back(KeyCacheEntry{"/home/u/.ssh/work.pub", 1.25, 100, 2.5, 411, "unknown",
                                           true, "rsa", "ssh-rsa BBBB", "2023-01-31"});
    EXPECT_EQ(UserMetaJson::decode(UserMetaJson::encode(meta)), meta);
}

class UserMetaJsonFloatTest : public testing::TestWithParam<double> {};

// The scan compares cached times exactly, so a time must read back as the very
// same double, not merely a close one.
TEST_P(UserMetaJsonFloatTest, TimesReadBackBitForBit) {
    UserMeta meta;
    KeyCacheEntry entry = cacheEntry(GetParam());
    entry.privMtime = GetParam();
    meta.keyCache = std::vector{entry};

    auto decoded = UserMetaJson::decode(UserMetaJson::encode(meta));

    ASSERT_TRUE(decoded && decoded->keyCache);
    const KeyCacheEntry& back = decoded->keyCache->front();
    EXPECT_EQ(std::signbit(back.pubMtime), std::signbit(GetParam()));
    EXPECT_EQ(back.pubMtime, GetParam());
    EXPECT_EQ(back.privMtime, GetParam());
}

INSTANTIATE_TEST_SUITE_P(AwkwardValues, UserMetaJsonFloatTest,
                         testing::Values(1733412345.123456789, 0.1 + 0.2,
                                         std::nextafter(1733412345.0, 2e9), 1733412345.0, -0.0,
                                         -1.5e-7, std::numeric_limits<double>::denorm_min(),
                                         std::numeric_limits<double>::max(), 1e21, 123456789012.0));

TEST(UserMetaJsonTest, RefusesTimesThatJsonCannotHold) {
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity()}) {
        UserMeta meta;
        meta.keyCache = std::vector{cacheEntry(1.0)};
        meta.keyCache->front().privMtime = bad;
        EXPECT_THROW(UserMetaJson::encode(meta), std::invalid_argument);
        meta.keyCache->front().privMtime.reset();
        meta.keyCache->front().pubMtime = bad;
        EXPECT_THROW(UserMetaJson::encode(meta), std::invalid_argument);
    }
}

TEST(UserMetaJsonTest, RefusesTextThatIsNotUtf8) {
    UserMeta meta;
    meta.keyMeta = {{"a1b2c3d4e5f60718", "bad \xff name"}};
    EXPECT_THROW(UserMetaJson::encode(meta), std::invalid_argument);
}

} // namespace
} // namespace moorkeep
