#pragma once
// A strict JSON reader for the report tests: it rejects anything RFC 8259
// does not allow (raw control characters in strings, bad escapes, lone
// surrogates, ill-formed UTF-8, trailing text, duplicate keys), so a report
// that parses here is valid JSON, and its values can be compared.
#include "analysis/pagetext.h"
#include "analysis/utf8.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavlori::test {

struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    std::string text; // a string's value, or a number as written
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    const Json *find(std::string_view key) const
    {
        for (const auto &[name, value] : members) {
            if (name == key)
                return &value;
        }
        return nullptr;
    }
    // The array of strings this value holds; throws when it is anything else.
    std::vector<std::string> strings() const
    {
        if (kind != Kind::Array)
            throw std::runtime_error("not an array");
        std::vector<std::string> out;
        for (const Json &item : items) {
            if (item.kind != Kind::String)
                throw std::runtime_error("array holds a non-string");
            out.push_back(item.text);
        }
        return out;
    }
};

class JsonReader {
public:
    // The value, or nullopt with `error` set.
    static std::optional<Json> parse(std::string_view text, std::string &error)
    {
        if (!isWellFormedUtf8(text)) {
            error = "not UTF-8";
            return std::nullopt;
        }
        JsonReader reader(text);
        try {
            Json value = reader.value(0);
            reader.space();
            if (reader.pos_ != text.size())
                reader.fail("text after the value");
            return value;
        } catch (const std::runtime_error &e) {
            error = e.what();
            return std::nullopt;
        }
    }

private:
    explicit JsonReader(std::string_view text)
        : s_(text)
    {
    }

    [[noreturn]] void fail(const std::string &what) const
    {
        throw std::runtime_error(what + " at byte " + std::to_string(pos_));
    }
    bool atEnd() const { return pos_ >= s_.size(); }
    char peek() const { return atEnd() ? '\0' : s_[pos_]; }
    void expect(char c)
    {
        if (peek() != c)
            fail(std::string("expected '") + c + "'");
        ++pos_;
    }
    void space()
    {
        while (!atEnd() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r'))
            ++pos_;
    }
    void literal(std::string_view word)
    {
        if (s_.substr(pos_, word.size()) != word)
            fail("bad literal");
        pos_ += word.size();
    }

    Json value(int depth)
    {
        if (depth > 64)
            fail("nested too deep");
        space();
        Json v;
        switch (peek()) {
        case '{':
            object(v, depth);
            break;
        case '[':
            array(v, depth);
            break;
        case '"':
            v.kind = Json::Kind::String;
            v.text = string();
            break;
        case 't':
            literal("true");
            v.kind = Json::Kind::Bool;
            v.boolean = true;
            break;
        case 'f':
            literal("false");
            v.kind = Json::Kind::Bool;
            break;
        case 'n':
            literal("null");
            break;
        default:
            v.kind = Json::Kind::Number;
            v.text = number();
            break;
        }
        return v;
    }

    void object(Json &v, int depth)
    {
        v.kind = Json::Kind::Object;
        expect('{');
        space();
        if (peek() == '}') {
            ++pos_;
            return;
        }
        for (;;) {
            space();
            std::string key = string();
            if (v.find(key))
                fail("duplicate key " + key);
            space();
            expect(':');
            Json member = value(depth + 1);
            v.members.emplace_back(std::move(key), std::move(member));
            space();
            if (peek() == ',') {
                ++pos_;
                continue;
            }
            expect('}');
            return;
        }
    }

    void array(Json &v, int depth)
    {
        v.kind = Json::Kind::Array;
        expect('[');
        space();
        if (peek() == ']') {
            ++pos_;
            return;
        }
        for (;;) {
            v.items.push_back(value(depth + 1));
            space();
            if (peek() == ',') {
                ++pos_;
                continue;
            }
            expect(']');
            return;
        }
    }

    std::string number()
    {
        const std::size_t start = pos_;
        const auto digits = [&] {
            const std::size_t from = pos_;
            while (!atEnd() && s_[pos_] >= '0' && s_[pos_] <= '9')
                ++pos_;
            if (pos_ == from)
                fail("expected a digit");
        };
        if (peek() == '-')
            ++pos_;
        if (peek() == '0')
            ++pos_;
        else
            digits();
        if (peek() == '.') {
            ++pos_;
            digits();
        }
        if (peek() == 'e' || peek() == 'E') {
            ++pos_;
            if (peek() == '+' || peek() == '-')
                ++pos_;
            digits();
        }
        return std::string(s_.substr(start, pos_ - start));
    }

    unsigned hex4()
    {
        if (pos_ + 4 > s_.size())
            fail("short \\u escape");
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = s_[pos_++];
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                value |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                value |= static_cast<unsigned>(c - 'A' + 10);
            else
                fail("bad hex digit");
        }
        return value;
    }

    static void appendUtf8(std::string &out, std::uint32_t cp)
    {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    std::string string()
    {
        expect('"');
        std::string out;
        for (;;) {
            if (atEnd())
                fail("unterminated string");
            const unsigned char c = static_cast<unsigned char>(s_[pos_++]);
            if (c == '"')
                return out;
            if (c < 0x20)
                fail("raw control character in a string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (atEnd())
                fail("unterminated escape");
            const char e = s_[pos_++];
            switch (e) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
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
            case 'u': {
                std::uint32_t cp = hex4();
                if (cp >= 0xDC00 && cp <= 0xDFFF)
                    fail("lone low surrogate");
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    if (s_.substr(pos_, 2) != "\\u")
                        fail("lone high surrogate");
                    pos_ += 2;
                    const std::uint32_t low = hex4();
                    if (low < 0xDC00 || low > 0xDFFF)
                        fail("bad low surrogate");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                appendUtf8(out, cp);
                break;
            }
            default:
                fail("bad escape");
            }
        }
    }

    std::string_view s_;
    std::size_t pos_ = 0;
};

} // namespace tavlori::test
