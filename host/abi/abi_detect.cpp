#include "abi/abi_detect.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

namespace vesk_host {

namespace {

// Larger files are no script library; they are not read whole.
constexpr std::streamoff maxImageBytes = 256LL * 1024 * 1024;

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool startsWith(const std::string& text, const char* start) { return text.rfind(start, 0) == 0; }

std::optional<AbiKind> mangling(const std::string& name)
{
    if (startsWith(name, "?"))
        return AbiKind::msvc;
    if (startsWith(name, "_Z"))
        return AbiKind::gnu;
    return std::nullopt;
}

std::optional<AbiKind> runtimeOf(const std::string& dll)
{
    const std::string name = lower(dll);
    for (const char* gnu : {"libstdc++", "libgcc", "libc++", "libunwind"})
        if (startsWith(name, gnu))
            return AbiKind::gnu;
    for (const char* msvc : {"msvcp", "vcruntime", "concrt"})
        if (startsWith(name, msvc))
            return AbiKind::msvc;
    return std::nullopt;
}

// The first clue of each layout, in reading order.
struct Found {
    std::optional<std::string> gnu;
    std::optional<std::string> msvc;
    void add(AbiKind kind, std::string evidence)
    {
        auto& slot = kind == AbiKind::msvc ? msvc : gnu;
        if (!slot)
            slot = std::move(evidence);
    }
    bool any() const { return gnu || msvc; }
};

std::optional<std::string> readImage(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size < 0 || size > maxImageBytes)
        return std::nullopt;
    file.seekg(0);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!file.read(bytes.data(), size))
        return std::nullopt;
    return bytes;
}

AbiClue clueOfFile(const std::string& path)
{
    const auto bytes = readImage(path);
    if (!bytes)
        return {};
    const Result<PeImage> image = readPeImage(*bytes);
    return image ? abiClueOf(*image) : AbiClue{};
}

} // namespace

AbiClue abiClueOf(const PeImage& image)
{
    Found names;
    for (const PeImport& import : image.imports)
        for (const std::string& name : import.names)
            if (const auto kind = mangling(name))
                names.add(*kind, "imports " + name + " from " + import.dll);
    for (const std::string& name : image.exports)
        if (const auto kind = mangling(name))
            names.add(*kind, "exports " + name);
    Found runtimes;
    for (const PeImport& import : image.imports)
        if (const auto kind = runtimeOf(import.dll))
            runtimes.add(*kind, "imports " + import.dll);
    const Found& found = names.any() ? names : runtimes;
    AbiClue clue;
    if (found.gnu && found.msvc)
        return clue;  // contradictory: no clue at all
    if (found.msvc) {
        clue.kind = AbiKind::msvc;
        clue.evidence = *found.msvc;
    } else if (found.gnu) {
        clue.kind = AbiKind::gnu;
        clue.evidence = *found.gnu;
    }
    return clue;
}

Result<AbiDecision> decideAbi(const std::string& requested, const std::string& library)
{
    AbiDecision decision;
    const std::vector<AbiKind> available = availableAbis();
    const bool onlyOwn = available.size() == 1;
    if (requested == "auto") {
        if (onlyOwn) {
            decision.kind = ownAbi();
            decision.reason = "the only layout of this build";
            return decision;
        }
        const AbiClue clue = clueOfFile(library);
        decision.kind = clue.kind;
        decision.reason = clue.kind ? clue.evidence : "the file gives no clue: learned from the script's first call";
        return decision;
    }
    const auto kind = abiKindNamed(requested);
    if (!kind)
        return fail("--abi takes auto, native, gnu or msvc, not \"" + requested + "\"");
    if (*kind != AbiKind::native && std::find(available.begin(), available.end(), *kind) == available.end())
        return fail(ErrorKind::unsupported,
                    "--abi " + requested +
                        ": this build drives only its own layout (native); MinGW's and Microsoft's layouts are "
                        "driven by the 32-bit Windows build, vesk_host.exe");
    decision.kind = *kind == AbiKind::native ? ownAbi() : *kind;
    decision.reason = "--abi " + requested;
    if (!onlyOwn) {
        const AbiClue clue = clueOfFile(library);
        if (clue.kind && clue.kind != decision.kind)
            decision.warning = std::string("the file suggests ") + abiKindName(*clue.kind) + " (" + clue.evidence +
                               "), but --abi " + requested + " was given";
    }
    return decision;
}

std::string abiLine(AbiKind kind, const std::string& reason)
{
    return std::string("abi ") + abiKindName(kind) + " (" + reason + ")";
}

} // namespace vesk_host
