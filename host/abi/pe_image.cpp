#include "abi/pe_image.h"

#include <cstring>

namespace vesk_host {

namespace {

constexpr std::uint16_t pe32Magic = 0x10b;
constexpr std::uint16_t pe32PlusMagic = 0x20b;
constexpr std::size_t exportDirectory = 0;
constexpr std::size_t importDirectory = 1;

// Little-endian reads that fail instead of reading past the bytes.
class Bytes {
public:
    explicit Bytes(std::string_view bytes) : bytes_(bytes) {}

    bool has(std::uint64_t offset, std::uint64_t size) const
    {
        return offset <= bytes_.size() && size <= bytes_.size() - offset;
    }
    std::optional<std::uint64_t> number(std::uint64_t offset, unsigned size) const
    {
        if (!has(offset, size))
            return std::nullopt;
        std::uint64_t value = 0;
        for (unsigned i = size; i-- > 0;)
            value = (value << 8) | static_cast<unsigned char>(bytes_[static_cast<std::size_t>(offset) + i]);
        return value;
    }
    std::optional<std::uint32_t> u16(std::uint64_t offset) const { return narrow(number(offset, 2)); }
    std::optional<std::uint32_t> u32(std::uint64_t offset) const { return narrow(number(offset, 4)); }
    // A NUL-ended text of at most peMaxNameLength bytes.
    std::optional<std::string> text(std::uint64_t offset) const
    {
        if (!has(offset, 1))
            return std::nullopt;
        const std::size_t start = static_cast<std::size_t>(offset);
        const std::size_t room = std::min(bytes_.size() - start, peMaxNameLength + 1);
        const void* end = std::memchr(bytes_.data() + start, '\0', room);
        if (!end)
            return std::nullopt;
        return std::string(bytes_.data() + start, static_cast<const char*>(end));
    }

private:
    static std::optional<std::uint32_t> narrow(std::optional<std::uint64_t> value)
    {
        if (!value)
            return std::nullopt;
        return static_cast<std::uint32_t>(*value);
    }
    std::string_view bytes_;
};

struct Section {
    std::uint32_t address;
    std::uint32_t virtualSize;
    std::uint32_t rawSize;
    std::uint32_t rawOffset;
};

class Image {
public:
    Image(const Bytes& bytes, std::vector<Section> sections) : bytes_(bytes), sections_(std::move(sections)) {}

    // The file offset of a relative virtual address, when raw data backs it.
    std::optional<std::uint64_t> offsetOf(std::uint64_t rva, std::uint64_t size = 1) const
    {
        for (const Section& section : sections_) {
            const std::uint64_t span = std::max(section.virtualSize, section.rawSize);
            if (rva < section.address || rva - section.address >= span)
                continue;
            const std::uint64_t into = rva - section.address;
            if (into + size > section.rawSize)
                return std::nullopt;
            const std::uint64_t offset = std::uint64_t{section.rawOffset} + into;
            if (!bytes_.has(offset, size))
                return std::nullopt;
            return offset;
        }
        return std::nullopt;
    }
    std::optional<std::string> textAt(std::uint64_t rva) const
    {
        const auto offset = offsetOf(rva);
        return offset ? bytes_.text(*offset) : std::nullopt;
    }
    std::optional<std::uint32_t> u32At(std::uint64_t rva) const
    {
        const auto offset = offsetOf(rva, 4);
        return offset ? bytes_.u32(*offset) : std::nullopt;
    }
    std::optional<std::uint64_t> numberAt(std::uint64_t rva, unsigned size) const
    {
        const auto offset = offsetOf(rva, size);
        return offset ? bytes_.number(*offset, size) : std::nullopt;
    }

private:
    const Bytes& bytes_;
    std::vector<Section> sections_;
};

// The names a thunk table imports by name; stops at its end, at a bad entry
// or at the limit.
std::vector<std::string> importedNames(const Image& image, std::uint32_t table, bool pe32plus)
{
    std::vector<std::string> names;
    const unsigned width = pe32plus ? 8 : 4;
    const std::uint64_t ordinalFlag = pe32plus ? (std::uint64_t{1} << 63) : (std::uint64_t{1} << 31);
    for (std::size_t i = 0; i < peMaxNamesPerTable; ++i) {
        const auto entry = image.numberAt(std::uint64_t{table} + i * width, width);
        if (!entry || *entry == 0)
            break;
        if (*entry & ordinalFlag)
            continue;
        // A hint word, then the name.
        if (const auto name = image.textAt((*entry & 0x7fffffffULL) + 2))
            names.push_back(*name);
    }
    return names;
}

void readImports(const Image& image, std::uint32_t directory, bool pe32plus, PeImage& out)
{
    for (std::size_t i = 0; i < peMaxImportedDlls; ++i) {
        const std::uint64_t descriptor = std::uint64_t{directory} + i * 20;
        const auto lookup = image.u32At(descriptor);
        const auto name = image.u32At(descriptor + 12);
        const auto bound = image.u32At(descriptor + 16);
        if (!lookup || !name || !bound || (*name == 0 && *bound == 0))
            break;
        PeImport import;
        import.dll = image.textAt(*name).value_or(std::string());
        // The lookup table names what is imported; old linkers left only the bound one.
        import.names = importedNames(image, *lookup ? *lookup : *bound, pe32plus);
        out.imports.push_back(std::move(import));
    }
}

void readExports(const Image& image, std::uint32_t directory, PeImage& out)
{
    const auto count = image.u32At(std::uint64_t{directory} + 24);
    const auto table = image.u32At(std::uint64_t{directory} + 32);
    if (!count || !table)
        return;
    const std::size_t names = std::min<std::size_t>(*count, peMaxNamesPerTable);
    for (std::size_t i = 0; i < names; ++i) {
        const auto rva = image.u32At(std::uint64_t{*table} + i * 4);
        if (!rva)
            break;
        if (const auto name = image.textAt(*rva))
            out.exports.push_back(*name);
    }
}

} // namespace

Result<PeImage> readPeImage(std::string_view data)
{
    const Bytes bytes(data);
    if (!bytes.has(0, 64) || data[0] != 'M' || data[1] != 'Z') {
        return fail("not a Windows image (no MZ header)");
    }
    const std::uint64_t pe = *bytes.u32(0x3c);
    if (!bytes.has(pe, 24) || data.compare(static_cast<std::size_t>(pe), 4, std::string_view("PE\0\0", 4)) != 0) {
        return fail("not a PE image (no PE signature where the MZ header points)");
    }
    PeImage image;
    image.machine = static_cast<std::uint16_t>(*bytes.u16(pe + 4));
    const std::uint32_t sectionCount = *bytes.u16(pe + 6);
    const std::uint32_t optionalSize = *bytes.u16(pe + 20);
    const std::uint64_t optional = pe + 24;
    const auto magic = bytes.u16(optional);
    if (!magic || (*magic != pe32Magic && *magic != pe32PlusMagic)) {
        return fail("the PE optional header is missing or of an unknown kind");
    }
    image.pe32plus = *magic == pe32PlusMagic;
    const std::uint64_t countOffset = optional + (image.pe32plus ? 108 : 92);
    const std::uint64_t directories = countOffset + 4;
    const auto directoryCount = bytes.u32(countOffset);
    if (!directoryCount || countOffset + 4 > optional + optionalSize) {
        return fail("the PE optional header is cut short");
    }
    std::vector<Section> sections;
    const std::uint64_t table = optional + optionalSize;
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t at = table + std::uint64_t{i} * 40;
        if (!bytes.has(at, 40)) {
            return fail("the section table runs past the end of the file");
        }
        sections.push_back(Section{*bytes.u32(at + 12), *bytes.u32(at + 8), *bytes.u32(at + 16), *bytes.u32(at + 20)});
    }
    const Image mapped(bytes, std::move(sections));
    const auto directory = [&](std::size_t index) -> std::optional<std::uint32_t> {
        const std::uint64_t at = directories + index * 8;
        if (index >= *directoryCount || at + 8 > optional + optionalSize)
            return std::nullopt;
        const auto rva = bytes.u32(at);
        const auto size = bytes.u32(at + 4);
        if (!rva || !size || *rva == 0 || *size == 0)
            return std::nullopt;
        return rva;
    };
    if (const auto imports = directory(importDirectory))
        readImports(mapped, *imports, image.pe32plus, image);
    if (const auto exports = directory(exportDirectory))
        readExports(mapped, *exports, image);
    return image;
}

} // namespace vesk_host
