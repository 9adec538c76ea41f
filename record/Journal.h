#pragma once
// The station's journal: records that could not be stored in the production
// record (the database was away when a pager had been verified) wait here,
// one file per record, until a later run that reaches that record stores
// them. An entry is made durable (the file and its folder synced) before the
// operator is told anything, names the record it belongs to (never with a
// password), and is readable by its owner only.
//
//   $XDG_DATA_HOME/qrt35/journal/            0700
//   $XDG_DATA_HOME/qrt35/journal/ID.json     0600, ID the transfer's id
#include <string>
#include <vector>

#include "record/Allocation.h"
#include "record/Record.h"

namespace qrt::production {

enum class JournalKind {
  Commit,  // a verified pager with reserved capcodes: they become its own
  Fail,    // a failed pager with reserved capcodes: released or in doubt
  Record,  // a transfer without reserved capcodes
};

struct JournalEntry {
  JournalKind kind = JournalKind::Record;
  std::string identity;  // the record's identity (see ProductionStore::Identity)
  std::string database;  // the record's name, for the operator
  std::string time;      // when it happened, on the record's clock as last measured (UTC)
  std::string station, user;
  Reservation reservation;           // Commit and Fail
  std::vector<uint32_t> released;    // Fail: the capcodes no pager holds
  ProductionRecord record;           // with its transferId
  std::string path;                  // where the entry lies (set by Write and Entries)
};

// The folder of the station's journal; empty when there is no data folder.
std::string DefaultJournalFolder();

class Journal {
 public:
  // `folder` empty: DefaultJournalFolder().
  explicit Journal(std::string folder = {});
  const std::string& folder() const { return folder_; }

  // Stores the entry durably; empty on success (entry.path then says
  // where), otherwise why it could not be kept.
  std::string Write(JournalEntry& entry) const;
  // Every entry waiting, oldest first. A file that cannot be read is named
  // in `problems` and left where it is.
  std::vector<JournalEntry> Entries(std::vector<std::string>* problems = nullptr) const;
  // Removes a stored entry (durably); empty on success.
  std::string Remove(const JournalEntry& entry) const;

 private:
  std::string folder_;
};

}  // namespace qrt::production
