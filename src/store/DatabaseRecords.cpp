#include "DatabaseRecords.h"

#include "Constants.h"
#include "Platform.h"
#include "TextFiles.h"

#include <functional>

namespace {
std::uint32_t HashOf(std::string_view key) {
    const size_t h = std::hash<std::string_view>()(key);
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}
} // namespace

size_t TIdTable::SlotOf(std::string_view key, std::uint32_t hash) const {
    const size_t mask = FSlots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const TSlot& slot = FSlots[i];
        if (!slot.Used || (slot.Hash == hash && slot.Key == key))
            return i;
    }
}

void TIdTable::Grow() {
    std::vector<TSlot> old(FSlots.empty() ? 16 : FSlots.size() * 2);
    old.swap(FSlots);
    for (const TSlot& slot : old)
        if (slot.Used)
            FSlots[SlotOf(slot.Key, slot.Hash)] = slot;
}

bool TIdTable::Insert(std::string_view key, std::uint32_t value) {
    // At most half full, so that probes stay short.
    if ((FSize + 1) * 2 > FSlots.size())
        Grow();
    const std::uint32_t hash = HashOf(key);
    TSlot& slot = FSlots[SlotOf(key, hash)];
    if (slot.Used)
        return false;
    slot = {key, hash, value, true};
    ++FSize;
    return true;
}

const std::uint32_t* TIdTable::Find(std::string_view key) const {
    if (FSize == 0)
        return nullptr;
    const TSlot& slot = FSlots[SlotOf(key, HashOf(key))];
    return slot.Used ? &slot.Value : nullptr;
}

std::string_view RecordId(std::string_view line) {
    const size_t hash = line.find('#');
    return hash == std::string_view::npos ? line : line.substr(0, hash);
}

TDatabaseRecords::TDatabaseRecords(const std::string& path, int level) {
    if (!FileExists(path))
        return;
    FBytes = std::make_unique<std::string>(ReadFileBytes(path));
    FExists = true;
    const bool genus = level == GenusLevel;
    bool inSpecies = false; // the lines after a genus record line, up to the block's end
    ForEachLine(*FBytes, [&](std::string_view line) {
        const bool tabbed = !line.empty() && line[0] == '\t';
        if (genus && tabbed) {
            if (inSpecies) {
                FSpecies.push_back(line);
                ++FRecords.back().SpeciesCount;
            }
            return;
        }
        inSpecies = false;
        if (line.empty())
            return;
        FRecords.push_back({line, FSpecies.size(), 0});
        FById.Insert(RecordId(line), static_cast<std::uint32_t>(FRecords.size() - 1)); // the first one wins
        inSpecies = genus;
    });
}

const TDatabaseRecords::TRecord* TDatabaseRecords::Find(std::string_view id) const {
    if (id.empty())
        return nullptr;
    const std::uint32_t* hit = FById.Find(id);
    return hit ? &FRecords[*hit] : nullptr;
}
