#include "platform/config_line.h"

namespace sorvella {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void appendEscaped(std::string& out, std::string_view text, bool escapeEquals) {
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '\\':
                out += "\\\\";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case '\r':
                out += "\\r";
                continue;
            case '\t':
                out += "\\t";
                continue;
            default:
                break;
        }
        if (c == '=' && escapeEquals) {
            out += "\\=";
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += kHexDigits[byte >> 4];
            out += kHexDigits[byte & 0x0F];
        } else {
            out += c;
        }
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Decodes from pos up to the first raw '=' (when stopAtEquals) or the end. False on a malformed
// escape or a raw control byte other than a tab, which a hand edit may leave behind.
bool decode(std::string_view line, std::size_t& pos, bool stopAtEquals, std::string& out) {
    while (pos < line.size()) {
        char c = line[pos];
        if (c == '=' && stopAtEquals) return true;
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\t') return false;
        ++pos;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= line.size()) return false;
        char e = line[pos++];
        switch (e) {
            case '\\':
                out += '\\';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case '=':
                out += '=';
                break;
            case 'x': {
                if (line.size() - pos < 2) return false;
                int high = hexValue(line[pos]);
                int low = hexValue(line[pos + 1]);
                if (high < 0 || low < 0) return false;
                out += static_cast<char>(high * 16 + low);
                pos += 2;
                break;
            }
            default:
                return false;
        }
    }
    return !stopAtEquals;
}

}  // namespace

std::string escapeConfigName(std::string_view name) {
    std::string out;
    appendEscaped(out, name, true);
    return out;
}

std::string escapeConfigValue(std::string_view value) {
    std::string out;
    appendEscaped(out, value, false);
    return out;
}

std::string formatConfigLine(std::string_view name, std::string_view value) {
    std::string line;
    appendEscaped(line, name, true);
    line += '=';
    appendEscaped(line, value, false);
    return line;
}

std::optional<ConfigEntry> parseConfigLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ConfigEntry entry;
    std::size_t pos = 0;
    if (!decode(line, pos, true, entry.name) || entry.name.empty()) return std::nullopt;
    ++pos;  // the '='
    if (!decode(line, pos, false, entry.value)) return std::nullopt;
    return entry;
}

}  // namespace sorvella
