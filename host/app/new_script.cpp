#include "app/new_script.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>
#include <vector>

#include "app/exit_codes.h"
#include "app/new_script_templates.h"
#include "app/new_script_tooling.h"

namespace vesk_host {

namespace {

namespace fs = std::filesystem;

const std::size_t longestName = 64;
const char placeholder[] = "@NAME@";

// C++ keywords and alternative tokens, up to C++20, and the two identifiers
// with a special meaning in a class.
const char* const keywords[] = {
    "alignas", "alignof", "and", "and_eq", "asm", "auto", "bitand", "bitor", "bool", "break", "case", "catch",
    "char", "char8_t", "char16_t", "char32_t", "class", "compl", "concept", "const", "consteval", "constexpr",
    "constinit", "const_cast", "continue", "co_await", "co_return", "co_yield", "decltype", "default", "delete",
    "do", "double", "dynamic_cast", "else", "enum", "explicit", "export", "extern", "false", "float", "for",
    "friend", "goto", "if", "inline", "int", "long", "mutable", "namespace", "new", "noexcept", "not", "not_eq",
    "nullptr", "operator", "or", "or_eq", "private", "protected", "public", "register", "reinterpret_cast",
    "requires", "return", "short", "signed", "sizeof", "static", "static_assert", "static_cast", "struct",
    "switch", "template", "this", "thread_local", "throw", "true", "try", "typedef", "typeid", "typename",
    "union", "unsigned", "using", "virtual", "void", "volatile", "wchar_t", "while", "xor", "xor_eq", "final",
    "override"};

// Names the generated code already uses: the framework's and the C headers'
// declarations it includes, the base class's members the script inherits or
// overrides, and the generated code's own names.
const char* const usedNames[] = {
    // framework and string library
    "DottedName", "RevertiveEventRecord", "ControlEventRecord", "RevertiveEvent", "ControlEvent",
    "ParentQuery", "CallbackWord", "decodeVESKString", "load_vesk_client_script",
    // members of vesk_script_helper
    "host", "path", "alarmHandling", "callback", "onControl", "onRevertive", "onParentQuery", "onTimer",
    "onCode6", "onCode7", "scriptClose", "deviceLookup", "controlList", "panelLoad", "routeSet",
    "databaseRead", "revertivePoll", "revertiveRegister", "revertiveUnregister", "textGet", "textSet",
    "timerSet", "timerKill", "debugPrint", "alarmAction", "sendCommand", "handBack", "interceptAlarm",
    "answerParentQuery",
    // vesk::testing and GoogleTest, which the generated test uses
    "vesk", "testing", "FakeHost", "FakePlant", "SentCommands", "SentNothing", "KeptTheRules", "HasProperty",
    "ElementsAre", "SetUp", "TearDown", "Test", "VESK_SCRIPT_LIBRARY",
    // C library
    "NULL", "offsetof", "malloc", "free", "memcpy", "static_assert",
    // the generated code
    "router", "panel", "panelFile", "routerInstance", "watchedDestination", "sourcesControl", "sourcesEvent",
    "nowControl", "statusControl", "textProperty", "statusTimer", "statusInterval", "hostLink", "folder",
    "event", "query", "id", "source", "cases", "commands", "Case"};

// Target names CMake keeps for itself (any generator).
const char* const cmakeTargets[] = {"all", "ALL_BUILD", "clean", "edit_cache", "help", "install", "INSTALL",
                                    "list_install_components", "package", "PACKAGE", "package_source",
                                    "preinstall", "rebuild_cache", "RUN_TESTS", "test", "ZERO_CHECK"};

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

template <std::size_t N>
bool listed(const char* const (&names)[N], const std::string& name)
{
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

// Device names Windows keeps: NAME.h or NAME.dll could not exist there.
bool windowsDeviceName(const std::string& name)
{
    const std::string lower = lowered(name);
    if (lower == "con" || lower == "prn" || lower == "aux" || lower == "nul")
        return true;
    return lower.size() == 4 && (lower.compare(0, 3, "com") == 0 || lower.compare(0, 3, "lpt") == 0) &&
           lower[3] >= '1' && lower[3] <= '9';
}

std::string withName(std::string text, const std::string& name)
{
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + name.size()))
        text.replace(at, sizeof placeholder - 1, name);
    return text;
}

bool writeFile(const fs::path& file, const std::string& text)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

// Writes every file into `project`, which exists and is empty; false with a
// message on the first failure.
bool writeFiles(const fs::path& project, const std::string& name, const ProjectFile* begin, const ProjectFile* end)
{
    for (const ProjectFile* entry = begin; entry != end; ++entry) {
        const fs::path file = project / fs::path(withName(entry->path, name));
        std::error_code error;
        fs::create_directories(file.parent_path(), error);
        if (error) {
            std::cerr << "vesk_host new: cannot make the folder " << file.parent_path() << ": " << error.message()
                      << "\n";
            return false;
        }
        if (!writeFile(file, withName(entry->text, name))) {
            std::cerr << "vesk_host new: cannot write " << file << "\n";
            return false;
        }
    }
    return true;
}

bool writeProject(const fs::path& project, const std::string& name)
{
    return writeFiles(project, name, std::begin(projectFiles), std::end(projectFiles)) &&
           writeFiles(project, name, std::begin(toolingFiles), std::end(toolingFiles));
}

} // namespace

std::string scriptNameProblem(const std::string& name)
{
    if (name.empty())
        return "the name is empty";
    if (name.size() > longestName)
        return "the name is longer than " + std::to_string(longestName) + " characters";
    const auto identifierCharacter = [](unsigned char c) { return std::isalnum(c) || c == '_'; };
    if (!std::all_of(name.begin(), name.end(), identifierCharacter) ||
        std::isdigit(static_cast<unsigned char>(name[0])))
        return "the name must be a C++ identifier: letters, digits and \"_\", not starting with a digit";
    if (listed(keywords, name))
        return "\"" + name + "\" is a C++ keyword";
    if (name[0] == '_' || name.find("__") != std::string::npos)
        return "names that start with \"_\" or hold \"__\" are reserved for the compiler";
    if (lowered(name).compare(0, 5, "vesk_") == 0)
        return "names that start with \"vesk_\" are the framework's";
    if (name.size() > 2 && name.compare(name.size() - 2, 2, "_t") == 0)
        return "names that end in \"_t\" are reserved for the C library's types";
    if (listed(usedNames, name))
        return "\"" + name + "\" is already a name in the framework or the generated code";
    if (listed(cmakeTargets, name))
        return "\"" + name + "\" is a target name CMake keeps for itself";
    if (lowered(name) == "export")
        return "\"" + name + "\" would collide with src/export.cpp";
    if (windowsDeviceName(name))
        return "\"" + name + "\" is a device name on Windows, where no file can carry it";
    return std::string();
}

int newScript(const std::string& name, const std::string& folder)
{
    const std::string problem = scriptNameProblem(name);
    if (!problem.empty()) {
        std::cerr << "vesk_host new: cannot name a script \"" << name << "\": " << problem << "\n";
        return exitUsage;
    }
    const fs::path project = folder.empty() ? fs::path(name) : fs::path(folder);
    std::error_code statusError;
    if (fs::exists(fs::symlink_status(project, statusError))) {
        std::cerr << "vesk_host new: " << project << " already exists; nothing was written (name a new folder)\n";
        return exitUsage;
    }
    std::error_code error;
    if (project.has_parent_path())
        fs::create_directories(project.parent_path(), error);
    // create_directory reports false for a folder that appeared meanwhile, so
    // even then nothing of someone else's is written into or removed.
    if (error || !fs::create_directory(project, error)) {
        std::cerr << "vesk_host new: cannot make the folder " << project;
        if (error)
            std::cerr << ": " << error.message();
        else
            std::cerr << ": it already exists; nothing was written";
        std::cerr << "\n";
        return exitUsage;
    }
    if (!writeProject(project, name)) {
        fs::remove_all(project, error);
        return exitUsage;
    }
    std::cerr << "vesk_host new: wrote the script " << name << " into " << project.string() << "/\n"
              << "  cd " << project.string() << "\n"
              << "  cmake -S . -B build && cmake --build build\n"
              << "  ctest --test-dir build --output-on-failure\n";
    return exitSuccess;
}

} // namespace vesk_host
