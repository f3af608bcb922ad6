// vesk_host new: which names it takes, what it writes, and that it never
// writes over anything.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/exit_codes.h"
#include "app/new_script.h"
#include "testing/temp_folder.h"

namespace fs = std::filesystem;
using vesk_host::newScript;
using vesk_host::scriptNameProblem;

namespace {

std::string readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct ScratchFolder {
    fs::path path = uniqueTempFolder("vesk_new_script");
    ScratchFolder() { fs::create_directories(path); }
    ~ScratchFolder()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

struct NameCase {
    const char* name;
    const char* problem;  // a piece of the reason, or null when the name is taken
};

const NameCase nameCases[] = {
    {"My_Panel", nullptr},
    {"Studio7", nullptr},
    {"a", nullptr},
    {"Monitor_Position_2", nullptr},
    {"", "empty"},
    {"7up", "C++ identifier"},
    {"my-panel", "C++ identifier"},
    {"my panel", "C++ identifier"},
    {"panel.v2", "C++ identifier"},
    {"../escape", "C++ identifier"},
    {"Pan\xc3\xa9l", "C++ identifier"},
    {"class", "keyword"},
    {"delete", "keyword"},
    {"and_eq", "keyword"},
    {"co_await", "keyword"},
    {"override", "keyword"},
    {"_Panel", "reserved"},
    {"My__Panel", "reserved"},
    {"vesk_panel", "framework's"},
    {"VESK_Panel", "framework's"},
    {"panel_t", "_t"},
    {"ControlEvent", "already a name"},
    {"onTimer", "already a name"},
    {"host", "already a name"},
    {"FakeHost", "already a name"},
    {"testing", "already a name"},
    {"router", "already a name"},
    {"test", "CMake"},
    {"ALL_BUILD", "CMake"},
    {"Export", "src/export.cpp"},
    {"CON", "device name"},
    {"com1", "device name"},
    {"Lpt9", "device name"},
};

} // namespace

TEST(NewScriptName, TakesIdentifiersAndRefusesTheRest)
{
    for (const NameCase& c : nameCases) {
        const std::string problem = scriptNameProblem(c.name);
        if (c.problem == nullptr)
            EXPECT_EQ(problem, "") << "name \"" << c.name << "\"";
        else
            EXPECT_NE(problem.find(c.problem), std::string::npos)
                << "name \"" << c.name << "\" gave \"" << problem << "\", expected a mention of " << c.problem;
    }
}

TEST(NewScriptName, LengthIsBounded)
{
    EXPECT_EQ(scriptNameProblem(std::string(64, 'x')), "");
    EXPECT_NE(scriptNameProblem(std::string(65, 'x')).find("longer than 64"), std::string::npos);
    EXPECT_NE(scriptNameProblem(std::string(1 << 20, 'x')), "");
}

TEST(NewScript, WritesTheWholeProjectWithTheNameFilledIn)
{
    ScratchFolder scratch;
    const fs::path project = scratch.path / "Mixer_Desk";
    ASSERT_EQ(newScript("Mixer_Desk", project.string()), vesk_host::exitSuccess);

    const std::vector<std::string> files = {"CMakeLists.txt",     "README.md",          ".gitignore",
                                            "plant.toml",         "session.vesk",       "panels/Mixer_Desk.vesk_ui",
                                            "src/Mixer_Desk.h",   "src/Mixer_Desk.cpp", "src/export.cpp",
                                            "test/Mixer_Desk_test.cpp", "CMakePresets.json", ".vscode/launch.json"};
    for (const std::string& file : files) {
        ASSERT_TRUE(fs::is_regular_file(project / file)) << file;
        EXPECT_EQ(readFile(project / file).find("@NAME@"), std::string::npos) << file << " keeps a placeholder";
    }
    std::size_t written = 0;
    for (const auto& entry : fs::recursive_directory_iterator(project))
        written += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(written, files.size());

    const std::string cmake = readFile(project / "CMakeLists.txt");
    EXPECT_NE(cmake.find("find_package(vesk 1 REQUIRED)"), std::string::npos);
    for (const char* call :
         {"vesk_add_script(Mixer_Desk SOURCES src/Mixer_Desk.cpp src/export.cpp COVERAGE)",
          "vesk_add_session_test(Mixer_Desk_session SCRIPT Mixer_Desk SESSION session.vesk PLANT plant.toml)",
          "vesk_add_script_test(Mixer_Desk_unit SCRIPT Mixer_Desk SOURCES test/Mixer_Desk_test.cpp)",
          "vesk_add_validate_test(Mixer_Desk_validate SCRIPT Mixer_Desk PLANT plant.toml SEED 1)",
          "set(CMAKE_BUILD_TYPE Debug"})
        EXPECT_NE(cmake.find(call), std::string::npos) << call;
    EXPECT_EQ(cmake.find("LENIENT)"), std::string::npos) << "the generated session must be strict";
    const std::string presets = readFile(project / "CMakePresets.json");
    for (const char* preset : {"\"name\": \"debug\"", "\"name\": \"release\"", "\"name\": \"coverage\"",
                               "\"VESK_COVERAGE\": \"ON\"", "\"targets\": [\"Mixer_Desk_coverage\"]"})
        EXPECT_NE(presets.find(preset), std::string::npos) << preset;
    EXPECT_NE(readFile(project / "test/Mixer_Desk_test.cpp").find("class Mixer_DeskTest : public ::testing::Test {"),
              std::string::npos);
    EXPECT_NE(readFile(project / ".vscode/launch.json").find("${workspaceFolder}/build/Mixer_Desk_unit"),
              std::string::npos);
    EXPECT_NE(readFile(project / "src/export.cpp")
                  .find("extern \"C\" VESK_SCRIPT_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script("),
              std::string::npos);
    EXPECT_NE(readFile(project / "src/Mixer_Desk.h").find("class Mixer_Desk : public vesk_script_helper {"),
              std::string::npos);
    EXPECT_NE(readFile(project / "session.vesk").find("expect command \"PS '1' 'panels/Mixer_Desk.vesk_ui'\""),
              std::string::npos);
    const std::string readme = readFile(project / "README.md");
    for (const char* command : {"cmake -S . -B build && cmake --build build",
                                "vesk_host run --plant plant.toml --session session.vesk build/libMixer_Desk.so",
                                "ctest --test-dir build"})
        EXPECT_NE(readme.find(command), std::string::npos) << command;
}

TEST(NewScript, DefaultFolderIsTheNameInTheCurrentFolder)
{
    ScratchFolder scratch;
    const fs::path before = fs::current_path();
    fs::current_path(scratch.path);
    const int code = newScript("Here", "");
    fs::current_path(before);
    EXPECT_EQ(code, vesk_host::exitSuccess);
    EXPECT_TRUE(fs::is_regular_file(scratch.path / "Here" / "src" / "Here.cpp"));
}

TEST(NewScript, MakesMissingParentFolders)
{
    ScratchFolder scratch;
    const fs::path project = scratch.path / "a" / "b" / "Deep";
    EXPECT_EQ(newScript("Deep", project.string()), vesk_host::exitSuccess);
    EXPECT_TRUE(fs::is_regular_file(project / "CMakeLists.txt"));
}

TEST(NewScript, NeverWritesIntoAnythingThatExists)
{
    ScratchFolder scratch;
    const fs::path folder = scratch.path / "Taken";
    fs::create_directories(folder);
    std::ofstream(folder / "CMakeLists.txt", std::ios::binary) << "mine\n";
    const fs::path emptyFolder = scratch.path / "Empty";
    fs::create_directories(emptyFolder);
    const fs::path file = scratch.path / "AFile";
    std::ofstream(file, std::ios::binary) << "mine\n";
    // A link that points nowhere exists too; Windows (and Wine) may refuse
    // to make one, and then that case is left out.
    const fs::path link = scratch.path / "Dangling";
    std::error_code noLinks;
    fs::create_symlink(scratch.path / "nowhere", link, noLinks);

    EXPECT_EQ(newScript("Taken", folder.string()), vesk_host::exitUsage);
    EXPECT_EQ(readFile(folder / "CMakeLists.txt"), "mine\n");
    EXPECT_EQ(newScript("Empty", emptyFolder.string()), vesk_host::exitUsage);
    EXPECT_TRUE(fs::is_empty(emptyFolder));
    EXPECT_EQ(newScript("AFile", file.string()), vesk_host::exitUsage);
    EXPECT_EQ(readFile(file), "mine\n");
    if (!noLinks) {
        EXPECT_EQ(newScript("Dangling", link.string()), vesk_host::exitUsage);
        EXPECT_FALSE(fs::exists(scratch.path / "nowhere"));
    }
}

TEST(NewScript, BadNameWritesNothing)
{
    ScratchFolder scratch;
    EXPECT_EQ(newScript("new", (scratch.path / "p").string()), vesk_host::exitUsage);
    EXPECT_EQ(newScript("9lives", (scratch.path / "q").string()), vesk_host::exitUsage);
    EXPECT_TRUE(fs::is_empty(scratch.path));
}

TEST(NewScript, AFolderThatCannotBeMadeIsReported)
{
    ScratchFolder scratch;
    const fs::path file = scratch.path / "plain_file";
    std::ofstream(file, std::ios::binary) << "x";
    // A folder below a plain file can never be made.
    EXPECT_EQ(newScript("Below", (file / "Below").string()), vesk_host::exitUsage);
    EXPECT_EQ(readFile(file), "x");
}
