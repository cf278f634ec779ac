// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/json_text.h"

#include <cstdint>
#include <cstring>

#include "text/byte_scan.h"

namespace gsmprog {

namespace {

constexpr int MaxDepth = 16;
constexpr const char* HexDigits = "0123456789abcdef";

// The length of the valid UTF-8 sequence at the start of `text`; 0 when it is none.
std::size_t Utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, code = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, code = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, code = lead & 0x07;
    else return 0;
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        code = code << 6 | (byte(i) & 0x3F);
    }
    // Overlong forms, surrogates and code points beyond Unicode are no UTF-8.
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | code >> 6);
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | code >> 12);
        out += char(0x80 | (code >> 6 & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | code >> 18);
        out += char(0x80 | (code >> 12 & 0x3F));
        out += char(0x80 | (code >> 6 & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text), stops_(text) {}

    bool Object(const JsonMember& member) {
        SkipSpace();
        if (!Take('{')) return false;
        SkipSpace();
        if (Take('}')) return AtEnd();
        std::string unescapedName;
        JsonValue value;
        for (;;) {
            SkipSpace();
            const std::size_t nameStart = pos_ + 1;
            bool escapedName = false;
            if (!String(nullptr, &escapedName)) return false;
            std::string_view name = text_.substr(nameStart, pos_ - 1 - nameStart);
            if (escapedName) {
                pos_ = nameStart - 1;
                String(&unescapedName);
                name = unescapedName;
            }
            SkipSpace();
            if (!Take(':')) return false;
            SkipSpace();
            if (!Value(value, 1)) return false;
            member(name, value);
            SkipSpace();
            if (Take('}')) return AtEnd();
            if (!Take(',')) return false;
        }
    }

    void Text(std::string& out) { String(&out); }

private:
    bool AtEnd() {
        SkipSpace();
        return pos_ == text_.size();
    }
    void SkipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\r' || text_[pos_] == '\n'))
            ++pos_;
    }
    bool Take(char c) {
        if (pos_ >= text_.size() || text_[pos_] != c) return false;
        ++pos_;
        return true;
    }

    bool Value(JsonValue& value, int depth) {
        value.kind = JsonValue::Kind::Other;
        value.raw = {};
        value.escaped = false;
        if (pos_ >= text_.size()) return false;
        const char c = text_[pos_];
        if (c == '"') {
            value.kind = JsonValue::Kind::String;
            const std::size_t start = pos_ + 1;
            if (!String(nullptr, &value.escaped)) return false;
            value.raw = text_.substr(start, pos_ - 1 - start);
            return true;
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            const std::size_t start = pos_;
            while (pos_ < text_.size() && IsJsonNumberByte(text_[pos_])) ++pos_;
            value.kind = JsonValue::Kind::Number;
            value.raw = text_.substr(start, pos_ - start);
            return true;
        }
        if (c == '{' || c == '[') return Nested(depth);
        for (const std::string_view word : {"true", "false", "null"}) {
            if (text_.substr(pos_, word.size()) == word) {
                pos_ += word.size();
                return true;
            }
        }
        return false;
    }

    // An object or array nobody asked for, stepped over.
    bool Nested(int depth) {
        if (depth >= MaxDepth) return false;
        const char close = text_[pos_] == '{' ? '}' : ']';
        const bool object = close == '}';
        ++pos_;
        SkipSpace();
        if (Take(close)) return true;
        JsonValue inner;
        for (;;) {
            SkipSpace();
            if (object) {
                if (!String(nullptr)) return false;
                SkipSpace();
                if (!Take(':')) return false;
                SkipSpace();
            }
            if (!Value(inner, depth + 1)) return false;
            SkipSpace();
            if (Take(close)) return true;
            if (!Take(',')) return false;
        }
    }

    bool Hex4(std::uint32_t& code) {
        if (pos_ + 4 > text_.size()) return false;
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[pos_++];
            const char* digit = std::strchr(HexDigits, c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
            if (c == '\0' || digit == nullptr) return false;
            code = code << 4 | std::uint32_t(digit - HexDigits);
        }
        return true;
    }

    // Steps over a string, checking its escapes; unescapes it into `out` unless that is null.
    bool String(std::string* out, bool* escapes = nullptr) {
        if (out) out->clear();
        if (escapes) *escapes = false;
        if (!Take('"')) return false;
        for (;;) {
            const char* rest = text_.data() + pos_;
            // Runs of plain characters (all of an image's hex) are passed over at once.
            const std::size_t end = stops_.Next(pos_);
            if (out) out->append(rest, end - pos_);
            pos_ = end;
            if (pos_ >= text_.size()) return false;
            if (text_[pos_++] == '"') return true;
            if (escapes) *escapes = true;
            if (pos_ >= text_.size()) return false;
            const char escaped = text_[pos_++];
            std::string ignored;
            std::string& into = out ? *out : ignored;
            switch (escaped) {
            case '"': into += '"'; break;
            case '\\': into += '\\'; break;
            case '/': into += '/'; break;
            case 'b': into += '\b'; break;
            case 'f': into += '\f'; break;
            case 'n': into += '\n'; break;
            case 'r': into += '\r'; break;
            case 't': into += '\t'; break;
            case 'u': {
                std::uint32_t code = 0;
                if (!Hex4(code)) return false;
                if (code >= 0xD800 && code <= 0xDBFF) {
                    std::uint32_t low = 0;
                    if (!Take('\\') || !Take('u') || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
                        return false;
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                } else if (code >= 0xDC00 && code <= 0xDFFF) {
                    return false;
                }
                AppendUtf8(into, code);
                break;
            }
            default: return false;
            }
        }
    }

    std::string_view text_;
    QuoteFinder stops_;
    std::size_t pos_ = 0;
};

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += HexDigits[c >> 4];
            out += HexDigits[c & 0xF];
        } else if (c >= 0x80) {
            const std::size_t length = Utf8Length(text.substr(i));
            if (length == 0) {
                out += "\xEF\xBF\xBD";
                ++i;
                continue;
            }
            out.append(text.data() + i, length);
            i += length;
            continue;
        } else {
            out += char(c);
        }
        ++i;
    }
    out += '"';
}

bool ScanJsonObject(std::string_view line, JsonMember member) {
    return Scanner(line).Object(member);
}

std::string JsonText(const JsonValue& value) {
    if (value.kind != JsonValue::Kind::String) return {};
    if (!value.escaped) return std::string(value.raw);
    // Checked when scanned: unescaping the same characters in their quotes cannot fail.
    const std::string quoted = '"' + std::string(value.raw) + '"';
    std::string text;
    Scanner(quoted).Text(text);
    return text;
}

}  // namespace gsmprog
