#include "cli/TestMoments.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <thread>

#include "transfer/PagerTransfer.h"

namespace qrt::cli {
namespace {

constexpr int kPastAddress = 0x100;
constexpr auto kLongestHold = std::chrono::minutes(1);

std::optional<TestMoments::Moment> MomentNamed(const std::string& name) {
  if (name == "read") return TestMoments::Moment::Read;
  if (name == "write") return TestMoments::Moment::Write;
  if (name == "verify") return TestMoments::Moment::Verify;
  if (name == "commit") return TestMoments::Moment::Commit;
  return std::nullopt;
}

// "MOMENT:REST" of a variable, or nothing.
std::optional<std::pair<TestMoments::Moment, std::string>> Setting(const char* variable) {
  const char* value = std::getenv(variable);
  if (!value) return std::nullopt;
  const std::string text = value;
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const auto moment = MomentNamed(text.substr(0, colon));
  if (!moment) return std::nullopt;
  return std::make_pair(*moment, text.substr(colon + 1));
}

}  // namespace

std::unique_ptr<TestMoments> TestMoments::ForPort(const std::string& port) {
  if (port != "sim" && port.rfind("sim:", 0) != 0) return nullptr;
  const auto hold = Setting("QRT35_TEST_HOLD");
  const auto fail = Setting("QRT35_TEST_THROW");
  const bool throwHere = fail && fail->second == port;
  if (!hold && !throwHere) return nullptr;
  auto moments = std::make_unique<TestMoments>();
  if (hold) {
    moments->hold_ = true;
    moments->holdAt_ = hold->first;
    moments->holdDir_ = hold->second;
  }
  if (throwHere) {
    moments->throw_ = true;
    moments->throwAt_ = fail->first;
  }
  return moments;
}

void TestMoments::Changed(const std::string& label, int value) {
  if (value < kPastAddress) return;
  if (label.rfind("Reading", 0) == 0) Reached(Moment::Read);
  if (label.rfind("Writing", 0) == 0) Reached(Moment::Write);
  if (label.rfind("Verifying", 0) == 0) Reached(Moment::Verify);
}

TransferRecord TestMoments::AfterTransfer(const TransferFacts& facts) {
  const bool wrote = facts.kind != TransferKind::Read && facts.kind != TransferKind::Verify;
  if (wrote && facts.result && facts.result->succeeded()) Reached(Moment::Commit);
  return inner_->AfterTransfer(facts);
}

void TestMoments::Reached(Moment moment) {
  if (!passed_.insert(moment).second) return;  // the first pager's only
  if (throw_ && moment == throwAt_) throw std::runtime_error("a fault the test asked for (QRT35_TEST_THROW)");
  if (!hold_ || moment != holdAt_) return;
  const std::filesystem::path marker = std::filesystem::path(holdDir_) / ("held-" + std::to_string(pager_));
  std::ofstream(marker).put('\n');
  const auto until = std::chrono::steady_clock::now() + kLongestHold;
  std::error_code ec;
  while (std::filesystem::exists(marker, ec) && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

}  // namespace qrt::cli
