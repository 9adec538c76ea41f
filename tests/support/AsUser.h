#pragma once
// Permission tests as a user sees them, also when the tests run as root.
#include <functional>
#include <string>

namespace qrt::test {

// Runs `body` in a child process without root's privileges (as "nobody" when
// the tests run as root), so that file permissions hold as they do for a
// user. The body returns what went wrong, or nothing; so does AsUser, adding
// why the child could not run it.
std::string AsUser(const std::function<std::string()>& body);

}  // namespace qrt::test
