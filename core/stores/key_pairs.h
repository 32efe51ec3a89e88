#pragma once

#include "model/key_requests.h"
#include "stores/store_places.h"

#include <string>

namespace moorkeep {

// The key pairs' files in ~/.ssh: made by ssh-keygen, their passphrase
// changed, removed. Throws VaultError for the key cases.
class KeyPairs {
public:
    explicit KeyPairs(const StorePlaces& places);

    // A key's private file in ~/.ssh and how messages spell it
    // ("~/.ssh/NAME").
    struct KeyFile {
        std::string path;
        std::string shown;
    };
    // Throws keyNotFound for an id no key file has.
    KeyFile keyFile(const std::string& keyId) const;
    // keyFile, and throws keyFileNotFound when the private file is gone.
    KeyFile existingPrivateKey(const std::string& keyId) const;

    // A new pair, made in a private folder and moved into ~/.ssh whole.
    void generate(const GenerateKeyOptions& options) const;
    // On a copy of the private file, which replaces it once ssh-keygen
    // succeeded; one change of a key at a time.
    void changePassphrase(const ChangePassphraseOptions& options) const;
    // Writes NAME.pub, whole, from what ssh-keygen -y rebuilds of the
    // private key NAME; refused while NAME.pub exists.
    void recreatePublicKey(const RecreatePublicKeyOptions& options) const;
    // Every file of the key (see filesOfKey), the private one first; nothing
    // for an id no file has.
    void remove(const std::string& keyId) const;

private:
    const StorePlaces& places_;
};

} // namespace moorkeep
