// qrt35 log: a production record written through the production library,
// read back through the command line's choice of database, filters and forms.
#include <sstream>

#include "codecs/Capcode.h"
#include "image/Defaults.h"
#include "record/ProductionStore.h"
#include "tests/test_cli_rig.h"

namespace qrt::clitest {
namespace {

using production::Operation;
using production::Outcome;

class CliLog : public CliTest {
 protected:
  // Three operations on the first three days of January 2026 (UTC): a write
  // of capcode 1000 that verified, a write of capcode 2000 that failed, a
  // read of capcode 1000.
  // (The record takes its times from the database's clock; the days are
  // set afterwards, as three days of work would have left them.)
  void Record(const std::string& path) {
    production::StoreOptions options;
    options.station = "station-7";
    auto store = production::ProductionStore::Open(path, options);
    ASSERT_TRUE(store.ok()) << store.error;
    const struct {
      Operation operation;
      Outcome outcome;
      int32_t capcode;
      const char* message;
    } operations[] = {{Operation::Write, Outcome::Ok, 1000, "Verify Success!"},
                      {Operation::Write, Outcome::Failed, 2000, "Write error!"},
                      {Operation::Read, Outcome::Ok, 1000, "Read success!"}};
    for (const auto& o : operations) {
      Image image = BuildDefaultImage();
      StoreCapcode(image, 0, o.capcode);
      image[CapcodeRecordAddress(0)] |= 1;
      production::ProductionRecord r;
      r.port = "sim";
      r.operation = o.operation;
      r.outcome = o.outcome;
      r.message = o.message;
      production::FillFromImage(r, image);
      const auto stored = store.value->Record(r);
      ASSERT_TRUE(stored.ok());
      production::OpenSqlite(path)->Run("UPDATE records SET time_utc = $1 WHERE id = $2",
                                        {"2026-01-0" + std::to_string(stored.value.id) + "T00:00:00.000Z",
                                         stored.value.id});
    }
  }
};

TEST_F(CliLog, ShowsTheRecordNewestFirstThroughEveryFilterAndForm) {
  const std::string db = Path("line.sqlite");
  Record(db);
  // --db names the record even where QRT35_DB names another.
  extraEnvironment = {"QRT35_DB=" + Path("elsewhere.sqlite")};
  const RunResult text = Run({"--db", db, "log"});
  ASSERT_EQ(text.code, 0) << text.err;
  const std::vector<std::string> lines = Lines(text.out);
  ASSERT_EQ(lines.size(), 4u) << text.out;
  EXPECT_EQ(lines[0].rfind("TIME (UTC)", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("2026-01-03 00:00:00  station-7", 0), 0u) << lines[1];
  EXPECT_NE(lines[1].find(" read "), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find("failed"), std::string::npos) << lines[2];
  EXPECT_EQ(lines[3].rfind("2026-01-01", 0), 0u) << lines[3];
  EXPECT_EQ(Run({"--db", db, "log", "--since", "2026-01-02"}).out, lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n");
  EXPECT_FALSE(fs::exists(Path("elsewhere.sqlite")));

  // Without --db, QRT35_DB names it.
  extraEnvironment = {"QRT35_DB=" + db};
  const RunResult json = Run({"log", "--json", "--capcode", "1000"});
  ASSERT_EQ(json.code, 0) << json.err;
  const Json records = ParseJson(json.out);
  ASSERT_EQ(records.size(), 2u) << json.out;
  EXPECT_EQ(records.at(0).at("operation"), "read");
  EXPECT_EQ(records.at(1).at("operation"), "write");
  for (const Json& r : records) EXPECT_EQ(r.at("capcodes").at(0).at("capcode"), 1000) << r;

  const RunResult csv = Run({"log", "--csv", "--outcome", "failed"});
  ASSERT_EQ(csv.code, 0) << csv.err;
  const std::vector<std::string> rows = Lines(csv.out);
  ASSERT_EQ(rows.size(), 2u) << csv.out;
  EXPECT_EQ(rows[0].rfind("id,time_utc,station,", 0), 0u) << rows[0];
  EXPECT_NE(rows[1].find(",write,failed,Write error!,"), std::string::npos) << rows[1];
  EXPECT_NE(rows[1].find(",2000,on,"), std::string::npos) << rows[1];
  EXPECT_EQ(rows[1].back(), '\r');
}

TEST_F(CliLog, ARecordThatCannotBeOpenedIsRefusedAndNoneIsCreated) {
  // A --db path that does not exist (a typing error) is not made into an
  // empty record.
  const RunResult missing = Run({"--db", Path("typo.sqlite"), "log"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("Could not open the production record " + Path("typo.sqlite")), std::string::npos)
      << missing.err;
  EXPECT_TRUE(missing.out.empty());
  EXPECT_FALSE(fs::exists(Path("typo.sqlite")));

  Spill(Path("notes.sqlite"), "not a database, but notes worth keeping\n");
  const RunResult foreign = Run({"--db", Path("notes.sqlite"), "log"});
  EXPECT_EQ(foreign.code, 1);
  EXPECT_NE(foreign.err.find("Could not open the production record " + Path("notes.sqlite")), std::string::npos)
      << foreign.err;
  EXPECT_EQ(Slurp(Path("notes.sqlite")), "not a database, but notes worth keeping\n");

  // The station's own record, before anything was recorded: an empty log.
  const RunResult none = Run({"log", "--json"});
  EXPECT_EQ(none.code, 0) << none.err;
  EXPECT_EQ(ParseJson(none.out), Json::array());
  EXPECT_FALSE(fs::exists(dir / "data" / "qrt35" / "production.sqlite"));
}

}  // namespace
}  // namespace qrt::clitest
