#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace moorkeep::cli {

// The command line itself is wrong; the message is followed by a hint to the
// help of the command (helpTopic, such as "host add"), exit status 2.
class UsageError : public std::runtime_error {
public:
    UsageError(const std::string& message, std::string helpTopic)
        : std::runtime_error(message)
        , helpTopic_(std::move(helpTopic)) {}

    const std::string& helpTopic() const { return helpTopic_; }

private:
    std::string helpTopic_;
};

// Well-formed, but refused before any store operation: an unknown host or
// key, or input the dialogs would not accept. Exit status 2.
class RefusedInput : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace moorkeep::cli
