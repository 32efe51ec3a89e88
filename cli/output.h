#pragma once

#include <cstddef>
#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace moorkeep::cli {

using Row = std::vector<std::string>;
// A label and its value; a value of several lines continues under the first.
using Field = std::pair<std::string, std::string>;

// Whether output to this file descriptor may use colour: a terminal, and
// neither NO_COLOR set nor TERM=dumb.
bool colourWanted(int fd);

// A JSON array written as its elements come, the same text as
// Output::json() of the whole array: a list of thousands never stands as
// JSON at once.
class JsonArrayOutput {
public:
    explicit JsonArrayOutput(std::ostream& stream)
        : stream_(stream) {}

    // Adds an element to text that write() takes: a separator, then what
    // append adds (JSON one level deep, see JsonObjectText).
    static void appendElement(std::string& elements,
                              const std::function<void(std::string&)>& append);
    // Writes elements appendElement made, in order.
    void write(std::string_view elements);
    void close();

private:
    std::ostream& stream_;
    bool open_ = false;
};

// Writes what a command prints: JSON for programs, aligned columns for
// people. Colour (bold headings only) when asked for. Text for people shows
// control characters escaped (see visible); JSON escapes them itself.
class Output {
public:
    Output(std::ostream& stream, bool colour, std::ostream& warnings);

    std::ostream& stream() { return stream_; }

    // Pretty-printed with sorted member names, one trailing line break.
    void json(const nlohmann::json& value);
    // Columns two spaces apart, widths counted in characters; the last
    // column is not padded.
    void table(const Row& header, const std::vector<Row>& rows);
    void fields(const std::vector<Field>& fields);
    // Line feeds in the text are kept.
    void line(const std::string& text);
    // A warning for the user, on the warning stream, whatever the format.
    void warning(const std::string& text);

private:
    std::string heading(const std::string& text) const;

    std::ostream& stream_;
    bool colour_;
    std::ostream& warnings_;
    std::set<std::string> said_; // each warning is given once
};

} // namespace moorkeep::cli
