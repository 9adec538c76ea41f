#include "tests/support/AsUser.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qrt::test {

std::string AsUser(const std::function<std::string()>& body) {
  int out[2];
  if (::pipe(out) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child < 0) return "no fork";
  if (child == 0) {
    ::close(out[0]);
    std::string result;
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
      result = "cannot drop root's privileges";
    else
      result = body();
    if (!result.empty()) (void)!::write(out[1], result.data(), result.size());
    ::_exit(0);
  }
  ::close(out[1]);
  std::string result;
  char buf[512];
  for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) result.append(buf, static_cast<size_t>(n));
  ::close(out[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) result += " (child did not end normally)";
  return result;
}

}  // namespace qrt::test
