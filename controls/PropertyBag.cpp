#include "controls/PropertyBag.h"

namespace qrt {
namespace {

// A stored value of another type than the one asked for (form data written by
// a different kind of control) counts as missing.
template <typename T, typename Map>
T ReadAs(const Map& values, std::string_view key, const T& defaultValue) {
  const auto it = values.find(key);
  if (it == values.end()) return defaultValue;
  if (const T* v = std::get_if<T>(&it->second)) return *v;
  return defaultValue;
}

template <typename T, typename Map>
void WriteAs(Map& values, std::string_view key, const T& value, const T& defaultValue) {
  if (value == defaultValue) {
    if (const auto it = values.find(key); it != values.end()) values.erase(it);
    return;
  }
  values.insert_or_assign(std::string(key), value);
}

}  // namespace

int64_t PropertyBag::ReadInt(std::string_view key, int64_t defaultValue) const {
  return ReadAs(values_, key, defaultValue);
}

std::string PropertyBag::ReadText(std::string_view key, const std::string& defaultValue) const {
  return ReadAs(values_, key, defaultValue);
}

FontSpec PropertyBag::ReadFont(std::string_view key, const FontSpec& defaultValue) const {
  return ReadAs(values_, key, defaultValue);
}

void PropertyBag::WriteInt(std::string_view key, int64_t value, int64_t defaultValue) {
  WriteAs(values_, key, value, defaultValue);
}

void PropertyBag::WriteText(std::string_view key, const std::string& value,
                            const std::string& defaultValue) {
  WriteAs(values_, key, value, defaultValue);
}

void PropertyBag::WriteFont(std::string_view key, const FontSpec& value, const FontSpec& defaultValue) {
  WriteAs(values_, key, value, defaultValue);
}

}  // namespace qrt
