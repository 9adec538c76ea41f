#include "diagnostics/NodeAccess.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "base/Numbers.h"

namespace qrt {
namespace {

std::vector<std::string> SplitFields(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, separator)) fields.push_back(field);
  if (!line.empty() && line.back() == separator) fields.emplace_back();
  return fields;
}

std::string ModeText(uint32_t mode) {
  std::string text = S_ISCHR(mode)    ? "c"
                     : S_ISBLK(mode)  ? "b"
                     : S_ISDIR(mode)  ? "d"
                     : S_ISLNK(mode)  ? "l"
                     : S_ISFIFO(mode) ? "p"
                     : S_ISSOCK(mode) ? "s"
                                      : "-";
  const char letters[] = "rwx";
  for (int bit = 8; bit >= 0; --bit) text += (mode & (1u << bit)) ? letters[(8 - bit) % 3] : '-';
  return text;
}

constexpr uint32_t kOwnerRw = 0600;
constexpr uint32_t kGroupRw = 0060;
constexpr uint32_t kOtherRw = 0006;

}  // namespace

UserIdentity UserIdentity::FromProcess() {
  UserIdentity user;
  user.uid = geteuid();
  user.gid = getegid();
  const int count = getgroups(0, nullptr);
  if (count > 0) {
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int got = getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) user.groups.push_back(groups[static_cast<size_t>(i)]);
  }
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(user.uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
    user.name = found->pw_name;
  else
    user.name = std::to_string(user.uid);
  return user;
}

bool UserIdentity::InGroup(uint32_t group) const {
  return group == gid || std::find(groups.begin(), groups.end(), group) != groups.end();
}

AccountNames::AccountNames(const std::string& root) {
  std::ifstream passwdFile(UnderRoot(root, "/etc/passwd"));
  for (std::string line; std::getline(passwdFile, line);) {
    const auto f = SplitFields(line, ':');
    if (f.size() < 4) continue;
    const auto uid = ParseDigits(f[2]);
    const auto gid = ParseDigits(f[3]);
    if (uid && gid) users_.push_back({f[0], *uid, *gid});
  }
  std::ifstream groupFile(UnderRoot(root, "/etc/group"));
  for (std::string line; std::getline(groupFile, line);) {
    const auto f = SplitFields(line, ':');
    if (f.size() < 3) continue;
    const auto gid = ParseDigits(f[2]);
    if (!gid) continue;
    Group group{f[0], *gid, {}};
    if (f.size() > 3)
      for (auto& member : SplitFields(f[3], ','))
        if (!member.empty()) group.members.push_back(member);
    groups_.push_back(std::move(group));
  }
}

std::string AccountNames::UserName(uint32_t uid) const {
  for (const auto& u : users_)
    if (u.uid == uid) return u.name;
  return std::to_string(uid);
}

std::string AccountNames::GroupName(uint32_t gid) const {
  for (const auto& g : groups_)
    if (g.gid == gid) return g.name;
  return std::to_string(gid);
}

std::optional<uint32_t> AccountNames::GroupId(const std::string& name) const {
  for (const auto& g : groups_)
    if (g.name == name) return g.gid;
  return std::nullopt;
}

bool AccountNames::Member(const std::string& user, const std::string& group) const {
  const auto gid = GroupId(group);
  if (!gid) return false;
  for (const auto& u : users_)
    if (u.name == user && u.gid == *gid) return true;
  for (const auto& g : groups_)
    if (g.name == group && std::find(g.members.begin(), g.members.end(), user) != g.members.end())
      return true;
  return false;
}

std::string UnderRoot(const std::string& root, const std::string& path) {
  if (root.empty() || root == "/") return path;
  std::string base = root;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return path.empty() || path.front() == '/' ? base + path : base + "/" + path;
}

NodeInfo InspectNode(const std::string& root, const std::string& path, const UserIdentity& user,
                     const AccountNames& names) {
  NodeInfo node;
  node.path = path;
  struct stat st {};
  if (::stat(UnderRoot(root, path).c_str(), &st) != 0) return node;
  node.exists = true;
  node.uid = st.st_uid;
  node.gid = st.st_gid;
  node.mode = st.st_mode;
  node.owner = names.UserName(node.uid);
  node.group = names.GroupName(node.gid);
  node.modeText = ModeText(node.mode);
  // One class of bits decides: the owner's, else the group's, else the others'.
  const uint32_t needed = user.uid == node.uid ? kOwnerRw : user.InGroup(node.gid) ? kGroupRw : kOtherRw;
  node.userMayOpen = user.uid == 0 || (node.mode & needed) == needed;
  return node;
}

AccessFix FixAccess(const NodeInfo& node, const UserIdentity& user, const AccountNames& names,
                    const NodeRule& rule) {
  AccessFix fix;
  std::vector<std::string> reasons;
  // A group that may read and write the node is the way in; root's group is
  // not one to join.
  const bool groupUsable = node.gid != 0 && (node.mode & kGroupRw) == kGroupRw;
  const std::string group = groupUsable ? node.group : rule.group;
  if (!groupUsable) {
    reasons.push_back((node.gid == 0 ? "it belongs to group " + node.group + " (gid 0)"
                                     : "its group " + node.group + " may not use it") +
                      "; a udev rule gives it to group " + group);
    if (!names.GroupId(group)) fix.commands.push_back("sudo groupadd --system " + group);
    // The whole file as the package has it: a file of the same name in
    // /etc/udev/rules.d takes the place of the package's.
    std::string lines;
    for (const std::string& line : rule.ruleLines) lines += " '" + line + "'";
    fix.commands.push_back((rule.ruleLines.size() == 1 ? "echo" + lines : "printf '%s\\n'" + lines) +
                           " | sudo tee " + rule.ruleFile);
    fix.commands.push_back("sudo udevadm control --reload-rules");
    fix.commands.push_back("sudo udevadm trigger");
  }
  const std::optional<uint32_t> gid = groupUsable ? std::optional<uint32_t>(node.gid) : names.GroupId(group);
  if (!gid || !user.InGroup(*gid)) {
    if (names.Member(user.name, group)) {
      reasons.push_back("you joined group " + group +
                        " after logging in: log out and in again, or start from a shell that newgrp opens");
      fix.commands.push_back("newgrp " + group);
    } else {
      reasons.push_back("you are not in group " + group + " (log out and in again after joining)");
      fix.commands.push_back("sudo usermod -aG " + group + " \"$USER\"");
    }
  }
  if (fix.commands.empty()) {
    // In the group already and the group may use it: the owner's own bits
    // shut the owner out.
    reasons.push_back("its mode shuts its owner out");
    fix.commands.push_back("sudo chmod 0660 " + node.path);
  }
  for (size_t i = 0; i < reasons.size(); ++i) fix.why += (i ? "; " : "") + reasons[i];
  return fix;
}

}  // namespace qrt
