#include "check.h"

#include <windows.h>

#include <cstdio>

namespace e2e {

void fail(const std::string& message)
{
    throw ScenarioFailure(message);
}

void check(bool condition, const std::string& what)
{
    if (!condition)
        fail("check failed: " + what);
    note("ok: " + what);
}

void check_equal(const std::string& actual, const std::string& expected,
                 const std::string& what)
{
    if (actual != expected)
        fail(what + ": expected " + quoted(expected) + ", got " + quoted(actual));
    note("ok: " + what + " = " + quoted(actual));
}

void check_equal(long long actual, long long expected, const std::string& what)
{
    if (actual != expected)
        fail(what + ": expected " + std::to_string(expected) + ", got " +
             std::to_string(actual));
    note("ok: " + what + " = " + std::to_string(actual));
}

namespace {
const unsigned long long g_start_ms = now_ms();
}

void note(const std::string& message)
{
    const unsigned long long start = g_start_ms;
    std::printf("  [%6llu ms] %s\n", now_ms() - start, message.c_str());
    std::fflush(stdout);
}

bool wait_until(const std::function<bool()>& condition, unsigned timeout_ms)
{
    unsigned long long end = now_ms() + timeout_ms;
    for (;;) {
        if (condition())
            return true;
        if (now_ms() >= end)
            return false;
        Sleep(25);
    }
}

unsigned long long now_ms()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<unsigned long long>(counter.QuadPart) * 1000ULL /
           static_cast<unsigned long long>(frequency.QuadPart);
}

void sleep_ms(unsigned ms)
{
    Sleep(ms);
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    return out + "\"";
}

}  // namespace e2e
