// Captures what code writes to the debugger output: OutputDebugStringA on
// Windows, standard error elsewhere (see framework/src/debug_output.cpp).
#ifndef VESK_TEST_DEBUGGER_OUTPUT_H
#define VESK_TEST_DEBUGGER_OUTPUT_H

#include <functional>
#include <string>

#if defined(_WIN32)
// Runs `action` and returns everything it wrote to the debugger output.
std::string captureDebuggerOutput(const std::function<void()>& action);
#else
#include <gtest/gtest.h>

inline std::string captureDebuggerOutput(const std::function<void()>& action)
{
    testing::internal::CaptureStderr();
    action();
    return testing::internal::GetCapturedStderr();
}
#endif

#endif
