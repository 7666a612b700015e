// Assertions for the scenarios: a failed check throws, the scenario runner
// prints the message, cleans up and exits non-zero.
#ifndef E2E_CHECK_H
#define E2E_CHECK_H

#include <functional>
#include <stdexcept>
#include <string>

namespace e2e {

struct ScenarioFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& message);

// Fails with "what" when the condition does not hold; prints "ok: what"
// when it does, so a log shows which checks a passing run made.
void check(bool condition, const std::string& what);

// Fails unless actual equals expected; the message shows both.
void check_equal(const std::string& actual, const std::string& expected,
                 const std::string& what);
void check_equal(long long actual, long long expected, const std::string& what);

void note(const std::string& message);

// Polls the condition every 25 ms until it holds or the time runs out.
bool wait_until(const std::function<bool()>& condition, unsigned timeout_ms);

// Milliseconds since an arbitrary start; for measuring waits.
unsigned long long now_ms();

void sleep_ms(unsigned ms);

// Shows text with control characters made visible, for failure messages.
std::string quoted(const std::string& text);

}  // namespace e2e

#endif
