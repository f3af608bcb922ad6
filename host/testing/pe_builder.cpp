#include "testing/pe_builder.h"

namespace {

constexpr std::uint32_t sectionRva = 0x1000;
constexpr std::size_t sectionFile = 0x200;

void putU16(std::string& bytes, std::size_t offset, std::uint16_t value)
{
    bytes[offset] = static_cast<char>(value & 0xff);
    bytes[offset + 1] = static_cast<char>(value >> 8);
}

void putU64(std::string& bytes, std::size_t offset, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

// The section's contents, growing; offsets into it are RVAs less sectionRva.
struct Blob {
    std::string data;
    std::size_t reserve(std::size_t size)
    {
        const std::size_t at = data.size();
        data.append(size, '\0');
        return at;
    }
    std::uint32_t rva(std::size_t at) const { return static_cast<std::uint32_t>(sectionRva + at); }
    std::size_t text(const std::string& value)
    {
        const std::size_t at = reserve(value.size() + 1);
        data.replace(at, value.size(), value);
        return at;
    }
};

} // namespace

void putU32(std::string& bytes, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

PeBuilt buildPe(const PePlan& plan)
{
    Blob blob;
    const unsigned width = plan.pe32plus ? 8 : 4;
    const std::size_t descriptors = blob.reserve((plan.imports.size() + 1) * 20);
    for (std::size_t i = 0; i < plan.imports.size(); ++i) {
        const auto& dll = plan.imports[i];
        const std::size_t entries = dll.names.size() + dll.ordinals.size() + 1;
        const std::size_t lookup = blob.reserve(entries * width);
        const std::size_t bound = blob.reserve(entries * width);
        std::size_t slot = 0;
        const auto put = [&](std::uint64_t entry) {
            for (std::size_t table : {lookup, bound}) {
                if (plan.pe32plus)
                    putU64(blob.data, table + slot * width, entry);
                else
                    putU32(blob.data, table + slot * width, static_cast<std::uint32_t>(entry));
            }
            ++slot;
        };
        for (const auto& name : dll.names) {
            const std::size_t hint = blob.reserve(2);
            blob.text(name);
            put(blob.rva(hint));
        }
        for (std::uint16_t ordinal : dll.ordinals)
            put((plan.pe32plus ? (std::uint64_t{1} << 63) : (std::uint64_t{1} << 31)) | ordinal);
        const std::size_t name = blob.text(dll.name);
        const std::size_t at = descriptors + i * 20;
        putU32(blob.data, at, dll.lookupTable ? blob.rva(lookup) : 0);
        putU32(blob.data, at + 12, blob.rva(name));
        putU32(blob.data, at + 16, blob.rva(bound));
    }
    std::size_t exportDirectory = 0;
    if (!plan.exports.empty()) {
        exportDirectory = blob.reserve(40);
        const std::size_t pointers = blob.reserve(plan.exports.size() * 4);
        for (std::size_t i = 0; i < plan.exports.size(); ++i)
            putU32(blob.data, pointers + i * 4, blob.rva(blob.text(plan.exports[i])));
        putU32(blob.data, exportDirectory + 24, static_cast<std::uint32_t>(plan.exports.size()));
        putU32(blob.data, exportDirectory + 32, blob.rva(pointers));
    }

    PeBuilt built;
    const std::size_t optionalSize = plan.pe32plus ? 240 : 224;
    built.peHeader = 0x40;
    const std::size_t optional = built.peHeader + 24;
    built.sectionTable = optional + optionalSize;
    built.sectionData = sectionFile;
    std::string& bytes = built.bytes;
    bytes.assign(sectionFile + blob.data.size(), '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    putU32(bytes, 0x3c, static_cast<std::uint32_t>(built.peHeader));
    bytes.replace(built.peHeader, 4, std::string("PE\0\0", 4));
    putU16(bytes, built.peHeader + 4, plan.pe32plus ? 0x8664 : 0x14c);
    putU16(bytes, built.peHeader + 6, 1);
    putU16(bytes, built.peHeader + 20, static_cast<std::uint16_t>(optionalSize));
    putU16(bytes, optional, plan.pe32plus ? 0x20b : 0x10b);
    const std::size_t directories = optional + (plan.pe32plus ? 112 : 96);
    putU32(bytes, directories - 4, 16);
    if (!plan.exports.empty()) {
        putU32(bytes, directories, blob.rva(exportDirectory));
        putU32(bytes, directories + 4, 40);
    }
    putU32(bytes, directories + 8, blob.rva(descriptors));
    putU32(bytes, directories + 12, static_cast<std::uint32_t>((plan.imports.size() + 1) * 20));
    bytes.replace(built.sectionTable, 6, ".rdata");
    putU32(bytes, built.sectionTable + 8, static_cast<std::uint32_t>(blob.data.size()));
    putU32(bytes, built.sectionTable + 12, sectionRva);
    putU32(bytes, built.sectionTable + 16, static_cast<std::uint32_t>(blob.data.size()));
    putU32(bytes, built.sectionTable + 20, static_cast<std::uint32_t>(sectionFile));
    bytes.replace(sectionFile, blob.data.size(), blob.data);
    return built;
}
