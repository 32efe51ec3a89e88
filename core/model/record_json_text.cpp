#include "model/record_json_text.h"

#include "files/paths.h"
#include "files/text_file.h"
#include "model/host_source.h"

#include <algorithm>
#include <charconv>
#include <nlohmann/json.hpp>
#include <string>

namespace moorkeep::RecordJsonText {
namespace {

void appendIndent(std::string& out, int depth) {
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
}

// The escapes nlohmann writes without ensure_ascii: the short forms, other
// control characters as \u00xx, everything else as it is.
void appendString(std::string& out, std::string_view text) {
    // Most texts are plain ASCII with nothing to escape.
    if (std::all_of(text.begin(), text.end(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return byte >= 0x20 && byte < 0x80 && c != '"' && c != '\\';
        })) {
        out += '"';
        out += text;
        out += '"';
        return;
    }
    if (!files::isValidUtf8(text)) {
        out += nlohmann::json(std::string(text))
                   .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        return;
    }
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    for (char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out += "\\u00";
                out += hex[static_cast<unsigned char>(c) >> 4];
                out += hex[static_cast<unsigned char>(c) & 0x0f];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

// Writes the members of one object, in the order given (which must be the
// sorted order), each on a line of its own.
class ObjectWriter {
public:
    ObjectWriter(std::string& out, int depth)
        : out_(out)
        , depth_(depth) {}

    void key(std::string_view name) {
        out_ += first_ ? "{\n" : ",\n";
        first_ = false;
        appendIndent(out_, depth_ + 1);
        appendString(out_, name);
        out_ += ": ";
    }
    void string(std::string_view name, std::string_view value) {
        key(name);
        appendString(out_, value);
    }
    void null(std::string_view name) {
        key(name);
        out_ += "null";
    }
    void integer(std::string_view name, std::int64_t value) {
        key(name);
        char digits[24];
        auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        out_.append(digits, end);
    }
    void end() {
        if (first_) {
            out_ += "{}";
            return;
        }
        out_ += '\n';
        appendIndent(out_, depth_);
        out_ += '}';
    }

private:
    std::string& out_;
    int depth_;
    bool first_ = true;
};

// With placesHome, also the place of the host's Host line.
void appendHost(std::string& out, const SSHHost& host, int depth, const std::string* placesHome) {
    const ConfigPlace& place = host.facts.block;
    const bool placed = placesHome && !place.file.empty();
    ObjectWriter object(out, depth);
    object.string("alias", host.alias);
    object.key("extraOptions");
    ObjectWriter options(out, depth + 1);
    for (const auto& [name, value] : host.extraOptions)
        options.string(name, value);
    options.end();
    if (placed)
        object.string("file", paths::tilded(place.file, *placesHome));
    else if (placesHome)
        object.null("file");
    object.string("hostname", host.hostname);
    object.string("id", host.id);
    if (host.keyId)
        object.string("keyId", *host.keyId);
    if (placed)
        object.integer("line", static_cast<std::int64_t>(place.line));
    else if (placesHome)
        object.null("line");
    object.integer("port", host.port);
    if (host.proxyJump)
        object.string("proxyJump", *host.proxyJump);
    object.string("source", toText(host.source));
    object.string("user", host.user);
    object.end();
}

void write(std::ostream& out, const std::vector<SSHHost>& hosts, const std::string* placesHome) {
    if (hosts.empty()) {
        out << "[]";
        return;
    }
    constexpr std::size_t pieceSize = 64 * 1024;
    std::string piece;
    piece.reserve(pieceSize + 4096);
    piece += "[\n";
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        if (i > 0)
            piece += ",\n";
        appendIndent(piece, 1);
        appendHost(piece, hosts[i], 1, placesHome);
        if (piece.size() >= pieceSize) {
            out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
            piece.clear();
        }
    }
    piece += "\n]";
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
}

} // namespace

void writeHosts(std::ostream& out, const std::vector<SSHHost>& hosts) {
    write(out, hosts, nullptr);
}

void writeHostsWithPlaces(std::ostream& out, const std::vector<SSHHost>& hosts,
                          const std::string& homedir) {
    write(out, hosts, &homedir);
}

} // namespace moorkeep::RecordJsonText
