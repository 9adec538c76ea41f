#include "diagnostics/Diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "UdevRules.h"
#include "base/Numbers.h"
#include "link/PpdevPort.h"

namespace qrt {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

// The rule files the package installs, under the names it gives them.
const NodeRule kParportRule{"lp", std::string("/etc/udev/rules.d/") + udev::kParportFile, Lines(udev::kParportRules)};
const NodeRule kI2cRule{"i2c", std::string("/etc/udev/rules.d/") + udev::kAdaptersFile, Lines(udev::kAdaptersRules)};
const NodeRule kCh341Rule{"plugdev", kI2cRule.ruleFile, kI2cRule.ruleLines};

// Loads a module now, and at every boot from then on.
std::vector<std::string> LoadModule(const std::string& module) {
  return {"sudo modprobe " + module, "echo " + module + " | sudo tee /etc/modules-load.d/" + module + ".conf"};
}

// Everything below `root` is looked at through this, so a made-up tree
// stands in for the machine.
class SystemTree {
 public:
  explicit SystemTree(std::string root) : root_(std::move(root)) {}

  std::string Path(const std::string& path) const { return UnderRoot(root_, path); }
  bool Exists(const std::string& path) const {
    std::error_code ec;
    return fs::exists(Path(path), ec);
  }
  // The file's text without the trailing line break; nothing when unreadable.
  std::optional<std::string> Read(const std::string& path) const {
    std::ifstream in(Path(path));
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
      text.pop_back();
    return text;
  }
  // Names in a folder that start with `prefix` followed by a number, in the
  // order of that number (parport2 before parport10).
  std::vector<std::string> Numbered(const std::string& folder, const std::string& prefix) const {
    std::vector<std::pair<unsigned long, std::string>> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(Path(folder), ec)) {
      const std::string name = entry.path().filename().string();
      if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
      const auto number = ParseDigits(std::string_view(name).substr(prefix.size()));
      if (!number) continue;
      found.emplace_back(*number, name);
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    std::vector<std::string> names;
    for (auto& f : found) names.push_back(std::move(f.second));
    return names;
  }
  std::vector<std::string> Entries(const std::string& folder) const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(Path(folder), ec))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string root_;
};

std::string Hex(uint16_t value) { return "0x" + HexText(value, 3); }

std::string BoardAddressList() {
  std::string list;
  for (uint16_t a : PpdevPort::kBoardAddresses) list += (list.empty() ? "" : ", ") + Hex(a);
  return list;
}

// A module counts as present when it is loaded, built in (it then still has
// its /sys/module folder when it has parameters) or has made the device
// class it provides.
bool ModulePresent(const SystemTree& tree, const std::string& name, const std::string& classFolder) {
  if (auto modules = tree.Read("/proc/modules")) {
    std::istringstream in(*modules);
    for (std::string line; std::getline(in, line);)
      if (line.compare(0, name.size() + 1, name + " ") == 0) return true;
  }
  return tree.Exists("/sys/module/" + name) || (!classFolder.empty() && tree.Exists(classFolder));
}

// The module behind a parport device name: "lp", "plip0" -> "plip", "ppdev0" -> "ppdev".
std::string ModuleOfHolder(std::string holder) {
  while (!holder.empty() && (IsDigit(holder.back()) || holder.back() == '.'))
    holder.pop_back();
  return holder;
}

// The access finding for a node that exists: "/dev/i2c-1, <what> (crw-rw---- root i2c): ...".
Check AccessCheck(const NodeInfo& node, const std::string& what, const UserIdentity& user,
                  const AccountNames& names, const NodeRule& rule) {
  const std::string subject = node.path + (what.empty() ? "" : ", " + what) + " (" + node.modeText + " " +
                              node.owner + " " + node.group + "): ";
  if (node.userMayOpen) return {Mark::Ok, subject + "you may open it.", {}};
  AccessFix fix = FixAccess(node, user, names, rule);
  return {Mark::Problem, subject + "you (" + user.name + ") may not open it: " + fix.why + ".",
          std::move(fix.commands)};
}

// Asks for the pager on the way --port `port` opens (`device`, below the
// root, is what the probe opens); the finding says what it found.
PagerFound AskForPager(const DiagnosticsSetup& setup, const std::string& port, const std::string& probed,
                       DiagnosticsReport& report, Section& section) {
  const ProbeOutcome outcome = setup.pagerProbe(probed);
  if (outcome.answered) {
    section.checks.push_back({Mark::Ok, "A pager answers on --port " + port + ".", {}});
    if (!report.pagerPort) report.pagerPort = port;
    return PagerFound::Answered;
  }
  if (!outcome.detail.empty()) {
    section.checks.push_back({Mark::Problem, "No pager can be asked on --port " + port + ": " + outcome.detail, {}});
    return PagerFound::NotRun;
  }
  section.checks.push_back({Mark::Problem,
                            "No pager answers on --port " + port +
                                ": check that a pager sits in the socket, that it has power, and the wiring "
                                "(SDA, SCL, ground, pull-ups).",
                            {}});
  return PagerFound::Silent;
}

// The port as --port names it, with its device below the diagnosed root
// for the probe.
std::string Probed(const SystemTree& tree, const std::string& prefix, const std::string& device) {
  return prefix + tree.Path(device);
}

void DiagnoseParport(const SystemTree& tree, const DiagnosticsSetup& setup, const AccountNames& names,
                     const std::vector<PpdevPort::Mapping>& mappings, ParportInfo& port, DiagnosticsReport& report,
                     Section& section) {
  const std::string proc = "/proc/sys/dev/parport/" + port.name;
  port.node = InspectNode(setup.root, port.device, setup.user, names);
  if (!port.node.exists)
    section.checks.push_back({Mark::Problem,
                              port.device + " does not exist: the ppdev module makes it.",
                              LoadModule("ppdev")});
  else
    section.checks.push_back(AccessCheck(port.node, "", setup.user, names, kParportRule));

  uint16_t base = 0;
  if (auto text = tree.Read(proc + "/base-addr"); text && PpdevPort::ParseBaseAddr(*text, base))
    port.base = base;
  for (const auto& m : mappings)
    if (m.device == port.device) port.boardAddress = m.base;
  const std::string named = "--port ppdev:" + port.device;
  if (!port.base) {
    section.checks.push_back(
        {Mark::Note,
         "Base address unknown (" + proc + "/base-addr is missing); name the port: " + named + ".",
         {}});
  } else if (port.boardAddress) {
    section.checks.push_back({Mark::Ok,
                              "Base address " + Hex(*port.base) + ": the board address " +
                                  Hex(*port.boardAddress) + ", where --port ppdev looks.",
                              {}});
  } else {
    auto other =
        std::find_if(mappings.begin(), mappings.end(), [&](const auto& m) { return m.base == *port.base; });
    if (other != mappings.end())
      section.checks.push_back({Mark::Note,
                                "Base address " + Hex(*port.base) + ", which " + other->device +
                                    " serves already; name this port: " + named + ".",
                                {}});
    else
      section.checks.push_back({Mark::Note,
                                "Base address " + Hex(*port.base) + " is none of the board addresses " +
                                    BoardAddressList() +
                                    " (a PCIe or ExpressCard port): --port ppdev does not look here; "
                                    "name the port: " +
                                    named + ".",
                                {}});
  }

  std::string notAsked;
  if (!port.node.exists)
    notAsked = port.device + " is missing";
  else if (!port.node.userMayOpen)
    notAsked = "you may not open " + port.device;
  if (auto holder = tree.Read(proc + "/devices/active")) {
    port.holder = *holder;
    const std::string module = ModuleOfHolder(port.holder);
    if (port.holder == "none") {
      section.checks.push_back({Mark::Ok, "No driver holds it.", {}});
    } else if (module == "ppdev") {
      // Claiming it now would wait until that program lets go.
      section.checks.push_back({Mark::Problem,
                                "Another program holds it through ppdev (" + port.holder +
                                    "); close that program (fuser names it).",
                                {"fuser -v " + port.device}});
      if (notAsked.empty()) notAsked = "another program holds it";
    } else {
      section.checks.push_back(
          {Mark::Problem,
           "The " + module +
               " driver holds it. Unload it, and keep it from coming back with a modprobe "
               "blacklist line:",
           {"sudo rmmod " + module,
            "echo \"blacklist " + module + "\" | sudo tee /etc/modprobe.d/blacklist-" + module + ".conf"}});
      if (notAsked.empty()) notAsked = "the " + module + " driver holds it";
    }
  } else {
    section.checks.push_back(
        {Mark::Note, "Which driver holds it is unknown (" + proc + "/devices/active is missing).", {}});
  }

  if (!setup.probe) return;
  if (!notAsked.empty()) {
    section.checks.push_back({Mark::Note, "Not asked for the board: " + notAsked + ".", {}});
    return;
  }
  const ProbeOutcome outcome = setup.probe(tree.Path(port.device));
  port.probe = outcome.answered ? ParportInfo::Probe::Answered : ParportInfo::Probe::Silent;
  port.probeDetail = outcome.detail;
  if (outcome.answered) {
    section.checks.push_back({Mark::Ok, "A board answers.", {}});
    if (setup.pagerProbe)
      AskForPager(setup, "ppdev:" + port.device, Probed(tree, "ppdev:", port.device), report, section);
  } else if (!outcome.detail.empty())
    section.checks.push_back({Mark::Problem, "No board answers: " + outcome.detail, {}});
  else
    section.checks.push_back(
        {Mark::Problem,
         "No board answers: check that the board's cable sits in this port, that the board "
         "has power and that a pager sits in it.",
         {}});
}

void DiagnoseNoParport(const SystemTree& tree, const DiagnosticsReport& report, const DiagnosticsSetup& setup,
                       Section& section) {
  Check none{Mark::Problem, "No parallel port: the kernel lists none.", {}};
  for (const auto& [module, loaded] : {std::pair{"parport_pc", report.parportPcLoaded}, std::pair{"ppdev", report.ppdevLoaded}})
    if (!loaded)
      for (std::string& fix : LoadModule(module)) none.fixes.push_back(std::move(fix));
  if (none.fixes.empty())
    none.text += " parport_pc and ppdev are loaded, so the machine has no port they know.";
  none.text +=
      " A PCIe or ExpressCard parallel card shows up as /dev/parportN once parport_pc and ppdev are loaded; "
      "then start with --port ppdev:/dev/parportN.";
  section.checks.push_back(std::move(none));
  for (const auto& name : tree.Numbered("/dev/usb", "lp"))
    section.checks.push_back({Mark::Note,
                              "/dev/usb/" + name +
                                  " is a USB printer cable: it cannot drive the board, which needs "
                                  "a real parallel port.",
                              {}});
  if (setup.otherTransports)
    section.checks.push_back(
        {Mark::Note, "An I2C adapter or a CH341A USB adapter is another way to the pager: see below.", {}});
}

void DiagnoseI2c(const SystemTree& tree, const DiagnosticsSetup& setup, const AccountNames& names,
                 DiagnosticsReport& report, Section& section) {
  if (!report.i2cDevLoaded)
    section.checks.push_back({Mark::Note,
                              "The i2c-dev module is not loaded: without it there is no /dev/i2c-N.",
                              LoadModule("i2c-dev")});
  std::vector<std::string> lastFixes;
  for (const auto& name : tree.Numbered("/dev", "i2c-")) {
    I2cAdapterInfo adapter;
    adapter.device = "/dev/" + name;
    adapter.name =
        tree.Read("/sys/class/i2c-dev/" + name + "/name")
            .value_or(tree.Read("/sys/bus/i2c/devices/" + name + "/name").value_or("unnamed adapter"));
    adapter.node = InspectNode(setup.root, adapter.device, setup.user, names);
    Check check = AccessCheck(adapter.node, adapter.name, setup.user, names, kI2cRule);
    const bool mayOpen = check.mark == Mark::Ok;
    if (mayOpen && !setup.pagerProbe) check.text += " Use it with --port i2c:" + adapter.device + ".";
    // Adapters usually share one group and mode: their fix is given once.
    if (!check.fixes.empty() && check.fixes == lastFixes) {
      check.text += " The commands above fix it too.";
      check.fixes.clear();
    } else if (!check.fixes.empty()) {
      lastFixes = check.fixes;
    }
    section.checks.push_back(std::move(check));
    if (mayOpen && setup.pagerProbe)
      adapter.pager = AskForPager(setup, "i2c:" + adapter.device, Probed(tree, "i2c:", adapter.device), report, section);
    report.i2cAdapters.push_back(std::move(adapter));
  }
  if (report.i2cAdapters.empty() && report.i2cDevLoaded)
    section.checks.push_back({Mark::Note, "No I2C adapter.", {}});
}

void DiagnoseCh341(const SystemTree& tree, const DiagnosticsSetup& setup, const AccountNames& names,
                   DiagnosticsReport& report, Section& section) {
  for (const auto& sysName : tree.Entries("/sys/bus/usb/devices")) {
    const std::string dir = "/sys/bus/usb/devices/" + sysName;
    if (tree.Read(dir + "/idVendor") != udev::kCh341VendorText ||
        tree.Read(dir + "/idProduct") != udev::kCh341ProductText)
      continue;
    UsbAdapterInfo adapter;
    adapter.sysName = sysName;
    const auto bus = tree.Read(dir + "/busnum");
    const auto address = tree.Read(dir + "/devnum");
    adapter.bus = bus ? static_cast<int>(LeadingDigits(*bus, INT32_MAX)) : 0;
    adapter.address = address ? static_cast<int>(LeadingDigits(*address, INT32_MAX)) : 0;
    const std::string what = "CH341A at USB " + sysName;
    if (adapter.bus <= 0 || adapter.address <= 0) {
      section.checks.push_back({Mark::Note, what + ": its bus and device numbers are unreadable.", {}});
      report.ch341Adapters.push_back(std::move(adapter));
      continue;
    }
    char node[64];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", adapter.bus, adapter.address);
    adapter.node = InspectNode(setup.root, node, setup.user, names);
    if (!adapter.node.exists)
      section.checks.push_back({Mark::Note, what + ": " + node + " does not exist (udev makes it).", {}});
    else {
      Check check = AccessCheck(adapter.node, what, setup.user, names, kCh341Rule);
      const bool mayOpen = check.mark == Mark::Ok;
      if (mayOpen && !setup.pagerProbe) check.text += " Use it with --port ch341:" + sysName + ".";
      section.checks.push_back(std::move(check));
      if (mayOpen && setup.pagerProbe)
        adapter.pager = AskForPager(setup, "ch341:" + sysName, "ch341:" + sysName, report, section);
    }
    report.ch341Adapters.push_back(std::move(adapter));
  }
  if (report.ch341Adapters.empty()) {
    const std::string id = std::string(udev::kCh341VendorText) + ":" + udev::kCh341ProductText;
    section.checks.push_back({Mark::Note, "None connected (USB ID " + id + ").", {}});
  }
}

}  // namespace

std::string ActiveLockdown(const std::string& text) {
  const auto open = text.find('[');
  const auto close = text.find(']', open == std::string::npos ? 0 : open);
  if (open == std::string::npos || close == std::string::npos) return "";
  return text.substr(open + 1, close - open - 1);
}

DiagnosticsReport Diagnose(const DiagnosticsSetup& setup) {
  const SystemTree tree(setup.root);
  const AccountNames names(setup.root);
  DiagnosticsReport report;
  report.ppdevLoaded = ModulePresent(tree, "ppdev", "/sys/class/ppdev");
  report.parportPcLoaded = ModulePresent(tree, "parport_pc", "");
  report.i2cDevLoaded = ModulePresent(tree, "i2c_dev", "/sys/class/i2c-dev");
  report.lockdown = ActiveLockdown(tree.Read("/sys/kernel/security/lockdown").value_or(""));

  // The ports the kernel lists, in either place.
  std::vector<std::string> portNames = tree.Numbered("/sys/class/parport", "parport");
  for (auto& name : tree.Numbered("/proc/sys/dev/parport", "parport"))
    if (std::find(portNames.begin(), portNames.end(), name) == portNames.end()) portNames.push_back(name);
  std::sort(portNames.begin(), portNames.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  // The mapping the programs use, so the report says what they will do.
  const std::vector<PpdevPort::Mapping> mappings =
      PpdevPort::FromSystem(nullptr, tree.Path("/proc/sys/dev/parport"), "/dev").mappings();

  for (const auto& name : portNames) {
    ParportInfo port;
    port.name = name;
    port.device = "/dev/" + name;
    Section section{"Parallel port " + name, {}};
    DiagnoseParport(tree, setup, names, mappings, port, report, section);
    if (port.probe == ParportInfo::Probe::Answered && !report.boardDevice) {
      report.boardDevice = port.device;
      report.portOption = port.boardAddress ? "--port ppdev" : "--port ppdev:" + port.device;
    }
    report.parports.push_back(std::move(port));
    report.sections.push_back(std::move(section));
  }
  if (portNames.empty()) {
    Section section{"Parallel ports", {}};
    DiagnoseNoParport(tree, report, setup, section);
    report.sections.push_back(std::move(section));
  }

  Section modules{"Kernel modules", {}};
  if (report.ppdevLoaded)
    modules.checks.push_back({Mark::Ok, "ppdev is loaded.", {}});
  else
    modules.checks.push_back({Mark::Problem,
                              "ppdev is not loaded: without it there is no /dev/parportN.",
                              LoadModule("ppdev")});
  if (report.parportPcLoaded)
    modules.checks.push_back({Mark::Ok, "parport_pc is loaded.", {}});
  else if (portNames.empty())
    modules.checks.push_back({Mark::Problem,
                              "parport_pc is not loaded: it finds the machine's parallel ports.",
                              LoadModule("parport_pc")});
  else
    modules.checks.push_back(
        {Mark::Note, "parport_pc is not loaded; another driver provides the ports.", {}});
  report.sections.push_back(std::move(modules));

  Section lockdown{"Kernel lockdown", {}};
  if (report.lockdown == "integrity" || report.lockdown == "confidentiality")
    lockdown.checks.push_back({Mark::Note,
                               "Lockdown " + report.lockdown +
                                   ": --port raw cannot work, the kernel refuses the port access "
                                   "(ioperm) it needs. --port ppdev works.",
                               {}});
  else
    lockdown.checks.push_back({Mark::Ok,
                               report.lockdown.empty()
                                   ? "No lockdown reported (/sys/kernel/security/lockdown is absent)."
                                   : "Lockdown " + report.lockdown + ".",
                               {}});
  report.sections.push_back(std::move(lockdown));

  if (setup.otherTransports) {
    Section i2c{"I2C adapters", {}};
    DiagnoseI2c(tree, setup, names, report, i2c);
    report.sections.push_back(std::move(i2c));
    Section ch341{"CH341A USB adapters", {}};
    DiagnoseCh341(tree, setup, names, report, ch341);
    report.sections.push_back(std::move(ch341));
  }
  // A pager reached through an adapter makes the parallel port one way of
  // several: what keeps it from working is worth knowing, no longer a problem.
  if (report.pagerPort && report.pagerPort->rfind("ppdev", 0) != 0 && !report.BoardAnswered())
    for (Section& section : report.sections)
      if (section.title.rfind("Parallel port", 0) == 0 || section.title == "Kernel modules")
        for (Check& check : section.checks)
          if (check.mark == Mark::Problem) check.mark = Mark::Note;
  return report;
}

}  // namespace qrt
