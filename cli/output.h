#pragma once

#include <cstddef>
#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace moorkeep::cli {

using Row = std::vector<std::string>;
// A label and its value; a value of several lines continues under the first.
using Field = std::pair<std::string, std::string>;

// Whether output to this file descriptor may use colour: a terminal, and
// neither NO_COLOR set nor TERM=dumb.
bool colourWanted(int fd);

// Writes what a command prints: JSON for programs, aligned columns for
// people. Colour (bold headings only) when asked for. Text for people shows
// control characters escaped (see visible); JSON escapes them itself.
class Output {
public:
    Output(std::ostream& stream, bool colour, std::ostream& warnings);

    std::ostream& stream() { return stream_; }

    // Pretty-printed with sorted member names, one trailing line break.
    void json(const nlohmann::json& value);
    // The same text as json() of the array of these elements, each appended
    // as JSON text one level deep (see JsonObjectText). A long list's second
    // half is made on another thread, so appendElement must be safe to call
    // from two threads at once; only that half stands as text at once.
    void jsonArray(std::size_t count,
                   const std::function<void(std::size_t, std::string&)>& appendElement);
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
