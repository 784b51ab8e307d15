// A small writer of JSON documents: numbers print so that they read back to the same double.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace vestrel_cli {

class JsonWriter {
public:
    std::string& out() { return out_; }

    JsonWriter& Raw(const char* text) {
        out_ += text;
        return *this;
    }
    JsonWriter& Number(double v) {
        if (!std::isfinite(v)) {
            // JSON has no infinities or NaN; a damaged file may still carry them.
            out_ += "null";
            return *this;
        }
        char buffer[32];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
        out_.append(buffer, result.ptr);
        return *this;
    }
    JsonWriter& Integer(long long v) {
        out_ += std::to_string(v);
        return *this;
    }
    JsonWriter& String(const std::string& text) {
        out_ += '"';
        for (unsigned char c : text) {
            switch (c) {
            case '"':
                out_ += "\\\"";
                break;
            case '\\':
                out_ += "\\\\";
                break;
            case '\n':
                out_ += "\\n";
                break;
            default:
                if (c < 0x20 || c >= 0x7F) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", c);
                    out_ += escape;
                } else {
                    out_ += static_cast<char>(c);
                }
            }
        }
        out_ += '"';
        return *this;
    }
    JsonWriter& Key(const char* key) {
        String(key);
        out_ += ": ";
        return *this;
    }

private:
    std::string out_;
};

} // namespace vestrel_cli
