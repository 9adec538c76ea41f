#pragma once
// The container's form data for one control: the persisted properties under
// their keys. A property whose value equals its default is never written, so
// a control left at its defaults leaves the bag empty, and reading a key that
// is missing gives the default back.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>

namespace qrt {

// A caption font as the container stores it. Sizes are in points.
struct FontSpec {
  std::string name = "MS Sans Serif";
  double size = 8.25;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeout = false;
  bool operator==(const FontSpec&) const = default;
};

class PropertyBag {
 public:
  using Value = std::variant<int64_t, std::string, FontSpec>;

  int64_t ReadInt(std::string_view key, int64_t defaultValue) const;
  std::string ReadText(std::string_view key, const std::string& defaultValue) const;
  FontSpec ReadFont(std::string_view key, const FontSpec& defaultValue) const;

  // Each Write removes the key when the value equals the default, so that a
  // property set back to its default does not linger in the form data.
  void WriteInt(std::string_view key, int64_t value, int64_t defaultValue);
  void WriteText(std::string_view key, const std::string& value, const std::string& defaultValue);
  void WriteFont(std::string_view key, const FontSpec& value, const FontSpec& defaultValue);

  bool Has(std::string_view key) const { return values_.find(key) != values_.end(); }
  std::size_t Size() const { return values_.size(); }
  const std::map<std::string, Value, std::less<>>& Values() const { return values_; }

 private:
  std::map<std::string, Value, std::less<>> values_;
};

}  // namespace qrt
