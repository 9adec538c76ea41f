#include "diagnostics/Diagnostics.h"
#include "base/Messages.h"
#include "link/PagerLink.h"
#include "link/PpdevPort.h"
#include "ports/Connection.h"

namespace qrt {

ProbeOutcome ProbeWithLink(PortIo& port, Clock& clock, uint16_t address) {
  RecordingMessages messages;
  PagerLink link(port, clock, messages);
  // The probe's STOPs write through PortBase, as during board detection.
  link.PortBase = address;
  link.PortStatus = static_cast<uint16_t>(address + 1);
  ProbeOutcome outcome;
  outcome.answered = link.ProbePort(address);
  if (!messages.log.empty()) outcome.detail = messages.log.front().text;
  return outcome;
}

BoardProbe PpdevProbe(Clock& clock) {
  return [&clock](const std::string& path) {
    RecordingMessages messages;
    PpdevPort port = PpdevPort::Direct(path, &messages);
    ProbeOutcome outcome = ProbeWithLink(port, clock, PpdevPort::kBoardAddresses[0]);
    // A port that cannot be opened or claimed reads all ones: say why
    // instead of blaming the board.
    if (!messages.log.empty()) {
      outcome.answered = false;
      outcome.detail = messages.log.front().text;
    }
    return outcome;
  };
}

}  // namespace qrt

namespace qrt {

PagerProbe PagerProbeOnPorts(Clock& clock) {
  return [&clock](const std::string& port) {
    RecordingMessages messages;
    Connection connection(clock, messages);
    const Connection::Opened opened = connection.Open(ConnectionOptions(port));
    ProbeOutcome outcome;
    if (!opened.ok) {
      outcome.detail = opened.error;
      return outcome;
    }
    PagerTransport& transport = connection.transport();
    if (!transport.DetectBoard()) {
      // Not there (unplugged since it was listed), or there and unusable.
      const std::string& shown = transport.detectionMessage();
      outcome.detail = shown.rfind(kMsgBoardNotResponding, 0) == 0 ? "the adapter does not answer." : shown;
      return outcome;
    }
    outcome.answered = transport.PagerAnswers();
    return outcome;
  };
}

DiagnosticsReport DiagnoseThisMachine(Clock& clock) {
  DiagnosticsSetup setup;
  setup.root = "/";
  setup.user = UserIdentity::FromProcess();
  setup.probe = PpdevProbe(clock);
  setup.pagerProbe = PagerProbeOnPorts(clock);
  return Diagnose(setup);
}

}  // namespace qrt
