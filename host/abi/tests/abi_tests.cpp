// The ABI layer's portable parts: the PE reader on hand-built and broken
// images, the clues it yields, the --abi decision, and the native layout.
#include <gtest/gtest.h>

#include <cstdint>

#include "abi/abi_detect.h"
#include "abi/pe_image.h"
#include "abi/script_abi.h"
#include "testing/fake_script.h"
#include "testing/pe_builder.h"

using namespace vesk_host;

namespace {

const PePlan rigVueMsvc = {{{"vesk_string.dll", {"??0vesk_string@@QAE@PBD@Z", "??1vesk_string@@QAE@XZ"}, {}},
                            {"msvcrt.dll", {"malloc", "free"}, {}},
                            {"kernel32.dll", {"OutputDebugStringA"}, {7}}},
                           {"load_vesk_client_script"}};

PeImage readOrFail(const std::string& bytes)
{
    const Result<PeImage> read = readPeImage(bytes);
    EXPECT_TRUE(read) << read.error().message;
    return read ? *read : PeImage{};
}

} // namespace

TEST(PeImageTest, ImportsAndExportsReadAsWritten)
{
    for (bool pe32plus : {false, true}) {
        SCOPED_TRACE(pe32plus ? "PE32+" : "PE32");
        PePlan plan = rigVueMsvc;
        plan.pe32plus = pe32plus;
        const PeImage image = readOrFail(buildPe(plan).bytes);
        EXPECT_EQ(image.pe32plus, pe32plus);
        EXPECT_EQ(image.machine, pe32plus ? 0x8664 : 0x14c);
        ASSERT_EQ(image.imports.size(), 3u);
        EXPECT_EQ(image.imports[0].dll, "vesk_string.dll");
        EXPECT_EQ(image.imports[0].names,
                  (std::vector<std::string>{"??0vesk_string@@QAE@PBD@Z", "??1vesk_string@@QAE@XZ"}));
        EXPECT_EQ(image.imports[1].names, (std::vector<std::string>{"malloc", "free"}));
        // Ordinals carry no name.
        EXPECT_EQ(image.imports[2].names, (std::vector<std::string>{"OutputDebugStringA"}));
        EXPECT_EQ(image.exports, (std::vector<std::string>{"load_vesk_client_script"}));
    }
}

TEST(PeImageTest, WithoutALookupTableTheBoundTableNamesTheImports)
{
    const PeImage image = readOrFail(buildPe({{{"libstdc++-6.dll", {"_ZdlPv"}, {}, false}}, {}}).bytes);
    ASSERT_EQ(image.imports.size(), 1u);
    EXPECT_EQ(image.imports[0].names, (std::vector<std::string>{"_ZdlPv"}));
}

TEST(PeImageTest, BrokenImagesAreRefusedOrReadWithinTheirBytes)
{
    const PeBuilt good = buildPe(rigVueMsvc);
    struct Row {
        const char* what;
        std::function<void(std::string&)> breakIt;
        bool refused;  // no image at all, rather than fewer names
    };
    const std::vector<Row> rows = {
        {"no MZ", [](std::string& b) { b[0] = 'X'; }, true},
        {"MZ pointing past the end", [](std::string& b) { putU32(b, 0x3c, 0xfffffff0u); }, true},
        {"MZ pointing at the last bytes", [&](std::string& b) { putU32(b, 0x3c, static_cast<std::uint32_t>(b.size() - 2)); }, true},
        {"unknown optional header", [&](std::string& b) { b[good.peHeader + 24] = 0x07; }, true},
        {"65535 sections", [&](std::string& b) { b[good.peHeader + 6] = '\xff'; b[good.peHeader + 7] = '\xff'; }, true},
        {"import directory outside every section",
         [&](std::string& b) { putU32(b, good.peHeader + 24 + 104, 0x7fff0000u); }, false},
        {"section raw data past the end",
         [&](std::string& b) { putU32(b, good.sectionTable + 20, 0xfffff000u); }, false},
        {"section larger than the file",
         [&](std::string& b) { putU32(b, good.sectionTable + 16, 0x7fffffffu); }, false},
        {"a DLL name without its NUL",
         [&](std::string& b) { b.replace(b.size() - 1, 1, "x"); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::string bytes = good.bytes;
        row.breakIt(bytes);
        const Result<PeImage> read = readPeImage(bytes);
        EXPECT_EQ(!read, row.refused);
        if (!read) {
            EXPECT_EQ(read.error().kind, ErrorKind::invalid);
        }
    }
}

TEST(PeImageTest, EveryCutAndEveryFlippedByteIsReadSafely)
{
    const std::string good = buildPe(rigVueMsvc).bytes;
    for (std::size_t size = 0; size < good.size(); ++size)
        (void)readPeImage(std::string_view(good).substr(0, size));
    // A fixed pseudo-random walk of byte changes, the same on every run.
    std::uint32_t state = 12345;
    for (int round = 0; round < 4000; ++round) {
        std::string bytes = good;
        for (int flips = 0; flips < 4; ++flips) {
            state = state * 1103515245u + 12345u;
            bytes[(state >> 8) % bytes.size()] = static_cast<char>(state >> 24);
        }
        const Result<PeImage> read = readPeImage(bytes);
        if (read) {
            EXPECT_LE(read->imports.size(), peMaxImportedDlls);
        }
    }
}

TEST(PeImageTest, ATableWithoutItsEndStopsAtTheLimit)
{
    // Descriptors that repeat through the whole section and never end with zeros.
    PePlan plan;
    for (int i = 0; i < 5000; ++i)
        plan.imports.push_back({"a.dll", {}, {}});
    PeBuilt built = buildPe(plan);
    std::string& bytes = built.bytes;
    putU32(bytes, built.sectionData + 5000 * 20 + 12, 1);  // the end mark is no longer all zeros
    const Result<PeImage> read = readPeImage(bytes);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->imports.size(), peMaxImportedDlls);
}

TEST(AbiClueTest, EachKindOfClueNamesItsLayout)
{
    struct Row {
        const char* what;
        PePlan plan;
        std::optional<AbiKind> kind;
        std::string evidence;
    };
    const std::vector<Row> rows = {
        {"Microsoft-mangled import", rigVueMsvc, AbiKind::msvc,
         "imports ??0vesk_string@@QAE@PBD@Z from vesk_string.dll"},
        {"GNU-mangled import", {{{"vesk_string.dll", {"_ZN11vesk_stringC1EPKc"}, {}}}, {}}, AbiKind::gnu,
         "imports _ZN11vesk_stringC1EPKc from vesk_string.dll"},
        {"Microsoft-mangled export", {{{"msvcrt.dll", {"free"}, {}}}, {"?helper@@YAHXZ", "load_vesk_client_script"}},
         AbiKind::msvc, "exports ?helper@@YAHXZ"},
        {"GNU-mangled export", {{}, {"_Z6helperv"}}, AbiKind::gnu, "exports _Z6helperv"},
        {"libstdc++", {{{"libstdc++-6.dll", {"malloc"}, {}}}, {}}, AbiKind::gnu, "imports libstdc++-6.dll"},
        {"libgcc", {{{"msvcrt.dll", {}, {}}, {"libgcc_s_dw2-1.dll", {}, {1}}}, {}}, AbiKind::gnu,
         "imports libgcc_s_dw2-1.dll"},
        {"libc++", {{{"libc++.dll", {}, {}}}, {}}, AbiKind::gnu, "imports libc++.dll"},
        {"libunwind", {{{"libunwind.dll", {}, {}}}, {}}, AbiKind::gnu, "imports libunwind.dll"},
        {"msvcp", {{{"MSVCP140.dll", {}, {}}}, {}}, AbiKind::msvc, "imports MSVCP140.dll"},
        {"vcruntime", {{{"VCRUNTIME140.dll", {"memcpy"}, {}}}, {}}, AbiKind::msvc, "imports VCRUNTIME140.dll"},
        {"concrt", {{{"concrt140.dll", {}, {}}}, {}}, AbiKind::msvc, "imports concrt140.dll"},
        {"names outrank runtimes", {{{"vcruntime140.dll", {}, {}}, {"x.dll", {"_Z1fv"}, {}}}, {}}, AbiKind::gnu,
         "imports _Z1fv from x.dll"},
        {"msvcrt and ucrtbase prove nothing",
         {{{"msvcrt.dll", {"malloc"}, {}}, {"ucrtbase.dll", {"free"}, {}}, {"KERNEL32.dll", {}, {}}},
          {"load_vesk_client_script"}},
         std::nullopt, ""},
        {"contradicting names are no clue", {{{"a.dll", {"?f@@YAXXZ", "_Z1fv"}, {}}}, {}}, std::nullopt, ""},
        {"contradicting runtimes are no clue", {{{"libstdc++-6.dll", {}, {}}, {"msvcp140.dll", {}, {}}}, {}},
         std::nullopt, ""},
        {"nothing at all", {}, std::nullopt, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const AbiClue clue = abiClueOf(readOrFail(buildPe(row.plan).bytes));
        EXPECT_EQ(clue.kind, row.kind);
        EXPECT_EQ(clue.evidence, row.evidence);
    }
}

TEST(AbiDecisionTest, ThisBuildTakesItsOwnLayoutAndRefusesOthers)
{
    const auto own = availableAbis();
    ASSERT_FALSE(own.empty());
    EXPECT_EQ(own.front(), ownAbi());
    const Result<AbiDecision> bad = decideAbi("itanium", "x.dll");
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().kind, ErrorKind::invalid);
    EXPECT_EQ(bad.error().message, "--abi takes auto, native, gnu or msvc, not \"itanium\"");
    const Result<AbiDecision> native = decideAbi("native", "x.dll");
    ASSERT_TRUE(native);
    EXPECT_EQ(native->kind, ownAbi());
    EXPECT_EQ(native->reason, "--abi native");
    if (own.size() == 1) {
        const Result<AbiDecision> automatic = decideAbi("auto", "no such file");
        ASSERT_TRUE(automatic);
        EXPECT_EQ(automatic->kind, AbiKind::native);
        EXPECT_EQ(automatic->reason, "the only layout of this build");
        for (const char* other : {"gnu", "msvc"}) {
            const Result<AbiDecision> refused = decideAbi(other, "x.dll");
            ASSERT_FALSE(refused);
            EXPECT_EQ(refused.error().kind, ErrorKind::unsupported);
            EXPECT_NE(refused.error().message.find("this build drives only its own layout (native)"),
                      std::string::npos);
        }
    }
    EXPECT_EQ(abiLine(AbiKind::msvc, "imports x from y"), "abi msvc (imports x from y)");
    for (AbiKind kind : {AbiKind::native, AbiKind::gnu, AbiKind::msvc})
        EXPECT_EQ(abiKindNamed(abiKindName(kind)), kind);
    EXPECT_FALSE(abiKindNamed("auto"));
}

TEST(ScriptAbiTest, TheNativeLayoutCarriesCallsBothWays)
{
    struct Recorder final : ScriptAbi::Host {
        std::vector<int> codes;
        void* fromScript(void*, int code) override
        {
            codes.push_back(code);
            return nullptr;
        }
    } host;
    const auto abi = makeScriptAbi(std::nullopt, host);
    ASSERT_TRUE(abi);
    if (availableAbis().size() == 1) {
        EXPECT_EQ(abi->kind(), AbiKind::native);  // nothing to learn here
    }
    FakeScript::reset();
    FakeScript::hooks.start = [](vesk_client_callback& to) { to.callback(nullptr, VESK_CODE_RELEASE); };
    FakeScript::hooks.event = [](vesk_client_callback&, void*, int) -> void* { return nullptr; };
    FakeScript::hooks.end = [](vesk_client_callback& to) { to.callback(nullptr, 9); };
    ScriptObject* script = abi->callExport(FakeScript::load, "p");
    ASSERT_TRUE(script);
    ASSERT_TRUE(abi->kind());
    EXPECT_TRUE(abi->mismatch().empty());
    abi->call(script, nullptr, VESK_CODE_TIMER);
    abi->destroy(script);
    EXPECT_EQ(host.codes, (std::vector<int>{VESK_CODE_RELEASE, 9}));
    EXPECT_EQ(FakeScript::received, (std::vector<std::string>{"load p", "timer 0"}));
}
