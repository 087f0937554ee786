#include "base/ConsoleLog.h"
#include "link/BridgeList.h"
#include "link/Bridges.h"
#include "link/D2XXUnit.h"
#include "link/tty/SysfsBridges.h"
#include "link/tty/TtyDriver.h"
#include "support/FakeFtDriver.h"
#include "support/ScriptedServices.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A sysfs tree as the kernel lays it out for USB serial ports, in a folder of the test's own.
struct FakeSysfs {
    QTemporaryDir dir;
    fs::path root{dir.path().toStdString()};

    struct Usb {
        std::string name; // the USB device's folder, such as 1-2
        std::string vendor, product, serial, description, busnum, devnum;
    };

    static void write(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text << "\n";
    }
    // A terminal `tty` on the first interface of a USB device; empty fields are left out.
    void add(const std::string& tty, const Usb& usb, bool latencyTimer = true) {
        const fs::path device = root / "sys/devices/pci0000:00/usb1" / usb.name;
        const std::pair<const char*, const std::string*> attributes[] = {
            {"idVendor", &usb.vendor},     {"idProduct", &usb.product}, {"serial", &usb.serial},
            {"product", &usb.description}, {"busnum", &usb.busnum},     {"devnum", &usb.devnum}};
        for (const auto& [file, value] : attributes)
            if (!value->empty())
                write(device / file, *value);
        const fs::path port = device / (usb.name + ":1.0") / tty;
        fs::create_directories(port / "tty" / tty);
        if (latencyTimer)
            write(port / "latency_timer", "16");
        fs::create_directories(root / "sys/class/tty" / tty);
        fs::create_symlink(port, root / "sys/class/tty" / tty / "device");
        write(root / "dev" / tty, "");
    }
    std::string sys() const { return (root / "sys").string(); }
    std::string dev() const { return (root / "dev").string(); }
};

TEST(SysfsBridges, ListsTheFtXBridgesTheKernelHasBound) {
    FakeSysfs sysfs;
    sysfs.add("ttyUSB10", {"1-4", "0403", "6015", "", "FT230X Basic UART", "1", "9"});
    sysfs.add("ttyUSB0", {"1-2", "0403", "6015", "DQ01ABCD", "FT230X Basic UART", "1", "5"});
    sysfs.add("ttyUSB1", {"1-3", "0403", "6001", "A9XYZ", "FT232R USB UART", "1", "7"}); // not an FT-X
    sysfs.add("ttyACM0", {"1-6", "2341", "0043", "7563", "Arduino Uno", "1", "8"});
    fs::create_directories(sysfs.root / "sys/class/tty/ttyS0"); // no device behind it
    const std::vector<KernelBridge> bridges = listKernelBridges(sysfs.sys(), sysfs.dev());
    ASSERT_EQ(bridges.size(), 2u);
    EXPECT_EQ(bridges[0].device, sysfs.dev() + "/ttyUSB0");
    EXPECT_EQ(bridges[0].serial, "DQ01ABCD");
    EXPECT_EQ(bridges[0].description, "FT230X Basic UART");
    EXPECT_EQ(bridges[0].location, "1-5");
    EXPECT_TRUE(bridges[0].latencyTimer.ends_with("ttyUSB0/latency_timer"));
    // A bridge without a serial number can still be opened: by its terminal.
    EXPECT_EQ(bridges[1].device, sysfs.dev() + "/ttyUSB10");
    EXPECT_EQ(bridges[1].serial, bridges[1].device);
    EXPECT_TRUE(listKernelBridges((sysfs.root / "nothing").string(), sysfs.dev()).empty());
}

TEST(SysfsBridges, APortTheUserMayNotOpenIsListedWithWhatToDo) {
    FakeSysfs sysfs;
    sysfs.add("ttyUSB0", {"1-2", "0403", "6015", "DQ01ABCD", "FT230X Basic UART", "1", "5"});
    const std::string device = sysfs.dev() + "/ttyUSB0";
    const group* dialout = getgrnam("dialout");
    if (dialout) {
        ASSERT_EQ(chown(device.c_str(), static_cast<uid_t>(-1), dialout->gr_gid), 0);
    }
    chmod(device.c_str(), 0);
    auto driver = TtyDriver::kernelBridges(sysfs.sys(), sysfs.dev());
    std::uint32_t count = 0;
    ASSERT_EQ(driver->listDeviceCount(count), FT_OK);
    ASSERT_EQ(count, 1u);
    const BridgeDetails details = driver->deviceDetails(0);
    EXPECT_EQ(details.route, "kernel serial");
    EXPECT_EQ(details.location, "1-5");
    if (geteuid() != 0) { // root may open anything
        EXPECT_FALSE(details.accessible);
    }
    const std::string advice = TtyDriver::permissionAdvice(device);
    if (dialout) {
        EXPECT_NE(advice.find("sudo usermod -aG dialout"), std::string::npos) << advice;
    }
    EXPECT_NE(advice.find("packaging/70-tarvo-max.rules"), std::string::npos) << advice;
}

// Two drivers that see the same USB device, and a named port.
struct ListFixture : ::testing::Test {
    FakeFtDriver* direct = nullptr;
    FakeFtDriver* kernel = nullptr;
    FakeFtDriver* named = nullptr;
    BridgeList list;

    void SetUp() override {
        auto d = std::make_unique<FakeFtDriver>();
        auto k = std::make_unique<FakeFtDriver>();
        auto n = std::make_unique<FakeFtDriver>();
        direct = d.get();
        kernel = k.get();
        named = n.get();
        direct->bridges = {{"DQ01", "FT230X Basic UART"}, {"DQ02", "Bench Rig"}};
        direct->details = {{0, {"direct", "1-5", true, {}}}, {1, {"direct", "1-6", true, {}}}};
        kernel->bridges = {{"DQ01", "FT230X Basic UART"}};
        kernel->details = {{0, {"kernel serial", "1-5", true, {}}}};
        named->bridges = {{"/dev/pts/7", "Tarvo Max on /dev/pts/7"}};
        named->details = {{0, {"named port", "", true, {}}}};
        list.add(std::move(d));
        list.add(std::move(k));
        list.add(std::move(n));
    }
    std::vector<std::string> serials() {
        std::uint32_t count = 0;
        list.listDeviceCount(count);
        std::vector<std::string> s;
        for (std::uint32_t i = 0; i < count; ++i) {
            char text[64];
            list.listDeviceByIndex(i, text, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER);
            s.push_back(text + std::string(" ") + list.deviceDetails(i).route);
        }
        return s;
    }
};

TEST_F(ListFixture, EachBridgeIsOfferedOnceByTheWayTheUserMayOpen) {
    // Both ways work: the kernel's, which needs no rule and no detaching.
    EXPECT_EQ(serials(),
              (std::vector<std::string>{"DQ01 kernel serial", "DQ02 direct", "/dev/pts/7 named port"}));
    // Only the direct driver may open it.
    kernel->details[0].accessible = false;
    EXPECT_EQ(serials().front(), "DQ01 direct");
    // Neither: the kernel's way is offered, with what to do about it.
    direct->details[0].accessible = false;
    kernel->details[0].advice = "join the group dialout";
    EXPECT_EQ(serials().front(), "DQ01 kernel serial");
    EXPECT_EQ(list.deviceDetails(0).advice, "join the group dialout");
    ASSERT_FALSE(list.takeNotes().empty());
}

TEST_F(ListFixture, OpensThroughTheDriverThatListedItAndMapsItsHandles) {
    serials();
    direct->nextHandle = kernel->nextHandle = named->nextHandle = 1; // the same numbers everywhere
    FtHandle a = 0, b = 0, c = 0;
    ASSERT_EQ(list.openBySerialNumber("DQ01", a), FT_OK);
    ASSERT_EQ(list.openBySerialNumber("DQ02", b), FT_OK);
    ASSERT_EQ(list.openBySerialNumber("/dev/pts/7", c), FT_OK);
    EXPECT_EQ(kernel->openedSerials, std::vector<std::string>{"DQ01"});
    EXPECT_EQ(direct->openedSerials, std::vector<std::string>{"DQ02"});
    std::uint32_t written = 0;
    const std::uint8_t byte = 0x06;
    list.write(c, &byte, 1, written);
    EXPECT_EQ(named->writes.size(), 1u);
    EXPECT_TRUE(kernel->writes.empty() && direct->writes.empty());
    EXPECT_EQ(list.close(c), FT_OK);
    EXPECT_EQ(list.write(c, &byte, 1, written), FT_INVALID_HANDLE);

    // A failed open passes on what the user can do about it.
    kernel->failOn("open", FT_DEVICE_NOT_OPENED);
    kernel->advice = "join the group dialout";
    EXPECT_EQ(list.close(a), FT_OK);
    EXPECT_EQ(list.openBySerialNumber("DQ01", a), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(list.openAdvice(), "join the group dialout");
}

TEST(OpenBridge, TellsTheUserWhatToDoWhateverTheErrorReporting) {
    ScriptedServices services;
    FakeFtDriver driver;
    driver.bridges = {{"DQ01", "FT230X Basic UART"}};
    driver.failOn("open", FT_DEVICE_NOT_OPENED);
    driver.advice = "/dev/ttyUSB0 may not be opened by this user. Join the group dialout";
    UsbLink link(driver, services);
    link.reportDriverErrors = false;
    ConsoleLog log;
    EXPECT_FALSE(openBridge(link, log, services, QStringLiteral("DQ01")));
    EXPECT_EQ(services.messages, QStringList{QString::fromStdString(driver.advice)});
}

} // namespace
