// The positions of a studio, from a studio file or from NAME=LIBRARY[,PATH].
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "plant/studio_file.h"

using namespace vesk_host;

namespace {

TEST(StudioFileTest, ReadsPositionsInOrderWithFoldersFromTheFile)
{
    const auto studio = parseStudio("[[position]]\nname = \"A\"\nlibrary = \"lib/a.so\"\n"
                                    "[[position]]\nname = \"B-2.x\"\nlibrary = \"/abs/b.so\"\npath = \"panels\"\n"
                                    "[[position]]\nname = \"C\"\nlibrary = \"c.so\"\npath = \"p\"\n"
                                    "panel_folder = \"../other\"\n",
                                    "studio.toml", "/s");
    ASSERT_TRUE(studio) << studio.error().message;
    ASSERT_EQ(studio->size(), 3u);
    const ScriptPosition& a = (*studio)[0];
    EXPECT_EQ(a.name, "A");
    // Compared as paths: Windows writes its own separators.
    EXPECT_EQ(std::filesystem::path(a.library), std::filesystem::path("/s/lib/a.so"));
    EXPECT_FALSE(a.path);
    EXPECT_FALSE(a.panelFolder);
    const ScriptPosition& b = (*studio)[1];
    EXPECT_EQ(b.name, "B-2.x");
    EXPECT_EQ(std::filesystem::path(b.library), std::filesystem::path("/abs/b.so"));
    EXPECT_EQ(b.path, std::optional<std::string>("panels"));
    EXPECT_EQ(b.panelFolder, std::optional<std::filesystem::path>("/s/panels"));
    const ScriptPosition& c = (*studio)[2];
    EXPECT_EQ(c.path, std::optional<std::string>("p"));
    EXPECT_EQ(c.panelFolder, std::optional<std::filesystem::path>("/s/../other"));
}

// Each mistake is refused with its line and what is wrong.
TEST(StudioFileTest, EachMistakeIsSaid)
{
    struct Bad {
        const char* text;
        const char* said;
    };
    const std::vector<Bad> bad = {
        {"", "position"},
        {"[[position]]\nlibrary = \"a.so\"\n", "name"},
        {"[[position]]\nname = \"A\"\n", "library"},
        {"[[position]]\nname = \"A\"\nlibrary = \"\"\n", "library is empty"},
        {"[[position]]\nname = \"A B\"\nlibrary = \"a.so\"\n", "1 to 64 letters"},
        {"[[position]]\nname = \"\"\nlibrary = \"a.so\"\n", "1 to 64 letters"},
        {"[[position]]\nname = \"A\"\nlibrary = \"a.so\"\ncolour = 1\n", "colour"},
        {"[[position]]\nname = \"A\"\nlibrary = \"a.so\"\npanel_folder = \"p\"\n", "without the path text"},
        {"[[position]]\nname = \"A\"\nlibrary = \"a.so\"\n[[position]]\nname = \"A\"\nlibrary = \"b.so\"\n",
         "given twice"},
        {"position = 3\n", "position"},
        {"[[position]]\nname = 5\nlibrary = \"a.so\"\n", "name"},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.text);
        const auto studio = parseStudio(b.text, "studio.toml", "/s");
        ASSERT_FALSE(studio);
        EXPECT_EQ(studio.error().kind, ErrorKind::invalid);
        EXPECT_NE(studio.error().message.find("studio.toml"), std::string::npos) << studio.error().message;
        EXPECT_NE(studio.error().message.find(b.said), std::string::npos) << studio.error().message;
    }
}

TEST(StudioFileTest, NamesAreBoundedAndPlain)
{
    EXPECT_TRUE(positionNameValid("A"));
    EXPECT_TRUE(positionNameValid(std::string(64, 'x')));
    EXPECT_FALSE(positionNameValid(std::string(65, 'x')));
    EXPECT_FALSE(positionNameValid(""));
    EXPECT_FALSE(positionNameValid("@A"));
    EXPECT_FALSE(positionNameValid("A\tB"));
    EXPECT_FALSE(positionNameValid("caf\xc3\xa9"));
}

TEST(StudioFileTest, AnOptionGivesNameLibraryAndPath)
{
    const auto plain = parseScriptPosition("A=build/a.so", "/plant");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->name, "A");
    EXPECT_EQ(plain->library, "build/a.so");
    EXPECT_FALSE(plain->path);
    const auto pathed = parseScriptPosition("B=b.so,panels/b", "/plant");
    ASSERT_TRUE(pathed);
    EXPECT_EQ(pathed->path, std::optional<std::string>("panels/b"));
    EXPECT_EQ(pathed->panelFolder, std::optional<std::filesystem::path>("/plant/panels/b"));
    // The path may itself hold "=" or ",": only the first of each divides.
    const auto odd = parseScriptPosition("C=c.so,a=b,c", "/p");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->path, std::optional<std::string>("a=b,c"));

    for (const char* bad : {"A", "=a.so", "A=", "A=,panels", "A B=a.so", "@A=a.so"}) {
        SCOPED_TRACE(bad);
        const auto position = parseScriptPosition(bad, "/p");
        ASSERT_FALSE(position);
        EXPECT_EQ(position.error().kind, ErrorKind::invalid);
    }
}

TEST(StudioFileTest, PositionsAreCheckedForRepeatsAndCount)
{
    std::vector<ScriptPosition> positions(2);
    positions[0].name = "A";
    positions[1].name = "B";
    EXPECT_TRUE(checkPositions(positions));
    positions[1].name = "A";
    EXPECT_FALSE(checkPositions(positions));
    std::vector<ScriptPosition> many(mostPositions + 1);
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i].name = "P" + std::to_string(i);
    EXPECT_FALSE(checkPositions(many));
    many.pop_back();
    EXPECT_TRUE(checkPositions(many));
}

} // namespace
