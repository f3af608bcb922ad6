// A text made of one part many times over, for the tests' long and deep inputs.
#ifndef VESK_HOST_TESTS_REPEAT_H
#define VESK_HOST_TESTS_REPEAT_H

#include <cstddef>
#include <string>

inline std::string repeat(const std::string& part, std::size_t times)
{
    std::string text;
    text.reserve(part.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        text += part;
    return text;
}

#endif
