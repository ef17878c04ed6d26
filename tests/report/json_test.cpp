// JSON string writing, the test reader that checks it, and argument parsing.
#include "json_reader.h"
#include "report/json.h"
#include "report/report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tavlori;
using tavlori::test::Json;
using tavlori::test::JsonReader;

namespace {

std::string jsonString(std::string_view text)
{
    std::string out;
    appendJsonString(out, text);
    return out;
}

} // namespace

TEST(JsonString, EscapesAndReplacesInvalidBytes)
{
    struct Case {
        std::string in;
        std::string out;
    };
    const std::vector<Case> cases = {
        {"", "\"\""},
        {"index.html", "\"index.html\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"/", "\"/\""},
        {std::string("\b\f\n\r\t", 5), "\"\\b\\f\\n\\r\\t\""},
        {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\x7f\""},
        {std::string("a\0b", 3), "\"a\\u0000b\""},
        {"旧お知らせ.html", "\"旧お知らせ.html\""},
        {"\xF0\x9F\x8C\xB8", "\"\xF0\x9F\x8C\xB8\""},             // U+1F338, four bytes, kept
        {"\xF4\x8F\xBF\xBF", "\"\xF4\x8F\xBF\xBF\""},             // U+10FFFF, kept
        {"caf\xE9.html", "\"caf\\ufffd.html\""},                  // Latin-1 byte
        {"\xC0\xAF", "\"\\ufffd\\ufffd\""},                       // overlong "/"
        {"\xE0\x80\xAF", "\"\\ufffd\\ufffd\\ufffd\""},            // overlong, three bytes
        {"\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},            // encoded surrogate
        {"\xF4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""}, // above U+10FFFF
        {"\xE6\x97", "\"\\ufffd\\ufffd\""},                       // truncated at the end
        {"\xE6\x97x", "\"\\ufffd\\ufffdx\""},                     // cut short by an ASCII byte
        {"\x80z", "\"\\ufffdz\""},                                // stray continuation
        {"\xE6\x97\xA7\xFF\xE6\x97\xA7", "\"旧\\ufffd旧\""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(jsonString(c.in), c.out) << "input bytes: " << c.in;
}

TEST(JsonString, EveryByteStringReadsBackAsValidJson)
{
    // Every single byte and every pair of bytes: the output must parse, and
    // where the input was well-formed UTF-8 it must read back unchanged.
    for (int a = 0; a < 256; ++a) {
        for (int b = -1; b < 256; ++b) {
            std::string in(1, static_cast<char>(a));
            if (b >= 0)
                in += static_cast<char>(b);
            std::string error;
            const auto parsed = JsonReader::parse(jsonString(in), error);
            ASSERT_TRUE(parsed) << error << " for bytes " << a << "," << b;
            ASSERT_EQ(parsed->kind, Json::Kind::String);
            if (isWellFormedUtf8(in))
                EXPECT_EQ(parsed->text, in) << "bytes " << a << "," << b;
            else
                EXPECT_NE(parsed->text.find("\xEF\xBF\xBD"), std::string::npos);
        }
    }
}

TEST(JsonReaderCheck, RejectsInvalidJson)
{
    const std::vector<std::string> invalid = {
        "",
        "{",
        "{\"a\": 1,}",
        "[1 2]",
        "\"raw\ttab\"",
        "\"raw\nnewline\"",
        "\"bad \\x escape\"",
        "\"\\ud800\"",
        "\"\\udc00\"",
        "\"caf\xE9\"",
        "{\"a\": 1, \"a\": 2}",
        "{} {}",
        "'single'",
        "01",
        "tru",
    };
    for (const std::string &text : invalid) {
        std::string error;
        EXPECT_FALSE(JsonReader::parse(text, error)) << text;
    }
    std::string error;
    const auto ok = JsonReader::parse(" {\"a\": [\"x\\u00e9\\ud83c\\udf38\", -1.5e3, true, null]} ", error);
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(ok->find("a")->items[0].text, "x\xC3\xA9\xF0\x9F\x8C\xB8");
}

TEST(ReportArguments, ParsesOptionsAndRefusesWhatItDoesNotKnow)
{
    struct Case {
        std::vector<std::string> args;
        bool ok;
        std::string folder;
        std::string term;
        bool json;
    };
    const std::vector<Case> cases = {
        {{"site"}, true, "site", "&&&", false},
        {{"--json", "site"}, true, "site", "&&&", true},
        {{"site", "--json"}, true, "site", "&&&", true},
        {{"--term", "お知らせ", "site"}, true, "site", "お知らせ", false},
        {{"--term", "", "site"}, true, "site", "", false},
        {{"--term=abc", "--json", "site"}, true, "site", "abc", true},
        {{"--term", "--json", "site"}, true, "site", "--json", false},
        {{"--", "--json"}, true, "--json", "&&&", false},
        {{}, false, "", "", false},
        {{"--json"}, false, "", "", false},
        {{"--term"}, false, "", "", false},
        {{"--verbose", "site"}, false, "", "", false},
        {{"a", "b"}, false, "", "", false},
    };
    for (const Case &c : cases) {
        const ParsedArguments parsed = parseReportArguments(c.args);
        std::string joined;
        for (const auto &a : c.args)
            joined += "[" + a + "]";
        EXPECT_EQ(parsed.error.empty(), c.ok) << joined << ": " << parsed.error;
        if (!c.ok)
            continue;
        EXPECT_EQ(parsed.options.folder, c.folder) << joined;
        EXPECT_EQ(parsed.options.term, c.term) << joined;
        EXPECT_EQ(parsed.options.json, c.json) << joined;
    }
}
