// TOML texts before and inside the library: the limits checked before the
// parser sees a text (each at its boundary), the library's words in ours,
// and a byte-order mark.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plant/panel_file.h"
#include "plant/plant_file.h"
#include "plant/toml_bounds.h"
#include "testing/repeat.h"

using namespace vesk_host;

namespace {

// "" when the text passes; otherwise "LINE: message" (": message" for the whole text).
std::string bounds(const std::string& text)
{
    const Status bounded = checkTomlBounds(text, "t");
    return bounded ? std::string() : bounded.error().message.substr(2);
}

struct BoundsCase {
    const char* name;
    std::string text;
    std::string problem;  // "" or "LINE: the start of the message"
};

TEST(TomlBoundsTest, LimitsAreCheckedBeforeTheParser)
{
    const std::vector<BoundsCase> cases = {
        {"a key of 40,000 dotted parts", repeat("a.", 40000) + "a = 1\n", "1: a dotted key has more than 32 parts"},
        {"a table header of 40,000 parts", "x = 1\n[" + repeat("a.", 40000) + "a]\n",
         "2: a dotted key has more than 32 parts"},
        {"an array-of-tables header", "[[" + repeat("b.", 40) + "b]]\n", "1: a dotted key"},
        {"dotted keys inside an inline table", "x = { " + repeat("c.", 33) + "c = 1 }\n", "1: a dotted key"},
        {"32 parts are fine", repeat("a.", 31) + "a = 1\n", ""},
        {"arrays 100,000 deep", "x = " + repeat("[", 100000) + repeat("]", 100000) + "\n",
         "1: arrays and inline tables are nested more than 32 deep"},
        {"inline tables 40 deep", "x = " + repeat("{a=", 40) + "1" + repeat("}", 40) + "\n", "1: arrays and inline"},
        {"a multi-line array 32 deep is fine", "x = " + repeat("[\n", 32) + repeat("]\n", 32), ""},
        {"a multi-line array 33 deep", "x = " + repeat("[\n", 33) + repeat("]\n", 33),
         "33: arrays and inline tables are nested more than 32 deep"},
        {"an array 32 deep on one line is fine", "x = " + repeat("[", 32) + repeat("]", 32) + "\n", ""},
        {"an array 33 deep on one line", "x = " + repeat("[", 33) + repeat("]", 33) + "\n",
         "1: arrays and inline tables are nested more than 32 deep"},
        {"nesting that grows over lines after an array closed",
         "x = [\n[],\n" + repeat("[\n", 32) + repeat("]\n", 33), "34: arrays and inline tables are nested"},
        {"inline tables in a multi-line array, 33 deep",
         "x = " + repeat("[\n", 31) + "{a = [1]}\n" + repeat("]\n", 31), "32: arrays and inline tables are nested"},
        {"inline tables in a multi-line array, 32 deep", "x = " + repeat("[\n", 30) + "{a = [1]}\n" + repeat("]\n", 30),
         ""},
        {"a line over 1 MiB", "x = \"" + repeat("y", 1024 * 1024) + "\"\n", "1: the line is longer than 1048576"},
        {"a text over 16 MiB", repeat("# " + repeat("z", 1000) + "\n", 17 * 1024), " is larger than 16777216"},
        {"dots, brackets and quotes inside texts count for nothing",
         "x = \"" + repeat("a.[{", 1000) + "\\\"\"\ny = '" + repeat(".[", 100) + "'\n# " + repeat(".[{\"", 100) + "\n",
         ""},
        {"floats and dates are values", "x = [1.5, 2.5, 3.25]\nd = 1979-05-27T07:32:00Z\n", ""},
        {"a basic text without its closing quote", "a = 1\nx = \"abc\ny = 2\n",
         "2: a text in quotes is missing its closing \""},
        {"a literal text without its closing quote", "x = 'abc\n", "1: a text in quotes is missing its closing '"},
        {"at the end of the file", "x = \"abc", "1: a text in quotes is missing its closing \""},
        {"triple quotes never closed name their first line", "a = 1\nx = \"\"\"abc\n\n\ny = 2\n",
         "2: a text in triple quotes that starts here is never closed"},
        {"triple quotes that end in extra quotes", "x = \"\"\"a\\\nb\"\"\"\"\"\ny = '''c''''\nz = 1\n", ""},
        {"non-ASCII outside quotes", "t\xc9\xa7'\x00\x00\x00#'\n", "1: a character outside the ASCII range"},
        {"a non-ASCII key", "cl\xc3\xa9 = 1\n", "1: a character outside the ASCII range"},
        {"non-ASCII in texts and comments is fine", "x = \"CAM\xc3\x89RA \xe2\x82\xac\" # \xc3\xa9\n", ""},
        {"a backslash before a non-ASCII character", "x = \"\\\xc9\xa7\"\n", "1: a backslash must be followed"},
        {"a line-ending backslash before a non-ASCII character", "x = \"\"\"a\\\n  \xc9\xa7\"\"\"\n",
         "1: after a line-ending backslash"},
        {"a quote in the middle of a value", "path =0\"D:\xcf\xb6\"\n", "1: a value holds \""},
        {"a bracket in the middle of a value", "names =00002[\"\xef\xb3\xbf\" }\n", "1: a value holds ["},
        {"a byte-order mark is skipped", "\xEF\xBB\xBFx = 1\n", ""},
        {"a byte-order mark only at the start", "x = 1\n\xEF\xBB\xBFy = 2\n", "2: a character outside the ASCII range"},
        {"dates, floats and booleans", "a = 1979-05-27 07:32:00\nb = [+inf, -1e+5, 0x1F, 1_000, true]\n", ""},
        {"quotes where values start", "x=\"a\"\ny = [\"b\",'c',{z=\"d\"}]\nw = [\n  \"e\"\n]\n", ""},
        {"a line-end backslash keeps line numbers", "x = \"\"\"a\\\n\\\n\n" + repeat("b.", 40) + "b\"\"\"\n" +
                                                       repeat("c.", 40) + "c = 1\n",
         "5: a dotted key"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const std::string got = bounds(row.text);
        if (row.problem.empty())
            EXPECT_EQ(got, "");
        else
            EXPECT_EQ(got.substr(0, row.problem.size()), row.problem);
    }
}

struct ParserMessageCase {
    std::string text;
    std::string message;  // the start of "file:line: message"
};

TEST(TomlReadingTest, TheParsersWordsAreOurs)
{
    const std::vector<ParserMessageCase> cases = {
        {"path \"panels\"\n", "plant.toml:1: a key must be followed by \"=\" and a value"},
        {"path = \"a\"\n\npath = \"b\"\n", "plant.toml:3: the key \"path\" is given twice"},
        {"[[device]]\nname = \"A\"\nname = \"B\"\nnumber = 1\n", "plant.toml:3: the key \"name\" is given twice"},
        {"path =\n", "plant.toml:1: a \"=\" must be followed by a value"},
        {"[[device]]\nname = \"A\"\nnumber = 99999999999999999999\n", "plant.toml:3: a number is too large"},
        {"path = \"panels\n", "plant.toml:1: a text in quotes is missing its closing \""},
        {repeat("a.", 40000) + "a = 1\n", "plant.toml:1: a dotted key has more than 32 parts"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.message);
        const auto load = parsePlant(row.text, "plant.toml", "/");
        ASSERT_FALSE(load);
        EXPECT_EQ(load.error().message.substr(0, row.message.size()), row.message);
    }
}

TEST(TomlReadingTest, PlantAndPanelFilesMayStartWithAByteOrderMark)
{
    const auto plant = parsePlant("\xEF\xBB\xBFpath = \"p\"\n", "plant.toml", "/");
    ASSERT_TRUE(plant) << plant.error().message;
    EXPECT_EQ(plant->path, "p");
    const auto panel = parsePanelFile("\xEF\xBB\xBF[[control]]\nid = \"A\"\n", "p.vesk_ui");
    ASSERT_TRUE(panel) << panel.error().message;
}

} // namespace
