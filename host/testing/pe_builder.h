// Builds small PE images in memory for the tests of the PE reader and of
// ABI detection: one section holding the import and export tables.
#ifndef VESK_HOST_TEST_PE_BUILDER_H
#define VESK_HOST_TEST_PE_BUILDER_H

#include <cstdint>
#include <string>
#include <vector>

struct PePlan {
    struct Dll {
        std::string name;
        std::vector<std::string> names;      // imported by name
        std::vector<std::uint16_t> ordinals;  // imported by ordinal
        bool lookupTable = true;              // false: only the bound table names them
    };
    std::vector<Dll> imports;
    std::vector<std::string> exports;
    bool pe32plus = false;
};

// The image's bytes, and where its parts lie in them, for tests that break them.
struct PeBuilt {
    std::string bytes;
    std::size_t peHeader = 0;      // offset of "PE\0\0"
    std::size_t sectionTable = 0;  // offset of the one section header
    std::size_t sectionData = 0;   // offset of the section's raw data (RVA 0x1000)
};

PeBuilt buildPe(const PePlan& plan);

void putU32(std::string& bytes, std::size_t offset, std::uint32_t value);

#endif
