#include "platform/fakes/MemoryRegistry.h"

namespace tavik {

namespace {

std::string foldAscii(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

MemoryRegistry::Slot MemoryRegistry::slotOf(RegRoot root, const std::string& key,
                                            const std::string& name) {
    return {root, foldAscii(key), foldAscii(name)};
}

std::optional<RegValue> MemoryRegistry::readValue(RegRoot root, const std::string& key,
                                                  const std::string& name) {
    auto found = lookupValue(root, key, name);
    if (found.status != RegLookup::Status::Found) return std::nullopt;
    return found.value;
}

RegLookup MemoryRegistry::lookupValue(RegRoot root, const std::string& key, const std::string& name) {
    reads.push_back({root, key, name});
    if (unreadable) return {RegLookup::Status::Unreadable, {}};
    const auto found = values_.find(slotOf(root, key, name));
    if (found == values_.end()) return {};
    return {RegLookup::Status::Found, found->second.value};
}

bool MemoryRegistry::writeValue(RegRoot root, const std::string& key, const std::string& name,
                                const RegValue& value) {
    ++writeCalls;
    if (failWrites || unreadable) return false;
    const auto slot = slotOf(root, key, name);
    const auto found = values_.find(slot);
    if (found != values_.end()) {
        found->second.value = value;
    } else {
        values_.emplace(slot, Entry{root, key, name, value});
    }
    return true;
}

std::vector<MemoryRegistry::Entry> MemoryRegistry::entries() const {
    std::vector<Entry> out;
    out.reserve(values_.size());
    for (const auto& [slot, entry] : values_) out.push_back(entry);
    return out;
}

}  // namespace tavik
