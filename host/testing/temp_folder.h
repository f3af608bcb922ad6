// A scratch folder of one's own for a test: the test programs run in
// parallel, so a folder name must not be shared between processes.
#ifndef VESK_HOST_TESTS_TEMP_FOLDER_H
#define VESK_HOST_TESTS_TEMP_FOLDER_H

#include <filesystem>
#include <random>
#include <string>

inline std::filesystem::path uniqueTempFolder(const std::string& stem)
{
    std::random_device entropy;
    return std::filesystem::temp_directory_path() /
           (stem + "_" + std::to_string(entropy()) + "_" + std::to_string(entropy()));
}

#endif
