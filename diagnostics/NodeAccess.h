#pragma once
// Who may open a device node: the node's owner, group and mode against the
// user's identity, judged as the kernel judges an open for reading and
// writing (the owner's bits for the owner, else the group's bits for a member
// of the node's group, else the others' bits; root may open anything).
//
// Everything is read below a root folder ("/" in the programs, a made-up tree
// in tests), and the user is data, so that no check depends on who runs it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qrt {

// The identity the kernel checks an open against.
struct UserIdentity {
  uint32_t uid = 0;
  uint32_t gid = 0;
  std::vector<uint32_t> groups;  // supplementary groups of this session
  std::string name;              // login name

  // The running process's identity as the kernel checks an open against it
  // (effective ids).
  static UserIdentity FromProcess();

  bool InGroup(uint32_t group) const;
};

// Names from <root>/etc/passwd and <root>/etc/group, with numbers where a
// name is not listed there.
class AccountNames {
 public:
  explicit AccountNames(const std::string& root);

  std::string UserName(uint32_t uid) const;
  std::string GroupName(uint32_t gid) const;
  std::optional<uint32_t> GroupId(const std::string& name) const;
  // True when the account files make `user` a member of `group` (listed in
  // the group, or the group is the user's primary group). A member whose
  // session does not have the group yet joined after logging in.
  bool Member(const std::string& user, const std::string& group) const;

 private:
  struct Group {
    std::string name;
    uint32_t gid;
    std::vector<std::string> members;
  };
  struct User {
    std::string name;
    uint32_t uid;
    uint32_t gid;
  };
  std::vector<Group> groups_;
  std::vector<User> users_;
};

struct NodeInfo {
  std::string path;  // as the system names it: /dev/parport0
  bool exists = false;
  uint32_t uid = 0;
  uint32_t gid = 0;
  uint32_t mode = 0;         // st_mode
  std::string owner;         // user name, or the number
  std::string group;         // group name, or the number
  std::string modeText;      // as ls -l shows it: crw-rw----
  bool userMayOpen = false;  // for reading and writing
};

// The node `path` (as the system names it) found below `root`.
NodeInfo InspectNode(const std::string& root, const std::string& path, const UserIdentity& user,
                     const AccountNames& names);

// `path` below `root`: the file to look at. "/dev/parport0" below "/" is itself.
std::string UnderRoot(const std::string& root, const std::string& path);

// How nodes of one kind get a usable group: the group the system normally
// gives them and the udev rule file the package installs for them, written
// whole (it may serve other kinds too) where the package is not installed.
struct NodeRule {
  std::string group;                  // lp, i2c, plugdev
  std::string ruleFile;               // /etc/udev/rules.d/60-qrt35-....rules, the package's name
  std::vector<std::string> ruleLines;  // every rule of that file, this kind's with GROUP=group among them
};

// The commands that let `user` open a node it may not open, and a sentence
// saying why it cannot. A node whose group may read and write it only needs
// the user in that group; a node without such a group (root's, or mode 0600)
// gets one through a udev rule first.
struct AccessFix {
  std::string why;
  std::vector<std::string> commands;
};
AccessFix FixAccess(const NodeInfo& node, const UserIdentity& user, const AccountNames& names,
                    const NodeRule& rule);

}  // namespace qrt
