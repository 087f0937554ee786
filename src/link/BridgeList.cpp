#include "link/BridgeList.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

std::string listed(FtDriver& driver, std::uint32_t index, std::uint32_t flags) {
    char buffer[kFtListStringSize + 1] = {};
    if (driver.listDeviceByIndex(index, buffer, FT_LIST_BY_INDEX | flags) != FT_OK)
        return {};
    return std::string(buffer, strnlen(buffer, kFtListStringSize));
}

// The better of two ways to one bridge: one the user may open, and of those the kernel's serial
// driver, which needs no rule of its own and no detaching.
bool better(const BridgeDetails& a, const BridgeDetails& b) {
    if (a.accessible != b.accessible)
        return a.accessible;
    return a.route == "kernel serial" && b.route != "kernel serial";
}

} // namespace

void BridgeList::add(std::unique_ptr<FtDriver> source) {
    sources_.push_back(source.get());
    owned_.push_back(std::move(source));
}

void BridgeList::add(FtDriver& source) {
    sources_.push_back(&source);
}

void BridgeList::listSource(FtDriver& source, std::vector<Entry>& into) {
    std::uint32_t count = 0;
    // A driver that cannot list (no USB access, say) must not hide the others' bridges.
    if (source.listDeviceCount(count) != FT_OK)
        return;
    for (std::uint32_t i = 0; i < count; ++i)
        into.push_back({&source, listed(source, i, FT_OPEN_BY_SERIAL_NUMBER),
                        listed(source, i, FT_OPEN_BY_DESCRIPTION), source.deviceDetails(i)});
}

std::vector<BridgeList::Entry> BridgeList::offerEachOnce(std::vector<Entry> all) {
    std::vector<Entry> kept;
    for (Entry& entry : all) {
        const auto same = std::find_if(kept.begin(), kept.end(), [&](const Entry& k) {
            return !entry.details.location.empty() && k.details.location == entry.details.location;
        });
        if (same == kept.end())
            kept.push_back(std::move(entry));
        else if (better(entry.details, same->details))
            *same = std::move(entry);
    }
    return kept;
}

FtStatus BridgeList::listDeviceCount(std::uint32_t& count) {
    std::vector<Entry> all;
    for (FtDriver* source : sources_)
        listSource(*source, all);
    entries_ = offerEachOnce(std::move(all));
    for (const Entry& entry : entries_)
        if (!entry.details.accessible && !entry.details.advice.empty())
            notes_.push_back(entry.description + " (" + entry.serial + "): " + entry.details.advice);
    count = static_cast<std::uint32_t>(entries_.size());
    return FT_OK;
}

FtStatus BridgeList::listDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) {
    if (index >= entries_.size())
        return FT_DEVICE_NOT_FOUND;
    const std::string& text =
        (flags & FT_OPEN_BY_DESCRIPTION) ? entries_[index].description : entries_[index].serial;
    const std::size_t n = std::min<std::size_t>(text.size(), kFtListStringSize - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return FT_OK;
}

BridgeDetails BridgeList::deviceDetails(std::uint32_t index) {
    return index < entries_.size() ? entries_[index].details : BridgeDetails{};
}

const BridgeList::Entry* BridgeList::entryBySerial(const std::string& serial) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        for (const Entry& entry : entries_)
            if (entry.serial == serial)
                return &entry;
        std::uint32_t count = 0;
        listDeviceCount(count); // plugged in since the last listing, perhaps
    }
    return nullptr;
}

FtStatus BridgeList::openBySerialNumber(const char* serial, FtHandle& handle) {
    lastOpened_ = nullptr;
    const Entry* entry = serial ? entryBySerial(serial) : nullptr;
    if (entry == nullptr)
        return FT_DEVICE_NOT_FOUND;
    FtDriver* source = entry->source;
    lastOpened_ = source;
    FtHandle inner = 0;
    const FtStatus status = source->openBySerialNumber(serial, inner);
    if (status != FT_OK)
        return status;
    handle = nextHandle_++;
    handles_[handle] = {source, inner};
    return FT_OK;
}

FtStatus BridgeList::close(FtHandle handle) {
    const FtStatus status = ForwardingDriver::close(handle);
    if (status == FT_OK)
        handles_.erase(handle);
    return status;
}

BridgeList::Target BridgeList::target(FtHandle handle) {
    const auto it = handles_.find(handle);
    return it == handles_.end() ? Target{} : it->second;
}

void BridgeList::setReceiveNotifier(std::function<void()> notify) {
    for (FtDriver* source : sources_)
        source->setReceiveNotifier(notify);
}

std::uint64_t BridgeList::takeDroppedBytes() {
    std::uint64_t dropped = 0;
    for (FtDriver* source : sources_)
        dropped += source->takeDroppedBytes();
    return dropped;
}

std::string BridgeList::openAdvice() {
    return lastOpened_ ? lastOpened_->openAdvice() : std::string();
}

std::vector<std::string> BridgeList::takeNotes() {
    std::vector<std::string> notes = std::exchange(notes_, {});
    for (FtDriver* source : sources_)
        for (std::string& note : source->takeNotes())
            notes.push_back(std::move(note));
    return notes;
}
