#include "store_error.h"

namespace moorkeep {

StoreError::StoreError(QString message, std::optional<IgnoredChange::Winner> ignored)
    : message_(std::move(message))
    , utf8_(message_.toUtf8())
    , ignored_(std::move(ignored)) {}

const char* StoreError::what() const noexcept {
    return utf8_.constData();
}

void StoreError::raise() const {
    throw *this;
}

StoreError* StoreError::clone() const {
    return new StoreError(*this);
}

} // namespace moorkeep
