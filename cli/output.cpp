#include "output.h"

#include "visible_text.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

namespace moorkeep::cli {

namespace {

// Characters, not bytes: continuation bytes of UTF-8 take no column.
std::size_t displayWidth(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string padded(const std::string& text, std::size_t width) {
    std::size_t used = displayWidth(text);
    return used >= width ? text : text + std::string(width - used, ' ');
}

} // namespace

bool colourWanted(int fd) {
    if (!isatty(fd))
        return false;
    if (const char* noColour = std::getenv("NO_COLOR"); noColour && *noColour)
        return false;
    const char* term = std::getenv("TERM");
    return !(term && std::string_view(term) == "dumb");
}

Output::Output(std::ostream& stream, bool colour, std::ostream& warnings)
    : stream_(stream)
    , colour_(colour)
    , warnings_(warnings) {}

void Output::json(const nlohmann::json& value) {
    // Text that is not valid UTF-8 (a file name, say) is shown with
    // replacement characters rather than failing the whole command.
    stream_ << value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

void JsonArrayOutput::appendElement(std::string& elements,
                                    const std::function<void(std::string&)>& append) {
    elements += ",\n  ";
    append(elements);
}

void JsonArrayOutput::write(std::string_view elements) {
    if (elements.empty())
        return;
    if (!open_) {
        stream_ << '[';
        elements.remove_prefix(1); // the comma
        open_ = true;
    }
    stream_ << elements;
}

void JsonArrayOutput::close() {
    stream_ << (open_ ? "\n]\n" : "[]\n");
}

void Output::table(const Row& shownHeader, const std::vector<Row>& shownRows) {
    auto escaped = [](Row row) {
        for (auto& cell : row)
            cell = visible(cell);
        return row;
    };
    const Row header = escaped(shownHeader);
    std::vector<Row> rows;
    for (const auto& row : shownRows)
        rows.push_back(escaped(row));
    std::vector<std::size_t> widths(header.size());
    for (std::size_t c = 0; c < header.size(); ++c) {
        widths[c] = displayWidth(header[c]);
        for (const auto& row : rows)
            widths[c] = std::max(widths[c], displayWidth(row[c]));
    }
    auto write = [&](const Row& row, bool isHeader) {
        std::string text;
        for (std::size_t c = 0; c < row.size(); ++c) {
            bool last = c + 1 == row.size();
            std::string cell = last ? row[c] : padded(row[c], widths[c]) + "  ";
            text += cell;
        }
        stream_ << (isHeader ? heading(text) : text) << '\n';
    };
    write(header, true);
    for (const auto& row : rows)
        write(row, false);
}

void Output::fields(const std::vector<Field>& fields) {
    std::size_t width = 0;
    for (const auto& field : fields)
        width = std::max(width, displayWidth(field.first) + 1);
    for (const auto& [label, value] : fields) {
        std::string_view rest = value;
        bool first = true;
        do {
            auto newline = rest.find('\n');
            std::string_view part = rest.substr(0, newline);
            if (first)
                stream_ << heading(padded(label + ":", width)) << "  ";
            else
                stream_ << std::string(width + 2, ' ');
            stream_ << visible(part) << '\n';
            first = false;
            rest =
                newline == std::string_view::npos ? std::string_view{} : rest.substr(newline + 1);
        } while (!rest.empty());
    }
}

void Output::line(const std::string& text) {
    stream_ << visible(text, true) << '\n';
}

void Output::warning(const std::string& text) {
    if (!said_.insert(text).second)
        return;
    warnings_ << "moorkeepctl: warning: " << visible(text, true) << '\n';
}

std::string Output::heading(const std::string& text) const {
    return colour_ ? "\x1b[1m" + text + "\x1b[0m" : text;
}

} // namespace moorkeep::cli
