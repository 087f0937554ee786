#pragma once

#include "link/ForwardingDriver.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// One list of bridges made of several drivers' lists: the virtual pedal (in demo mode), the
// direct driver's bridges, the kernel's serial ports and a port named by path, in that order. A
// bridge that two drivers can reach (the direct driver and the kernel's serial driver see the
// same USB device) is offered once, by the way the user may open as things stand, the one that
// needs no extra permission first. Each open gets a handle of the list's own, mapped to the
// driver that opened the bridge and its handle there.
class BridgeList : public ForwardingDriver {
public:
    // Sources are listed in the order they are added.
    void add(std::unique_ptr<FtDriver> source);
    void add(FtDriver& source);

    FtStatus listDeviceCount(std::uint32_t& count) override;
    FtStatus listDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) override;
    FtStatus openBySerialNumber(const char* serial, FtHandle& handle) override;
    FtStatus close(FtHandle handle) override;
    void setReceiveNotifier(std::function<void()> notify) override;
    std::uint64_t takeDroppedBytes() override;
    BridgeDetails deviceDetails(std::uint32_t index) override;
    std::string openAdvice() override;
    std::vector<std::string> takeNotes() override;

protected:
    Target target(FtHandle handle) override;

private:
    struct Entry {
        FtDriver* source;
        std::string serial;
        std::string description;
        BridgeDetails details;
    };
    void listSource(FtDriver& source, std::vector<Entry>& into);
    static std::vector<Entry> offerEachOnce(std::vector<Entry> all);
    const Entry* entryBySerial(const std::string& serial);

    std::vector<FtDriver*> sources_;
    std::vector<std::unique_ptr<FtDriver>> owned_;
    std::vector<Entry> entries_;
    std::map<FtHandle, Target> handles_;
    FtHandle nextHandle_ = 1;
    FtDriver* lastOpened_ = nullptr;
    std::vector<std::string> notes_;
};
